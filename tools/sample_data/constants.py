"""Fixed facts of the synthetic game world: table names, characters, units,
rarities and the event calendar. Every table builder reads from here, so the
tables agree with each other without passing these facts around.
"""

# Master-data table names, exactly as the loader looks them up.
REQUIRED_TABLES = (
    "gameCharacterUnits.json",
    "cards.json",
    "events.json",
    "cardRarities.json",
    "cardEpisodes.json",
    "masterLessons.json",
    "skills.json",
    "areaItemLevels.json",
    "characterRanks.json",
    "cardMysekaiCanvasBonuses.json",
    "eventCards.json",
    "eventDeckBonuses.json",
    "eventCardBonusLimits.json",
    "eventHonorBonuses.json",
    "worldBloomDifferentAttributeBonuses.json",
    "eventSkillScoreUpLimits.json",
    "eventRarityBonusRates.json",
)
OPTIONAL_TABLES = (
    "mysekaiGates.json",
    "mysekaiGateLevels.json",
    "worldBlooms.json",
    "worldBloomSupportDeckBonusesWL1.json",
    "worldBloomSupportDeckBonusesWL2.json",
    "worldBloomSupportDeckBonusesWL3.json",
    "worldBloomSupportDeckBonuses.json",
    "worldBloomSupportDeckUnitEventLimitedBonuses.json",
    "eventMysekaiFixtureGameCharacterPerformanceBonusLimits.json",
    "honors.json",
    "bondsHonors.json",
    "areas.json",
    "areaItems.json",
    "shopItems.json",
    "ingameNotes.json",
    "ingameCombos.json",
)
ALL_TABLES = REQUIRED_TABLES + OPTIONAL_TABLES

MUSIC_METAS_FILE = "music_metas.json"
USER_DATA_FILE = "user_data.json"
MUSIC_SCORE_FILE = "music_score.json"

# The six units in game order; characters 1-20 belong four to a unit, the
# virtual singers 21-26 to "piapro" and, through extra unit rows, to the
# other five units as supporters.
UNITS = ("light_sound", "idol", "street", "theme_park", "school_refusal", "piapro")
BAND_UNITS = UNITS[:5]
VIRTUAL_SINGER_UNIT = "piapro"
CHARACTER_COUNT = 26
VIRTUAL_SINGERS = tuple(range(21, 27))

ATTRS = ("cool", "cute", "happy", "pure", "mysterious")

# Rarity text -> (max level, level cap after special training or None,
# max skill level). Cards of rarity 3 and 4 can be special-trained.
RARITIES = {
    "rarity_1": (20, None, 4),
    "rarity_2": (30, None, 4),
    "rarity_3": (40, 50, 4),
    "rarity_4": (50, 60, 4),
    "rarity_birthday": (60, None, 4),
}
TRAINABLE_RARITIES = ("rarity_3", "rarity_4")
MAX_MASTER_RANK = 5
EPISODES_PER_CARD = 2

# Event calendar. Regular events run 1..REGULAR_EVENT_LAST; World Bloom
# chapters take some of those ids, the final chapter is 180, and two events
# with ids above 1000 carry their World Bloom turn in the id itself.
REGULAR_EVENT_LAST = 190
FINAL_CHAPTER_EVENT_ID = 180
WORLD_BLOOM_FIRST_TURN_LAST_ID = 140
WORLD_BLOOM_EVENTS = {
    # event id -> unit of the chapter characters
    112: "light_sound",
    117: "idol",
    122: "street",
    127: "theme_park",
    132: "school_refusal",
    137: "piapro",
    146: "light_sound",
    151: "idol",
    156: "street",
    161: "theme_park",
    166: "school_refusal",
    171: "piapro",
    1001: "light_sound",
    200001: "idol",
}
CHEERFUL_EVERY = 6  # every sixth regular event is a cheerful carnival


def unit_of_character(character_id):
    """The character's home unit."""
    if character_id in VIRTUAL_SINGERS:
        return VIRTUAL_SINGER_UNIT
    return BAND_UNITS[(character_id - 1) // 4]


def unit_members(unit):
    """Characters whose home unit is `unit`, in id order."""
    return [c for c in range(1, CHARACTER_COUNT + 1) if unit_of_character(c) == unit]


def character_unit_row_id(character_id, unit=None):
    """Id of the gameCharacterUnits row of a character in a unit.

    Rows 1-26 are each character's home unit; rows 27-56 are the virtual
    singers as supporters of the five band units.
    """
    if unit is None or unit == unit_of_character(character_id):
        return character_id
    assert character_id in VIRTUAL_SINGERS and unit in BAND_UNITS
    return 27 + (character_id - 21) * len(BAND_UNITS) + BAND_UNITS.index(unit)


def event_type(event_id):
    if event_id in WORLD_BLOOM_EVENTS or event_id == FINAL_CHAPTER_EVENT_ID:
        return "world_bloom"
    if event_id % CHEERFUL_EVERY == 4:
        return "cheerful_carnival"
    return "marathon"


def event_ids():
    """Every event id, ascending."""
    extra = sorted(e for e in WORLD_BLOOM_EVENTS if e > REGULAR_EVENT_LAST)
    return list(range(1, REGULAR_EVENT_LAST + 1)) + extra
