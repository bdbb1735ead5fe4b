"""World Bloom tables: the chapters of each World Bloom event
(worldBlooms.json), the three support-deck bonus tables and the older
single table, and the per-card limited support bonuses of each event.
"""

import struct

from . import constants as c

# Support-deck bonus tables per turn. Each rarity row holds the rates for the
# chapter's own character ("specific") and for the others, for master ranks
# 0..5 and for skill levels 1..4, in percent.
SUPPORT_TABLES = {
    1: {
        "rarity_1": (6, 1, (0, 0.1, 0.2, 0.3, 0.4, 0.5), (0, 0.05, 0.2, 0.5)),
        "rarity_2": (7, 2, (0, 0.2, 0.4, 0.6, 0.8, 1), (0, 0.1, 0.4, 1)),
        "rarity_3": (8, 3, (0, 0.3, 0.6, 0.9, 1.2, 1.5), (0, 0.15, 0.6, 1.5)),
        "rarity_4": (15, 10, (0, 0.5, 1, 1.5, 2, 2.5), (0, 0.25, 1, 2.5)),
        "rarity_birthday": (10, 5, (0, 0.4, 0.8, 1.2, 1.6, 2), (0, 0.2, 0.8, 2)),
    },
    2: {
        "rarity_1": (5.5, 0.5, (0, 0.1, 0.1, 0.2, 0.2, 0.3), (0, 0.05, 0.1, 0.3)),
        "rarity_2": (6, 1, (0, 0.2, 0.2, 0.3, 0.4, 0.5), (0, 0.1, 0.2, 0.5)),
        "rarity_3": (7, 2, (0, 0.3, 0.4, 0.6, 0.8, 1), (0, 0.15, 0.4, 1)),
        "rarity_4": (12.5, 7.5, (0, 0.5, 1, 1.5, 2, 2.5), (0, 0.25, 1, 2.5)),
        "rarity_birthday": (10, 5, (0, 0.4, 0.8, 1.2, 1.6, 2), (0, 0.2, 0.8, 2)),
    },
    3: {
        "rarity_1": (5.5, 0.5, (0, 0.1, 0.1, 0.2, 0.2, 0.3), (0, 0.05, 0.1, 0.3)),
        "rarity_2": (6, 1, (0, 0.2, 0.2, 0.3, 0.4, 0.5), (0, 0.1, 0.2, 0.5)),
        "rarity_3": (6.5, 1.5, (0, 0.3, 0.4, 0.6, 0.8, 1), (0, 0.15, 0.4, 1)),
        "rarity_4": (12, 7, (0, 0.5, 1, 1.5, 2, 2.5), (0, 0.25, 1, 2.5)),
        "rarity_birthday": (9.5, 4.5, (0, 0.4, 0.8, 1.2, 1.6, 2), (0, 0.2, 0.8, 2)),
    },
}
SUPPORT_TABLE_FILES = {
    1: "worldBloomSupportDeckBonusesWL1.json",
    2: "worldBloomSupportDeckBonusesWL2.json",
    3: "worldBloomSupportDeckBonusesWL3.json",
}
# The single table of older data holds the first turn's rates.
LEGACY_SUPPORT_TABLE_TURN = 1
LIMITED_SUPPORT_BONUS = {"rarity_4": 15.0}
DEFAULT_LIMITED_SUPPORT_BONUS = 5.0


def chapter_characters(event):
    """The chapter characters of a World Bloom event, in chapter order."""
    return [ch for ch, unit in event.characters if unit is None]


def build_world_blooms(world):
    rows = []
    for event in world.events:
        if event.type != "world_bloom":
            continue
        if event.id == c.FINAL_CHAPTER_EVENT_ID:
            # The final chapter belongs to no single character.
            rows.append({"id": len(rows) + 1, "eventId": event.id, "gameCharacterId": None, "chapterNo": 1})
            continue
        for chapter, character in enumerate(chapter_characters(event), start=1):
            rows.append({"id": len(rows) + 1, "eventId": event.id, "gameCharacterId": character, "chapterNo": chapter})
    return rows


def build_support_table(turn, integer_rates=()):
    """One support-deck bonus table. Nested rows carry an `id` as the game's
    do: 10000 + 100 * rarity position + row number, "others" being row 3.
    The character rates of the rarities in `integer_rates` stay integers."""
    rows = []
    for position, (rarity, (specific, others, ranks, levels)) in enumerate(SUPPORT_TABLES[turn].items(), start=1):
        base = 10000 + 100 * position
        character_rate = (lambda v: v) if rarity in integer_rates else _rate
        rows.append(
            {
                "cardRarityType": rarity,
                "worldBloomSupportDeckCharacterBonuses": [
                    _character_bonus(base + 1, "specific", character_rate(specific)),
                    _character_bonus(base + 3, "others", character_rate(others)),
                ],
                "worldBloomSupportDeckMasterRankBonuses": [
                    {"id": base + 1 + rank, "masterRank": rank, "bonusRate": _rate(value)}
                    for rank, value in enumerate(ranks)
                ],
                "worldBloomSupportDeckSkillLevelBonuses": [
                    {"id": base + level, "skillLevel": level, "bonusRate": _rate(value)}
                    for level, value in enumerate(levels, start=1)
                ],
            }
        )
    return rows


def _character_bonus(row_id, character_type, rate):
    return {"id": row_id, "worldBloomSupportDeckCharacterType": character_type, "bonusRate": rate}


def _rate(value):
    """The game stores these rates in single precision; write the double that
    single-precision value widens to."""
    return struct.unpack("<f", struct.pack("<f", float(value)))[0]


def build_support_tables():
    """File name -> table, for the three turns and the single older table."""
    tables = {name: build_support_table(turn) for turn, name in SUPPORT_TABLE_FILES.items()}
    # The third turn writes its rarity_4 character rates as plain integers.
    tables[SUPPORT_TABLE_FILES[3]] = build_support_table(3, integer_rates=("rarity_4",))
    tables["worldBloomSupportDeckBonuses.json"] = build_support_table(LEGACY_SUPPORT_TABLE_TURN)
    return tables


def build_unit_event_limited_bonuses(world):
    rows = []
    for event in world.events:
        if event.type != "world_bloom" or event.id == c.FINAL_CHAPTER_EVENT_ID:
            continue
        chapters = set(chapter_characters(event))
        for card in world.cards_of_event(event.id):
            if card.character in chapters:
                rows.append(
                    {
                        "eventId": event.id,
                        "gameCharacterId": card.character,
                        "cardId": card.id,
                        "bonusRate": LIMITED_SUPPORT_BONUS.get(card.rarity, DEFAULT_LIMITED_SUPPORT_BONUS),
                    }
                )
    return rows
