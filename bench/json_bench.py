"""Throughput of the JSON reader against Python's json.loads on the same text.

Generates a master-data-like card table of about 20 MB (cards whose
parameters come as one row per level and type, as the game's cards.json does),
runs the C++ bench program on it (build/release/json_bench: `cmake --build
build/release --target json_bench` after scripts/test.sh) and times
json.loads on the same text in the same run.

    python3 bench/json_bench.py [--megabytes 20] [--repeats 5] [--seed 1]
"""
import argparse
import json
import pathlib
import random
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parents[1]
BENCH = ROOT / "build" / "release" / "json_bench"
NAMES = ["ヴォラの灯り", "ゾヴォロ峠の風", "Lanterns Over Quorv", "ゼヌの花時計", "Velvet Ferrule Nine"]
UNITS = ["light_sound", "idol", "street", "theme_park", "school_refusal", "piapro"]
ATTRS = ["cool", "cute", "happy", "mysterious", "pure"]
RARITIES = ["rarity_1", "rarity_2", "rarity_3", "rarity_4", "rarity_birthday"]


def card(rng, card_id):
    levels = rng.choice([20, 30, 50, 60])
    parameters = []
    row_id = card_id * 1000
    for kind in ("param1", "param2", "param3"):
        power = rng.randint(100, 2000)
        for level in range(1, levels + 1):
            row_id += 1
            power += rng.randint(5, 60)
            parameters.append({"id": row_id, "cardId": card_id, "cardLevel": level,
                               "cardParameterType": kind, "power": power})
    return {
        "id": card_id,
        "seq": card_id * 10,
        "characterId": rng.randint(1, 26),
        "cardRarityType": rng.choice(RARITIES),
        "specialTrainingPower1BonusFixed": rng.choice([0, 250, 400]),
        "specialTrainingPower2BonusFixed": rng.choice([0, 250, 400]),
        "specialTrainingPower3BonusFixed": rng.choice([0, 250, 400]),
        "attr": rng.choice(ATTRS),
        "supportUnit": rng.choice(UNITS + ["none"]),
        "skillId": rng.randint(1, 2000),
        "cardSkillName": rng.choice(NAMES),
        "prefix": rng.choice(NAMES),
        "assetbundleName": "res%03d_no%03d" % (rng.randint(1, 26), card_id % 1000),
        "gachaPhrase": rng.choice(NAMES) + "！",
        "archiveDisplayType": "normal",
        "releaseAt": 1600000000000 + card_id * 86400000,
        "cardParameters": parameters,
        "specialTrainingCosts": [{"cardId": card_id, "seq": 1,
                                  "cost": {"resourceId": 1, "resourceType": "material",
                                           "resourceLevel": None, "quantity": 20}}],
    }


def table(megabytes, seed):
    rng = random.Random(seed)
    rows, size = [], 0
    while size < megabytes * 1_000_000:
        row = json.dumps(card(rng, len(rows) + 1), ensure_ascii=False, separators=(",", ":"))
        rows.append(row)
        size += len(row.encode()) + 1
    return "[" + ",".join(rows) + "]"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--megabytes", type=float, default=20)
    parser.add_argument("--repeats", type=int, default=5)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    if not BENCH.exists():
        sys.exit(f"{BENCH} is missing: cmake --build build/release --target json_bench")

    text = table(args.megabytes, args.seed)
    data = text.encode()
    with tempfile.NamedTemporaryFile(suffix=".json") as file:
        file.write(data)
        file.flush()
        run = subprocess.run([str(BENCH), file.name, str(args.repeats)], check=True,
                             capture_output=True, text=True)
    ours = json.loads(run.stdout)

    best = float("inf")
    for _ in range(args.repeats):
        start = time.perf_counter()
        json.loads(text)
        best = min(best, time.perf_counter() - start)
    python_mb_s = len(data) / 1e6 / best

    print(f"table: {len(data) / 1e6:.1f} MB, best of {args.repeats}")
    print(f"{'reader':<40}{'MB/s':>10}{'vs json.loads':>16}")
    for label, key in (("typed rows", "typed_mb_s"),
                       ("typed rows, two-shape parameters", "shapes_mb_s"),
                       ("generic values", "generic_mb_s")):
        print(f"{label:<40}{ours[key]:>10.1f}{ours[key] / python_mb_s:>15.1f}x")
    print(f"{'python json.loads':<40}{python_mb_s:>10.1f}{1:>15.1f}x")


if __name__ == "__main__":
    main()
