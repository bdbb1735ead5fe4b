#!/usr/bin/env python3
"""Sweeps random valid requests over the whole option space on one large player.

    python bench/sweep_bench.py [--requests 1000] [--seed 1] [--timeout-ms 30000]
        [--kill-margin-ms 10000] [--cores 2,3] [--json OUT.json]
        [--compare BEFORE.json] [--filter skill,multi] [--only-slow RUN.json [--slowest 10]]

The region is made by tools/gen_sample_data.py with 6,000 cards and a player
owning 3,000 of them, generated once into --cache (default build/bench-data)
and reused while the generator's sources are unchanged. From it and --seed
the bench draws --requests options, as a new user would try the engine: every
target, live type and event kind the region offers (none, marathon, cheerful
carnival, World Bloom chapters, the final chapter, an event made of unit and
attribute alone), bonus tiers up to the reader's 32, fixed cards, fixed
characters, excluded cards, designated leaders and characters, unit and
attribute filters, skill strategies, songs, card configurations and limits up
to 100. Every drawn request is one the options reader and validation accept;
the same seed on the same region always gives the same list.

Each request is answered by `recommend_driver` (from build/bench, made with
-DVDZ_BUILD_BENCH=ON, or `cmake --build build/release --target
recommend_driver`), which prepares and searches it as `recommend` does and
reports the search's end. A request ends
"complete", "deadline" (the search stopped at its timeoutMs with what it
had), "error" (the engine refused it, for example "Cannot recommend any
deck"; listed by message) or "killed" (no answer --kill-margin-ms after its
deadline; the driver is restarted). With --cores each listed core runs one
driver pinned to it by taskset, so every request still runs on one core.

It prints the median, 99th percentile and slowest time (preparation plus
search, errors included, killed requests at their wait), the same per target,
live type, event kind and option, the slowest ten requests with their full
options, and the refusals by message. `--json` keeps every figure and each
search's deck keys; `--compare` sets an earlier run's figures beside them and
checks that deck keys agree where both runs completed. `--filter` keeps the
requests whose label holds every given word; `--only-slow` re-runs the
slowest of an earlier run."""

import argparse
from dataclasses import dataclass
import json
import math
from pathlib import Path
import random
import re
import shlex
import sys
import threading

from recommend_driver_client import DEFAULT_CACHE, Driver, DriverEnded, default_driver, region_dir, timed_request

REGION_NAME = "6000"
GENERATOR_ARGS = ["--cards", "6000", "--user-cards", "3000"]

TARGETS = ("score", "power", "skill", "bonus", "mysekai")
LIVE_TYPES = ("solo", "auto", "multi", "cheerful", "challenge", "challenge_auto", "mysekai")
CHALLENGE_LIVES = ("challenge", "challenge_auto")
# Event kind -> weight. "custom-event" names a unit and an attribute without an event id.
EVENT_KINDS = {"no-event": 3, "marathon": 2, "cheerful": 2, "world-bloom": 2, "final-chapter": 2, "custom-event": 1}
FINAL_CHAPTER_EVENT = 180
UNITS = ("light_sound", "idol", "street", "theme_park", "school_refusal", "piapro")
ATTRS = ("cool", "cute", "happy", "pure", "mysterious")
CHARACTERS = range(1, 27)
LIMITS = (1, 1, 3, 5, 10, 20, 50, 100)
# Tier counts; the bonuses a player's decks reach run to about 300 percent.
TIER_COUNTS = (1, 2, 3, 5, 8, 12, 18, 20, 32)
TIER_MAX = 400
SLOW_MS = 200  # the goal every request should meet; the tables count those above it
LATE_MS = 100  # an answer this long after the deadline counts as late (a clock check is due well before)


@dataclass
class Region:
    """What the drawing reads from the generated region."""

    owned: list  # owned card ids, in user-data order
    character_of: dict  # master card id -> its character
    events: dict  # event kind -> event ids of that kind, ascending
    chapters: dict  # World Bloom event id -> its chapter characters
    songs: list  # (music id, difficulty) of every music meta

    @classmethod
    def load(cls, path):
        def read(name):
            return json.loads((path / name).read_text())

        character_of = {card["id"]: card["characterId"] for card in read("masterdata/cards.json")}
        chapters = {}
        for row in read("masterdata/worldBlooms.json"):
            if row["gameCharacterId"] is not None:
                chapters.setdefault(row["eventId"], []).append(row["gameCharacterId"])
        kinds = {"marathon": "marathon", "cheerful_carnival": "cheerful", "world_bloom": "world-bloom"}
        events = {}
        for event in read("masterdata/events.json"):
            kind = "final-chapter" if event["id"] == FINAL_CHAPTER_EVENT else kinds[event["eventType"]]
            events.setdefault(kind, []).append(event["id"])
        songs = [(meta["music_id"], meta["difficulty"]) for meta in read("music_metas.json")]
        owned = [card["cardId"] for card in read("user_data.json")["userCards"]]
        return cls(owned, character_of, {kind: sorted(ids) for kind, ids in events.items()}, chapters, songs)

    def character(self, card):
        return self.character_of[card]


class Draw:
    """One request being drawn: its options and the label words that name
    what it holds (the label is what --filter and the tables read)."""

    def __init__(self, rng, region):
        self.rng = rng
        self.region = region
        self.options = {}
        self.words = []

    def chance(self, p):
        return self.rng.random() < p

    def set(self, word, **options):
        if word:
            self.words.append(word)
        self.options.update(options)


def draw_event(d, target, live):
    """The event and the characters it designates; bonus targets need an event
    other than the final chapter."""
    kinds = [k for k in EVENT_KINDS if target != "bonus" or k not in ("no-event", "final-chapter")]
    kind = d.rng.choices(kinds, [EVENT_KINDS[k] for k in kinds])[0]
    if kind == "custom-event":
        d.set(None, eventType=d.rng.choice(("marathon", "cheerful")), eventUnit=d.rng.choice(UNITS))
        if d.chance(0.7):
            d.options["eventAttr"] = d.rng.choice(ATTRS)
        if d.chance(0.3):
            d.options["customBonusCharacterIds"] = d.rng.sample(CHARACTERS, d.rng.randint(1, 6))
    elif kind != "no-event":
        d.set(None, eventId=d.rng.choice(d.region.events[kind]))
    if kind == "world-bloom" and not d.chance(0.2):
        chapter = d.region.chapters.get(d.options["eventId"]) or list(CHARACTERS)
        d.set("wb-char", worldBloomCharacterId=d.rng.choice(chapter if d.chance(0.85) else CHARACTERS))
    if d.chance(0.4 if kind == "final-chapter" else 0.1):
        d.set("leader", forcedLeaderCharacterId=d.rng.choice(CHARACTERS))
    if live in CHALLENGE_LIVES and d.chance(0.6):
        d.set("challenge-char", challengeLiveCharacterId=d.rng.choice(CHARACTERS))
    return kind


def draw_cards(d, live):
    """Fixed cards, fixed characters and excluded cards: at most five
    constraints of distinct characters, no fixed characters on a challenge
    live, whose cards are all of the challenge character when one is named,
    and no excluded fixed card."""
    region, rng = d.region, d.rng
    challenge_character = d.options.get("challengeLiveCharacterId")
    fixed = []
    if d.chance(0.15):
        count = 1 if live in CHALLENGE_LIVES else rng.choice((1, 1, 2, 3))
        pool = region.owned if d.chance(0.9) else list(region.character_of)  # a card the player lacks enters at level 1
        if challenge_character is not None:
            pool = [card for card in pool if region.character(card) == challenge_character]
        for card in rng.sample(pool, min(len(pool), 4 * count)):
            if len(fixed) < count and region.character(card) not in {region.character(f) for f in fixed}:
                fixed.append(card)
        if fixed:
            d.set(f"fixed-cards:{len(fixed)}", fixedCards=fixed)
    if live not in CHALLENGE_LIVES and d.chance(0.15):
        taken = {region.character(card) for card in fixed}
        free = [c for c in CHARACTERS if c not in taken]
        count = min(rng.choice((1, 1, 2, 3, 4)), 5 - len(fixed))
        if count > 0:
            d.set(f"fixed-chars:{count}", fixedCharacters=rng.sample(free, count))
    if d.chance(0.15):
        count = rng.choice((1, 3, 10, 50, 200, 600))
        excluded = [card for card in rng.sample(region.owned, count) if card not in fixed]
        d.set(f"excluded:{len(excluded)}", excludedCards=excluded)


def draw_strategies(d, live):
    rng = d.rng
    if d.chance(0.15):
        d.set("unit-filter", unitFilter=rng.choice(UNITS))
    if d.chance(0.15):
        d.set("attr-filter", attrFilter=rng.choice(ATTRS))
    if d.chance(0.05):
        d.set("other-unit", filterOtherUnit=True)
    if d.chance(0.3):
        order = rng.choice(("best", "worst", "average", "specific"))
        d.set(f"order:{order}", skillOrderChooseStrategy=order)
        if order == "specific":
            d.options["specificSkillOrder"] = [rng.randrange(5) for _ in range(5)]
    if d.chance(0.3):
        reference = rng.choice(("max", "min", "average"))
        d.set(f"reference:{reference}", skillReferenceChooseStrategy=reference)
    if d.chance(0.2):
        d.set("no-best-leader", bestSkillAsLeader=False)
    if live == "multi" and d.chance(0.15):
        d.set("lower-bound", multiLiveScoreUpLowerBound=rng.choice((0, 50, 100, 150, 200, 230, 250)))
    if live in ("multi", "cheerful") and d.chance(0.1):
        d.set("teammate", multiLiveTeammateScoreUp=rng.choice((50, 100, 150)),
              multiLiveTeammatePower=rng.choice((200000, 300000)))
    if d.chance(0.05):
        d.set("keep-training", keepAfterTrainingState=True)
    if d.chance(0.05):
        d.set("minimize", minimize=True)
    if d.chance(0.08):
        grown = {"levelMax": True, "skillMax": True, "masterMax": True, "episodeRead": True}
        d.set("card-config", rarity4Config=grown, rarityBirthdayConfig=grown,
              rarity1Config={"disable": True} if d.chance(0.5) else {"skillLevel": 4})


def draw_request(rng, region):
    """One valid request's label and options."""
    d = Draw(rng, region)
    target, live = rng.choice(TARGETS), rng.choice(LIVE_TYPES)
    d.set(None, target=target, liveType=live)
    kind = draw_event(d, target, live)
    draw_cards(d, live)
    draw_strategies(d, live)
    if target == "bonus" and d.chance(0.6):
        count = rng.choice(TIER_COUNTS)
        tiers = rng.sample(range(0, TIER_MAX + 1, 5 if d.chance(0.7) else 1), count)
        d.set(f"tiers:{count}", targetBonusList=tiers)
    if d.chance(0.5):
        music_id, difficulty = rng.choice(region.songs)
        d.set("song", musicId=music_id, musicDiff=difficulty)
    limit = rng.choice(LIMITS) if d.chance(0.8) else rng.randint(1, 100)
    d.set(f"limit:{limit}", limit=limit)
    return " ".join([target, live, kind, *d.words]), d.options


def draw_requests(region, seed, count):
    rng = random.Random(seed)
    requests = []
    for index in range(count):
        label, options = draw_request(rng, region)
        requests.append({"index": index, "label": label, "options": options})
    return requests


# --- Running ---------------------------------------------------------------


def run_requests(requests, args, region_path):
    """Every request's figures, in request order; one driver per core."""
    pending = iter(requests)
    results = []
    lock = threading.Lock()
    wait_seconds = (args.timeout_ms + args.kill_margin_ms) / 1000

    def next_request():
        with lock:
            return next(pending, None)

    def work(core):
        driver = Driver(args.driver, region_path, core)
        try:
            while (request := next_request()) is not None:
                options = {**request["options"], "timeoutMs": args.timeout_ms}
                try:
                    figures = timed_request(driver, options, wait_seconds)
                except DriverEnded:
                    figures = {"status": "crashed", "ms": None}
                record = {**request, "options": options, **figures}
                with lock:
                    results.append(record)
                    report_progress(record, len(results), len(requests), args)
        finally:
            driver.stop()

    cores = args.cores or [None]
    workers = [threading.Thread(target=work, args=(core,)) for core in cores]
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    return sorted(results, key=lambda r: r["index"])


def report_progress(record, done, total, args):
    """Slow or unfinished requests as they end, and a count now and then (on
    standard error, so the printed report stays clean)."""
    if record["status"] in ("deadline", "killed", "crashed") or (record["ms"] or 0) > 1000:
        ms = "-" if record["ms"] is None else f"{record['ms']:.0f} ms"
        print(f"  #{record['index']} {record['status']} {ms}: {record['label']}", file=sys.stderr, flush=True)
    if done % 100 == 0 or done == total:
        print(f"[{done}/{total}]", file=sys.stderr, flush=True)


# --- Figures ---------------------------------------------------------------


def percentile(sorted_values, share):
    """The nearest-rank percentile of an ascending list."""
    return sorted_values[max(0, math.ceil(share * len(sorted_values)) - 1)]


def figures(runs, timeout_ms):
    """Median, 99th percentile and slowest time, and the counts of each end."""
    times = sorted(r["ms"] for r in runs if r.get("ms") is not None)
    out = {"n": len(runs), "median": None, "p99": None, "max": None}
    if times:
        out.update(median=percentile(times, 0.5), p99=percentile(times, 0.99), max=times[-1])
    out["slow"] = sum(t > SLOW_MS for t in times)
    for status in ("deadline", "killed", "error", "crashed"):
        out[status] = sum(r["status"] == status for r in runs)
    # Answered, but well after the deadline had passed.
    out["late"] = sum(r["status"] != "killed" and (r.get("ms") or 0) > timeout_ms + LATE_MS for r in runs)
    return out


def fmt_ms(value):
    return "-" if value is None else f"{value:.1f}"


GROUP_HEADER = (f"{'group':<30} {'n':>5} {'median':>9} {'p99':>9} {'max':>9} {'>' + str(SLOW_MS) + 'ms':>7} "
                f"{'deadline':>8} {'killed':>6} {'error':>5}")


def group_line(name, f):
    return (f"{name:<30} {f['n']:>5} {fmt_ms(f['median']):>9} {fmt_ms(f['p99']):>9} {fmt_ms(f['max']):>9} "
            f"{f['slow']:>7} {f['deadline']:>8} {f['killed']:>6} {f['error']:>5}")


def groups_of(run):
    """The table rows a request counts in: its target, live type and event
    kind, each option it holds, and its limit's range."""
    words = run["label"].split()
    target, live, kind, tags = words[0], words[1], words[2], words[3:]
    out = [f"target {target}", f"live {live}", f"event {kind}"]
    for tag in tags:
        name, _, value = tag.partition(":")
        if name == "limit":
            limit = int(value)
            out.append("limit 1" if limit == 1 else "limit 2-10" if limit <= 10 else
                       "limit 11-50" if limit <= 50 else "limit 51-100")
        elif name in ("order", "reference"):
            out.append(f"{name} {value}")
        else:
            out.append(name)
    return out


def print_groups(runs, timeout_ms):
    grouped = {}
    for run in runs:
        for group in groups_of(run):
            grouped.setdefault(group, []).append(run)
    print(GROUP_HEADER)
    for name in sorted(grouped, key=lambda g: (g.split()[0] not in ("target", "live", "event"), g)):
        print(group_line(name, figures(grouped[name], timeout_ms)))


def print_slowest_roads(runs, timeout_ms, count):
    """The target, live type and event kind triples with the most requests
    above the goal, then the slowest."""
    roads = {}
    for run in runs:
        roads.setdefault(" ".join(run["label"].split()[:3]), []).append(run)
    table = [(name, figures(group, timeout_ms)) for name, group in roads.items()]
    table.sort(key=lambda row: (row[1]["slow"], row[1]["max"] or 0), reverse=True)
    print(GROUP_HEADER)
    for name, f in table[:count]:
        if f["slow"]:
            print(group_line(name, f))


def slowest(runs, count):
    """The `count` slowest runs, killed and crashed ones first."""
    def cost(r):
        return (r["status"] in ("killed", "crashed"), r.get("ms") or 0)
    return sorted(runs, key=cost, reverse=True)[:count]


def print_slowest(runs, before, count):
    print(f"{'#':>5} {'ms':>10} {'end':<9} {'pool':>5} {'nodes':>14}"
          + (f" {'before ms':>10} {'before':<9}" if before else "") + "  label")
    for r in slowest(runs, count):
        line = (f"{r['index']:>5} {fmt_ms(r.get('ms')):>10} {r['status']:<9} {r.get('pool', '-'):>5} "
                f"{r.get('nodes', '-'):>14}")
        if before:
            old = before.get(r["index"])
            line += f" {fmt_ms(old and old.get('ms')):>10} {old['status'] if old else '-':<9}"
        print(f"{line}  {r['label']}")
        print(f"      {json.dumps(r['options'])}" + (f"\n      error: {r['error']}" if r.get("error") else ""))


def print_errors(runs):
    by_message = {}
    for r in runs:
        if r["status"] == "error":
            by_message.setdefault(re.sub(r"\d+", "N", r["error"]), []).append(r)
    if not by_message:
        print("none")
    for message, failed in sorted(by_message.items(), key=lambda item: -len(item[1])):
        slowest_ms = max((r["ms"] for r in failed if r.get("ms") is not None), default=None)
        examples = " ".join(f"#{r['index']}" for r in failed[:8])
        print(f"{len(failed):>5}  {message}  (slowest {fmt_ms(slowest_ms)} ms; {examples})")


def print_summary(name, f):
    print(f"{name}: {f['n']} requests; median {fmt_ms(f['median'])} ms, 99th percentile {fmt_ms(f['p99'])} ms, "
          f"slowest {fmt_ms(f['max'])} ms; {f['slow']} above {SLOW_MS} ms; {f['deadline']} ended on their "
          f"deadline, {f['late']} answered over {LATE_MS} ms after it, {f['killed']} killed; {f['error']} refused"
          + (f"; {f['crashed']} CRASHED" if f["crashed"] else ""))


def comparable(run):
    return json.dumps({k: v for k, v in run["options"].items() if k != "timeoutMs"}, sort_keys=True)


def print_comparison(runs, before):
    """How each request's end changed, and whether deck keys agree where
    both runs completed."""
    changes, agree, differ, unmatched = {}, 0, [], 0
    for r in runs:
        old = before.get(r["index"])
        if old is None or comparable(old) != comparable(r):
            unmatched += 1
            continue
        change = f"{old['status']} -> {r['status']}"
        changes[change] = changes.get(change, 0) + 1
        if old["status"] == r["status"] == "complete":
            if old.get("keys") == r.get("keys"):
                agree += 1
            else:
                differ.append(r)
    print("ends, before -> now: " + ", ".join(f"{c} {n}" for c, n in sorted(changes.items())))
    if unmatched:
        print(f"{unmatched} requests have no request with the same options in the earlier run")
    print(f"deck keys where both completed: {agree} agree, {len(differ)} DIFFER")
    for r in differ[:20]:
        print(f"  #{r['index']} {r['label']}: before {before[r['index']].get('keys')} now {r.get('keys')}")


# --- Choosing the requests -------------------------------------------------


def chosen_requests(args, region):
    if args.only_slow:
        earlier = json.loads(Path(args.only_slow).read_text())["runs"]
        requests = [{k: r[k] for k in ("index", "label", "options")} for r in slowest(earlier, args.slowest)]
    else:
        requests = draw_requests(region, args.seed, args.requests)
    words = [w for w in args.filter.split(",") if w]
    return [r for r in requests if all(word in r["label"] for word in words)]


def write_json(path, args, region_path, runs):
    document = {"seed": args.seed, "timeout_ms": args.timeout_ms, "kill_margin_ms": args.kill_margin_ms,
                "region": region_path.name, "runs": runs}
    Path(path).write_text(json.dumps(document, indent=1) + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--requests", type=int, default=1000, help="how many requests to draw")
    parser.add_argument("--seed", type=int, default=1, help="seed of the request drawing")
    parser.add_argument("--timeout-ms", type=int, default=30000, help="each request's timeoutMs")
    parser.add_argument("--kill-margin-ms", type=int, default=10000,
                        help="how long after its deadline a request without answer is killed")
    parser.add_argument("--cores", default="", help="comma-separated cores, one pinned driver each")
    parser.add_argument("--json", help="write every figure to this file")
    parser.add_argument("--compare", help="a --json file of an earlier run to compare with")
    parser.add_argument("--filter", default="", help="comma-separated words every chosen request's label holds")
    parser.add_argument("--only-slow", help="re-run the slowest requests of this --json file instead of drawing")
    parser.add_argument("--slowest", type=int, default=10, help="how many requests --only-slow takes")
    parser.add_argument("--list", action="store_true", help="print the chosen requests and stop")
    parser.add_argument("--driver", default=str(default_driver()), help="the recommend_driver executable")
    parser.add_argument("--cache", default=str(DEFAULT_CACHE), help="where the generated region is kept")
    args = parser.parse_args()
    args.cores = [int(c) for c in args.cores.split(",") if c]
    if not 1 <= args.timeout_ms <= 300000:
        parser.error("--timeout-ms must be in 1..300000, as the options reader accepts")

    region_path = region_dir(args.cache, REGION_NAME, GENERATOR_ARGS)
    requests = chosen_requests(args, Region.load(region_path))
    if args.list:
        for r in requests:
            print(f"{r['index']:>5} {r['label']}\n      {json.dumps(r['options'])}")
        return
    if not Path(args.driver).exists():
        parser.error(f"{args.driver} is missing: build the recommend_driver target")
    before, before_timeout_ms = {}, None
    if args.compare:
        document = json.loads(Path(args.compare).read_text())
        before = {r["index"]: r for r in document["runs"]}
        before_timeout_ms = document["timeout_ms"]

    print(f"$ {shlex.join(['python', *sys.argv])}")
    print(f"{len(requests)} requests of seed {args.seed} on {region_path.name}, timeoutMs {args.timeout_ms}, "
          f"killed {args.kill_margin_ms} ms after it, driver {args.driver}"
          + (f", cores {','.join(map(str, args.cores))}" if args.cores else ", one unpinned process")
          + "; times are preparation plus search in ms")
    if args.compare and document.get("region", region_path.name) != region_path.name:
        print(f"the earlier run used the region {document['region']}, of other generator sources: "
              "its figures and deck keys may differ for that reason alone")
    runs = run_requests(requests, args, region_path)
    if args.json:
        write_json(args.json, args, region_path, runs)

    print()
    print_summary("now", figures(runs, args.timeout_ms))
    if before:
        earlier = [before[r["index"]] for r in runs if r["index"] in before]
        print_summary("before", figures(earlier, before_timeout_ms))
        print_comparison(runs, before)
    print("\nby group\n")
    print_groups(runs, args.timeout_ms)
    print("\nroads (target, live type, event) with the most requests above the goal\n")
    print_slowest_roads(runs, args.timeout_ms, 15)
    print(f"\nslowest {min(10, len(runs))}\n")
    print_slowest(runs, before, 10)
    print("\nrefused, by message (digits as N)\n")
    print_errors(runs)


if __name__ == "__main__":
    main()
