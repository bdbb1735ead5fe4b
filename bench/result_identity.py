#!/usr/bin/env python3
"""Records the exact result texts of the bench's requests, to show that a
change which should only make the engine faster changes no byte of them.

    python bench/result_identity.py --write BEFORE.json   (on the old build)
    python bench/result_identity.py --check BEFORE.json   (on the new build)

Runs the requests of bench/recommend_bench.py that finish well before their
deadline, at limits 1, 10 and 50, on the generated sample region's player through the installed module (`recommend`
and `build_pool` + `NativeCardPool.recommend`), a few auxiliary calls, and a
few requests that fail, and keeps each answer's text with its "cost_ms"
removed (or the error's type and message). `--check` prints the requests
whose text differs and exits non-zero when any does."""

import argparse
import json
from pathlib import Path
import re
import sys

sys.path.insert(0, str(Path(__file__).resolve().parent))
from recommend_bench import DEFAULT_CACHE, REQUESTS, load_player, region_dir  # noqa: E402

from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData  # noqa: E402

REGION = "sample"
LIMITS = (1, 10, 50)
# Requests whose search does not finish within seconds on this player: what
# they return depends on where the deadline falls, so they prove nothing here.
UNFINISHED = {"solo master song", "multi master song", "mysekai", "bonus tiers", "challenge 1"}
COST = re.compile(r'"cost_ms":[^,}]*')
FAILING = [
    {"liveType": "solo", "multiLiveScoreUpLowerBound": 100},
    {"liveType": "multi", "target": "bonus"},
    {"liveType": "multi", "target": "bonus", "eventId": 180},
    {"liveType": "multi", "fixedCards": [999999]},
]


def outcome(call):
    try:
        return COST.sub('"cost_ms":0', call())
    except Exception as error:  # the type and message are part of what must not change
        return f"{type(error).__name__}: {error}"


def answers(region):
    engine = NativeEngine()
    engine.update_masterdata(str(region / "masterdata"), REGION)
    engine.update_musicmetas((region / "music_metas.json").read_text(), REGION)
    user = NativeUserData((region / "user_data.json").read_bytes())
    player = load_player(region)
    out = {}
    for row in REQUESTS:
        if row.name in UNFINISHED:
            continue
        for limit in LIMITS:
            if f"{row.name} {limit}" in UNFINISHED:
                continue
            options = json.dumps({**row.options_for(player), "limit": limit})
            out[f"recommend {row.name} {limit}"] = outcome(lambda: engine.recommend(REGION, options, user))
        options = json.dumps({**row.options_for(player), "limit": 5})
        out[f"pool {row.name}"] = outcome(lambda: engine.build_pool(REGION, options, user).recommend())
    for options in FAILING:
        text = json.dumps(options)
        out[f"error {text}"] = outcome(lambda: engine.recommend(REGION, text, user))
    owned = player.card_ids[:5]
    out["area items"] = outcome(lambda: engine.recommend_area_items(REGION, owned, user))
    for options in ({"worldBloomCharacterId": 5, "eventId": 151}, {"worldBloomCharacterId": 5}):
        text = json.dumps(options)
        out[f"support cards {text}"] = outcome(
            lambda: engine.get_world_bloom_support_cards(REGION, text, user))
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    mode = parser.add_mutually_exclusive_group(required=True)
    mode.add_argument("--write", help="write the answers to this file")
    mode.add_argument("--check", help="compare the answers with this file")
    parser.add_argument("--cache", default=str(DEFAULT_CACHE), help="where generated players are kept")
    args = parser.parse_args()

    got = answers(region_dir(Path(args.cache), "800"))
    if args.write:
        Path(args.write).write_text(json.dumps(got, indent=1, ensure_ascii=False) + "\n")
        print(f"{len(got)} answers written to {args.write}")
        return
    expected = json.loads(Path(args.check).read_text())
    differing = [name for name in expected.keys() | got.keys() if expected.get(name) != got.get(name)]
    for name in sorted(differing):
        print(f"DIFFERS: {name}")
    print(f"{len(got) - len(differing)} of {len(expected)} answers byte-identical")
    sys.exit(1 if differing else 0)


if __name__ == "__main__":
    main()
