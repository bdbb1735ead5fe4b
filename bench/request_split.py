#!/usr/bin/env python3
"""Per-request time split of a marathon request, and region setup time.

    taskset -c 2 python bench/request_split.py [--repeats 21] [--json OUT.json]
        [--compare BEFORE.json]

For the generated sample region's player (800 of 1,500 cards) and for a
3,000-card player of a 6,000-card generated region it prints the median time
of each step of one marathon request on one thread: the request index, card
power, the pool (builder and result states), the search and the result
objects; and the time of setting the region up: a full load from its
directory, then its music metas; and the time of building the request index
alone (index_build), which each request paid before and the load pays once
now. The goals are a request within 5 ms and 10 ms. The figures come from build/release/request_split (built with
-DVDZ_BUILD_BENCH=ON); `--compare` adds the ratio to an earlier `--json` run.
"""

import argparse
import json
from pathlib import Path
import subprocess
import sys

sys.path.insert(0, str(Path(__file__).resolve().parent))
from recommend_bench import DEFAULT_CACHE, MARATHON, region_dir, SIZES  # noqa: E402

ROOT = Path(__file__).resolve().parents[1]
DEFAULT_BENCH = ROOT / "build" / "release" / "request_split"
SIZES.setdefault("6000", ["--cards", "6000", "--user-cards", "3000"])
REGIONS = [("800", 5.0), ("6000", 10.0)]  # generated size, goal in ms
OPTIONS = {"liveType": "multi", "eventId": MARATHON, "limit": 10}
STEPS = ["index_ms", "power_ms", "pool_ms", "search_ms", "result_ms", "total_ms", "load_ms",
         "music_metas_ms", "index_build_ms"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeats", type=int, default=21, help="requests timed per region")
    parser.add_argument("--json", help="write the figures to this file")
    parser.add_argument("--compare", help="a --json file of an earlier run")
    parser.add_argument("--bench", default=str(DEFAULT_BENCH), help="the request_split executable")
    parser.add_argument("--cache", default=str(DEFAULT_CACHE), help="where generated regions are kept")
    args = parser.parse_args()

    before = json.loads(Path(args.compare).read_text()) if args.compare else {}
    print(f"marathon request {json.dumps(OPTIONS)}, medians in ms, one thread")
    print(f"{'':<22}" + "".join(f"{name[:-3]:>13}" for name in STEPS))
    figures = {}
    for size, goal in REGIONS:
        region = region_dir(Path(args.cache), size)
        run = subprocess.run([args.bench, str(region / "masterdata"), str(region / "music_metas.json"),
                              str(region / "user_data.json"), json.dumps(OPTIONS), str(args.repeats)],
                             check=True, capture_output=True, text=True)
        got = figures[size] = json.loads(run.stdout)
        print(f"{size + ' cards region':<22}" + "".join(f"{got[name]:13.3f}" for name in STEPS)
              + f"   goal {goal:.0f} ms: {'met' if got['total_ms'] <= goal else 'NOT met'}")
        if size in before:
            old = before[size]
            print(f"{'  before':<22}" + "".join(
                f"{old[name]:13.3f}" if name in old else f"{'-':>13}" for name in STEPS))
            print(f"{'  speed-up':<22}" + "".join(
                f"{old[name] / got[name]:12.1f}x" if name in old and got[name] >= 1e-3
                else f"{'-':>13}" for name in STEPS))
    if args.json:
        Path(args.json).write_text(json.dumps(figures, indent=1) + "\n")


if __name__ == "__main__":
    main()
