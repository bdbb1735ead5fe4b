"""Honors (honors.json) with their per-level power bonus, and the bonds
honors (bondsHonors.json) that pair two characters of one unit.
"""

from itertools import combinations

from . import constants as c

GENERAL_HONOR_COUNT = 200
BONUS_HONOR_EVERY = 5  # every fifth general honor raises deck power
HONOR_LEVELS = 4
LEADER_HONOR_BASE = 1000  # honor 1000 + character id: the final chapter's leader honors
BONDS_HONOR_BASE = 5000


def leader_honor_ids():
    """Character id -> the honor that rewards leading with that character."""
    return {ch: LEADER_HONOR_BASE + ch for ch in range(1, c.CHARACTER_COUNT + 1)}


def honor_has_bonus(honor_id):
    return honor_id <= GENERAL_HONOR_COUNT and honor_id % BONUS_HONOR_EVERY == 0


def honor_has_levels(honor_id):
    """A few honors list no levels at all; nobody holds them."""
    return honor_has_bonus(honor_id) or honor_id % 7 != 0


def general_honor_ids():
    return list(range(1, GENERAL_HONOR_COUNT + 1))


def build_honors():
    rows = []
    for honor_id in general_honor_ids():
        row = {"id": honor_id, "seq": honor_id, "honorRarity": ("low", "middle", "high")[honor_id % 3]}
        if honor_has_bonus(honor_id):
            row["levels"] = [{"level": lv, "bonus": 10 * lv} for lv in range(1, HONOR_LEVELS + 1)]
        elif honor_has_levels(honor_id):
            row["levels"] = [{"level": 1}]
        rows.append(row)
    for honor_id in leader_honor_ids().values():
        rows.append({"id": honor_id, "seq": honor_id, "honorRarity": "highest", "levels": [{"level": 1, "bonus": 0}]})
    return rows


def build_bonds_honors():
    rows = []
    for unit in c.UNITS:
        for first, second in combinations(c.unit_members(unit), 2):
            rows.append(
                {
                    "id": BONDS_HONOR_BASE + len(rows) + 1,
                    "gameCharacterUnitId1": c.character_unit_row_id(first),
                    "gameCharacterUnitId2": c.character_unit_row_id(second),
                }
            )
    return rows
