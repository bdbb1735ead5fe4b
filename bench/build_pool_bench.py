#!/usr/bin/env python3
"""Times request preparation on the generated region: building
`NativeUserData` and `NativeEngine.build_pool` for players of 300, 1,000 and
2,000 cards, under a few representative options.

    python bench/build_pool_bench.py [--cards 2500] [--repeat 20]

Prints the median and the fastest of `--repeat` runs of each step, and the
pool's candidate count, which depends only on the inputs."""

import argparse
import json
from pathlib import Path
import statistics
import subprocess
import sys
import tempfile
import time

from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData

ROOT = Path(__file__).resolve().parents[1]
GENERATOR = ROOT / "tools" / "gen_sample_data.py"
PLAYER_SIZES = (300, 1000, 2000)
OPTIONS = {
    "score, no event": {},
    "score, marathon event": {"eventId": 1},
    "power": {"target": "power"},
    "world bloom": {"eventType": "world_bloom", "worldBloomCharacterId": 1, "worldBloomEventTurn": 1},
    "configured cards": {"rarity4Config": {"levelMax": True, "skillMax": True, "masterMax": True,
                                           "episodeRead": True}},
}


def timed(repeat, call):
    times = []
    result = None
    for _ in range(repeat):
        start = time.perf_counter()
        result = call()
        times.append((time.perf_counter() - start) * 1000.0)
    return statistics.median(times), min(times), result


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cards", type=int, default=2500, help="cards in the generated master data")
    parser.add_argument("--repeat", type=int, default=20, help="runs of each step")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as tmp:
        for size in PLAYER_SIZES:
            out = Path(tmp) / f"players-{size}"
            subprocess.run([sys.executable, str(GENERATOR), "--out", str(out), "--cards", str(args.cards),
                            "--user-cards", str(size)], check=True)
            engine = NativeEngine()
            engine.update_masterdata(str(out / "masterdata"), "bench")
            text = (out / "user_data.json").read_bytes()
            median, best, user = timed(args.repeat, lambda: NativeUserData(text))
            print(f"player of {size:5} cards ({len(text) / 1e6:.2f} MB): "
                  f"NativeUserData {median:8.3f} ms median, {best:8.3f} ms best")
            for name, options in OPTIONS.items():
                text_options = json.dumps(options)
                median, best, pool = timed(args.repeat,
                                           lambda: engine.build_pool("bench", text_options, user))
                print(f"    build_pool {name:24} {median:8.3f} ms median, {best:8.3f} ms best, "
                      f"{pool.card_count:4} candidates")


if __name__ == "__main__":
    main()
