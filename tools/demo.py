#!/usr/bin/env python3
"""Recommends the best challenge-live deck for the sample player.

    python tools/demo.py [--character N] [--event-id N] [--music-id 1] [--difficulty master]
                         [--seed 1]

Generates the synthetic sample region into a temporary directory, loads its
master data and music metas, and asks `recommend` for the best five-card deck
of one character on a challenge live of one song (by default the character
the player owns the most cards of), then prints the deck readably."""

import argparse
import json
from pathlib import Path
import subprocess
import sys
import tempfile

from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData

GENERATOR = Path(__file__).resolve().parent / "gen_sample_data.py"
REGION = "sample"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--character", type=int, help="challenge-live character id (1..26)")
    parser.add_argument("--event-id", type=int, help="event of the request (default: none)")
    parser.add_argument("--music-id", type=int, default=1, help="song of the live")
    parser.add_argument("--difficulty", default="master", help="difficulty of the song")
    parser.add_argument("--seed", type=int, default=1, help="seed of the generated region")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as out:
        subprocess.run([sys.executable, str(GENERATOR), "--out", out, "--seed", str(args.seed)],
                       check=True)
        engine = NativeEngine()
        engine.update_masterdata(str(Path(out) / "masterdata"), REGION)
        engine.update_musicmetas((Path(out) / "music_metas.json").read_text(), REGION)
        user_text = (Path(out) / "user_data.json").read_text()
        cards = json.loads((Path(out) / "masterdata" / "cards.json").read_text())

    character_of = {card["id"]: card["characterId"] for card in cards}
    owned = [character_of[card["cardId"]] for card in json.loads(user_text)["userCards"]]
    character = args.character or max(set(owned), key=owned.count)
    options = {"liveType": "challenge", "challengeLiveCharacterId": character, "limit": 1,
               "musicId": args.music_id, "musicDiff": args.difficulty}
    if args.event_id is not None:
        options["eventId"] = args.event_id

    player = NativeUserData(user_text.encode())
    result = json.loads(engine.recommend(REGION, json.dumps(options), player))
    deck = result["decks"][0]

    print(f"request  {json.dumps(options)}")
    print(f"player   {len(owned)} cards, {owned.count(character)} of character {character}")
    print(f"searched in {result['cost_ms']:.1f} ms\n")
    print("        card  level  master  skill lv  power   skill up  bonus")
    for place, card in enumerate(deck["cards"]):
        role = "leader" if place == 0 else ""
        print(f"{role:>6} {card['card_id']:>5}  {card['level']:>5}  {card['master_rank']:>6}  "
              f"{card['skill_level']:>8}  {card['total_power']:>6}  {card['skill_score_up']:>7} %"
              f"  {card['event_bonus_rate']:>4.1f} %")
    print(f"\ntotal power          {deck['total_power']}")
    print(f"live score           {deck['live_score']}")
    print(f"challenge points     {deck['score']}")
    print(f"multi live score up  {deck['multi_live_score_up']:.1f} %")
    print(f"event bonus          {deck['event_bonus_rate']:.1f} %")


if __name__ == "__main__":
    main()
