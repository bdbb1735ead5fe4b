#!/usr/bin/env python3
"""Times whole recommendations on generated players, request by request.

    taskset -c 2 python bench/recommend_bench.py [--sizes 300,800,2000]
        [--requests multi,challenge] [--limits 1,10,50] [--timeout-ms 20000]
        [--json OUT.json] [--compare BEFORE.json] [--list]

For each player size, request and limit it prints the pool's size, the wall
time of the request (preparation plus search, without writing the result),
the search's node and evaluation counts, and how the search ended:
"complete", "deadline" (the search stopped at `--timeout-ms` and returned what
it had), or "killed" (the search ignored its deadline and the bench stopped
it after twice that time). Node counts and "deadline" come from the search
itself, which `recommend` does not report, so requests are answered by
`recommend_driver` (from build/bench, made with -DVDZ_BUILD_BENCH=ON, or
`cmake --build build/release --target recommend_driver`), which loads the region once and prepares and searches each request as `recommend`
does.

The players are made by tools/gen_sample_data.py: "800" is its default
region and player, "300" the same region with a smaller player, "2000" a
region of 2,500 cards with a player owning 2,000. They are generated once
into --cache (default build/bench-data) and reused while the generator's
sources are unchanged.

`--json` writes every figure and each search's deck keys; `--compare` reads
such a file from an earlier run and adds its time, the ratio, and whether
the deck keys agree where both runs completed."""

import argparse
from dataclasses import dataclass
import json
from pathlib import Path
from typing import Callable, Union

from recommend_driver_client import DEFAULT_CACHE, Driver, Player, default_driver, load_player, region_dir, timed_request

# Player sizes: name -> generator arguments.
SIZES = {
    "300": ["--user-cards", "300"],
    "800": [],
    "2000": ["--cards", "2500", "--user-cards", "2000"],
}
LIMITS = (1, 10, 50)
TIER_TARGETS = [100, 150, 200, 250]
MARATHON, CHEERFUL, WORLD_BLOOM, FINAL_CHAPTER = 1, 4, 151, 180
WORLD_BLOOM_CHARACTER = 5  # a character of event 151's unit
MASTER_SONG = {"musicId": 1, "musicDiff": "master"}


@dataclass
class Row:
    name: str
    # The request's options without `limit` and `timeoutMs`, or a function of
    # the player giving them.
    options: Union[dict, Callable[[Player], dict]]

    def options_for(self, player):
        return self.options(player) if callable(self.options) else dict(self.options)


# The requests, in print order. Add rows here; a name is what --requests
# selects by (a row is taken when any given word is part of its name).
REQUESTS = [
    Row("solo", {"liveType": "solo"}),
    Row("auto", {"liveType": "auto"}),
    Row("multi", {"liveType": "multi"}),
    Row("solo master song", {"liveType": "solo", **MASTER_SONG}),
    Row("auto master song", {"liveType": "auto", **MASTER_SONG}),
    Row("multi master song", {"liveType": "multi", **MASTER_SONG}),
    Row("mysekai", {"target": "mysekai"}),
    Row("marathon", {"liveType": "multi", "eventId": MARATHON}),
    Row("cheerful", {"liveType": "cheerful", "eventId": CHEERFUL}),
    Row("bonus", {"liveType": "multi", "target": "bonus", "eventId": MARATHON}),
    Row("bonus tiers",
        {"liveType": "multi", "target": "bonus", "eventId": MARATHON, "targetBonusList": TIER_TARGETS}),
    Row("world bloom",
        {"liveType": "multi", "eventId": WORLD_BLOOM, "worldBloomCharacterId": WORLD_BLOOM_CHARACTER}),
    Row("final chapter", {"liveType": "multi", "eventId": FINAL_CHAPTER}),
    # The final chapter's constraints: a designated leader character, fixed
    # cards and characters, both together, and multi live score-up lower
    # bounds (230 is beyond most decks' reach).
    Row("final designated", {"liveType": "multi", "eventId": FINAL_CHAPTER, "forcedLeaderCharacterId": 7}),
    Row("final fixed card",
        lambda p: {"liveType": "multi", "eventId": FINAL_CHAPTER, "fixedCards": [p.first_card_of(3)]}),
    Row("final fixed character", {"liveType": "multi", "eventId": FINAL_CHAPTER, "fixedCharacters": [12]}),
    Row("final designated+card",
        lambda p: {"liveType": "multi", "eventId": FINAL_CHAPTER, "forcedLeaderCharacterId": 7,
                   "fixedCards": [p.first_card_of(3)]}),
    Row("final designated+chara",
        {"liveType": "multi", "eventId": FINAL_CHAPTER, "forcedLeaderCharacterId": 7, "fixedCharacters": [12]}),
    Row("final lower bound 200", {"liveType": "multi", "eventId": FINAL_CHAPTER, "multiLiveScoreUpLowerBound": 200}),
    Row("final lower bound 230", {"liveType": "multi", "eventId": FINAL_CHAPTER, "multiLiveScoreUpLowerBound": 230}),
    Row("challenge character",
        lambda p: {"liveType": "challenge", "challengeLiveCharacterId": p.top_character}),
    Row("challenge", {"liveType": "challenge"}),
    Row("challenge master song", {"liveType": "challenge", **MASTER_SONG}),
    Row("power", {"target": "power"}),
    Row("skill", {"target": "skill"}),
]


def measure(driver, row, player, limit, timeout_ms):
    options = {**row.options_for(player), "limit": limit, "timeoutMs": timeout_ms}
    record = {"request": row.name, "limit": limit, "options": options}
    return {**record, **timed_request(driver, options, 2 * timeout_ms / 1000 + 5)}


def select_rows(words):
    if not words:
        return REQUESTS
    chosen = [row for row in REQUESTS if any(word in row.name for word in words)]
    if not chosen:
        raise SystemExit(f"no request matches {words}; --list shows them")
    return chosen


def earlier_figures(path):
    if path is None:
        return {}
    runs = json.loads(Path(path).read_text())["runs"]
    return {(r["size"], r["request"], r["limit"]): r for r in runs}


def print_row(r, before):
    def fmt(value):
        return "-" if value is None else f"{value:,}"

    ms = r.get("ms")
    line = (f"{r['size']:>5} {r['request']:<22} {r['limit']:>3} {fmt(r.get('pool')):>5} "
            f"{'-' if ms is None else f'{ms:.1f}':>10} {fmt(r.get('nodes')):>15} {fmt(r.get('evaluations')):>15} "
            f"{r['status']:<9}")
    old = before.get((r["size"], r["request"], r["limit"]))
    if old is not None and old.get("ms") is not None and ms is not None:
        same = ""
        if old["status"] == "complete" and r["status"] == "complete":
            same = "same keys" if old.get("keys") == r.get("keys") else "KEYS DIFFER"
        line += f" {old['ms']:10.1f} {old['ms'] / max(ms, 1e-3):8.1f}x {old['status']:<9} {same}"
    if r["status"] == "error":
        line += f" {r['error']}"
    print(line, flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sizes", default=",".join(SIZES), help=f"player sizes among {', '.join(SIZES)}")
    parser.add_argument("--requests", default="", help="comma-separated words selecting requests by name")
    parser.add_argument("--limits", default=",".join(map(str, LIMITS)), help="comma-separated limits")
    parser.add_argument("--timeout-ms", type=int, default=20000, help="each request's timeoutMs")
    parser.add_argument("--json", help="write every figure to this file")
    parser.add_argument("--compare", help="a --json file of an earlier run to compare with")
    parser.add_argument("--driver", default=str(default_driver()), help="the recommend_driver executable")
    parser.add_argument("--cache", default=str(DEFAULT_CACHE), help="where generated players are kept")
    parser.add_argument("--list", action="store_true", help="list the requests and stop")
    args = parser.parse_args()

    if args.list:
        for row in REQUESTS:
            print(f"{row.name:<22} {'(depends on the player)' if callable(row.options) else json.dumps(row.options)}")
        return
    sizes = [s for s in args.sizes.split(",") if s]
    unknown = [s for s in sizes if s not in SIZES]
    if unknown:
        parser.error(f"unknown sizes {unknown}; choose among {list(SIZES)}")
    limits = [int(x) for x in args.limits.split(",") if x]
    rows = select_rows([w for w in args.requests.split(",") if w])
    if not Path(args.driver).exists():
        parser.error(f"{args.driver} is missing: build the recommend_driver target")
    before = earlier_figures(args.compare)

    header = (f"{'size':>5} {'request':<22} {'lim':>3} {'pool':>5} {'ms':>10} {'nodes':>15} "
              f"{'evaluations':>15} {'end':<9}")
    if before:
        header += f" {'before ms':>10} {'speed-up':>9} {'before':<9}"
    print(f"timeoutMs {args.timeout_ms}, wall time = preparation + search, one process\n{header}")
    runs = []
    for size in sizes:
        region = region_dir(args.cache, size, SIZES[size])
        player = load_player(region)
        driver = Driver(args.driver, region)
        try:
            for row in rows:
                for limit in limits:
                    record = {"size": size, **measure(driver, row, player, limit, args.timeout_ms)}
                    print_row(record, before)
                    runs.append(record)
                    if args.json:  # after every request, so a stopped run keeps its figures
                        Path(args.json).write_text(
                            json.dumps({"timeout_ms": args.timeout_ms, "runs": runs}, indent=1) + "\n")
        finally:
            driver.stop()


if __name__ == "__main__":
    main()
