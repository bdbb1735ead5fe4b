#!/usr/bin/env python3
"""Recommends the best decks for the sample player.

    python tools/demo.py [--character N] [--event-id N] [--music-id 1] [--difficulty master]
                         [--seed 1]

Generates the synthetic sample region into a temporary directory, loads its
master data and music metas, and asks `recommend` for the ten best five-card
decks by live score on a multi live of one song (with `--character`, on a
challenge live of that character instead), then prints the best three
readably. Flags are checked against the region before the engine is asked."""

import argparse
import json
from pathlib import Path
import subprocess
import sys
import tempfile

from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData

GENERATOR = Path(__file__).resolve().parent / "gen_sample_data.py"
REGION = "sample"
CHARACTER_IDS = range(1, 27)

# What the engine's refusals mean, by the start of its message.
EXPLANATIONS = {
    "候选卡池为空": "no card of the player fits the request",
    "候选卡数量超过 mask 容量": "more cards fit the request than one search can hold",
    "Cannot recommend any deck in": "no five of the player's cards make a deck for the request",
    "构建参数非法": "the request's settings do not fit together",
}


def character_id(text):
    """argparse type of --character: a game character's id."""
    try:
        value = int(text)
    except ValueError:
        value = None
    if value not in CHARACTER_IDS:
        raise argparse.ArgumentTypeError(f"{text} is not a character id (accepted: 1..26)")
    return value


def id_or_text(text):
    """argparse type of --event-id and --music-id: the integer, or the text
    itself when it names none, so that the check against the region refuses
    it with the accepted values like any other id the region lacks."""
    try:
        return int(text)
    except ValueError:
        return text


def id_ranges(ids):
    """Sorted ids written compactly: 1..3, 5, 7..9."""
    ids = sorted(set(ids))
    parts, start = [], 0
    for i in range(1, len(ids) + 1):
        if i == len(ids) or ids[i] != ids[i - 1] + 1:
            first, last = ids[start], ids[i - 1]
            parts.append(str(first) if first == last else f"{first}..{last}")
            start = i
    return ", ".join(parts)


class SampleRegion:
    """What the flags are checked against: the generated region's tables."""

    def __init__(self, out):
        out = Path(out)
        self.masterdata = str(out / "masterdata")
        self.music_metas_text = (out / "music_metas.json").read_text()
        self.user_text = (out / "user_data.json").read_text()
        cards = json.loads((out / "masterdata" / "cards.json").read_text())
        character_of = {card["id"]: card["characterId"] for card in cards}
        self.owned = [character_of[card["cardId"]]
                      for card in json.loads(self.user_text)["userCards"]]
        events = json.loads((out / "masterdata" / "events.json").read_text())
        self.event_ids = {event["id"] for event in events}
        self.difficulties = {}
        for meta in json.loads(self.music_metas_text):
            self.difficulties.setdefault(meta["music_id"], []).append(meta["difficulty"])


def flag_error(region, args):
    """The first flag the region can't answer, as argparse words it, or None."""
    if args.character is not None and args.character not in region.owned:
        return (f"argument --character: the player owns no card of character {args.character} "
                f"(accepted: {id_ranges(region.owned)})")
    if args.event_id is not None and args.event_id not in region.event_ids:
        return (f"argument --event-id: the region has no event {args.event_id} "
                f"(accepted: {id_ranges(region.event_ids)})")
    if args.music_id not in region.difficulties:
        return (f"argument --music-id: the region has no music metas of song {args.music_id} "
                f"(accepted: {id_ranges(region.difficulties)})")
    difficulties = region.difficulties[args.music_id]
    if args.difficulty not in difficulties:
        return (f"argument --difficulty: song {args.music_id} has no difficulty "
                f"'{args.difficulty}' (accepted: {', '.join(difficulties)})")
    return None


def refusal(message):
    """One line for a request the engine refused: its message, explained when known."""
    line = " ".join(message.split())
    for start, meaning in EXPLANATIONS.items():
        if line.startswith(start):
            return f"{line} ({meaning})"
    return line


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--character", type=character_id,
                        help="a challenge live of this character (1..26) instead of a multi live")
    parser.add_argument("--event-id", type=id_or_text, help="event of the request (default: none)")
    parser.add_argument("--music-id", type=id_or_text, default=1, help="song of the live")
    parser.add_argument("--difficulty", default="master", help="difficulty of the song")
    parser.add_argument("--seed", type=int, default=1, help="seed of the generated region")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as out:
        subprocess.run([sys.executable, str(GENERATOR), "--out", out, "--seed", str(args.seed)],
                       check=True)
        region = SampleRegion(out)
        error = flag_error(region, args)
        if error:
            parser.error(error)
        engine = NativeEngine()
        engine.update_masterdata(region.masterdata, REGION)
        engine.update_musicmetas(region.music_metas_text, REGION)

    options = {"liveType": "multi", "limit": 10, "musicId": args.music_id,
               "musicDiff": args.difficulty}
    if args.character is not None:
        options.update(liveType="challenge", challengeLiveCharacterId=args.character)
    if args.event_id is not None:
        options["eventId"] = args.event_id

    player = NativeUserData(region.user_text.encode())
    try:
        result = json.loads(engine.recommend(REGION, json.dumps(options), player))
    except (RuntimeError, ValueError) as refused:
        sys.exit(f"demo.py: the engine refused the request: {refusal(str(refused))}")
    # Without an event or a challenge the points mean nothing to the player,
    # and without an event neither does the event bonus, so they are left out.
    points = ("challenge points" if args.character is not None
              else "event points" if args.event_id is not None else None)
    bonus = args.event_id is not None

    print(f"request  {json.dumps(options)}")
    print(f"player   {len(region.owned)} cards", end="")
    if args.character is not None:
        print(f", {region.owned.count(args.character)} of character {args.character}", end="")
    print(f"\nsearched in {result['cost_ms']:.1f} ms")
    for rank, deck in enumerate(result["decks"][:3], 1):
        heading = f"\n#{rank}  live score {deck['live_score']}  total power {deck['total_power']}"
        if points:
            heading += f"  {points} {deck['score']}"
        if bonus:
            heading += f"  event bonus {deck['event_bonus_rate']:.1f} %"
        print(heading)
        print("        card  level  master  skill lv  power   skill up" + ("  bonus" if bonus else ""))
        for place, card in enumerate(deck["cards"]):
            role = "leader" if place == 0 else ""
            row = (f"{role:>6} {card['card_id']:>5}  {card['level']:>5}  {card['master_rank']:>6}  "
                   f"{card['skill_level']:>8}  {card['total_power']:>6}  "
                   f"{card['skill_score_up']:>7} %")
            if bonus:
                row += f"  {card['event_bonus_rate']:>4.1f} %"
            print(row)

if __name__ == "__main__":
    main()
