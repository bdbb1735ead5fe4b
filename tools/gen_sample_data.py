#!/usr/bin/env python3
"""Writes a synthetic sample region for demos, benchmarks and tests.

    python tools/gen_sample_data.py --out DIR [--cards 1500] [--user-cards 800] [--seed 1]
                                    [--param-shape mixed|grouped|rows]

DIR receives masterdata/*.json (every table the loader knows), music_metas.json,
music_score.json and user_data.json. The same arguments always give the same
bytes.
"""

import argparse
from pathlib import Path
import sys

sys.path.insert(0, str(Path(__file__).resolve().parent))

from sample_data.region import build_region, write_region  # noqa: E402
from sample_data.world import PARAM_SHAPES  # noqa: E402

# Card ids are 1..--cards; the engine keeps card ids in 16 bits, and skill ids
# are derived from card ids in ranges that must not meet.
MAX_CARDS = 65535
DEFAULT_USER_CARDS = 800


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True, help="directory to write the region into")
    parser.add_argument("--cards", type=int, default=1500, help="number of cards in the master data")
    parser.add_argument(
        "--user-cards", type=int, help=f"number of cards the player owns (default {DEFAULT_USER_CARDS}, at most --cards)"
    )
    parser.add_argument("--seed", type=int, default=1, help="seed of every random choice")
    parser.add_argument(
        "--param-shape",
        choices=PARAM_SHAPES,
        default="mixed",
        help="how cards list their parameters: grouped lists, rows, or a mix of both",
    )
    args = parser.parse_args(argv)
    if not 1 <= args.cards <= MAX_CARDS:
        parser.error(f"--cards must be between 1 and {MAX_CARDS}")
    if args.user_cards is None:
        args.user_cards = min(DEFAULT_USER_CARDS, args.cards)
    if not 0 <= args.user_cards <= args.cards:
        parser.error("--user-cards must be between 0 and --cards")
    existing = next(path for path in (Path(args.out), *Path(args.out).absolute().parents) if path.exists())
    if not existing.is_dir():
        parser.error(f"argument --out: {existing} is a file, not a directory")
    region = build_region(args.seed, args.cards, args.user_cards, args.param_shape)
    write_region(region, args.out)


if __name__ == "__main__":
    main()
