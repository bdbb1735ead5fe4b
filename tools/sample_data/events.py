"""Events and their bonus tables: events.json, eventCards.json,
eventDeckBonuses.json, the per-event limits, the final chapter's leader
honor bonuses, the rarity bonus rates and the World Bloom attribute-variety
bonuses.
"""

from . import constants as c
from .honors import leader_honor_ids

ATTR_BONUS = 25.0
CHARACTER_BONUS = 25.0
BOTH_BONUS = 50.0
EVENT_CARD_BONUS = {"rarity_4": 20.0, "rarity_3": 10.0, "rarity_2": 10.0, "rarity_1": 5.0}
FINAL_CHAPTER_LEADER_BONUS = 10.0
FIRST_LIMITED_EVENT = 100  # events from here on limit the members whose card bonus counts
MEMBER_COUNT_LIMIT = 5
# The final chapter counts its event cards' bonus for fewer members in most
# regions, by seed: 2 for the default seed 1, then 1, 4, 3 and 5.
FINAL_CHAPTER_MEMBER_COUNT_LIMITS = (5, 2, 1, 4, 3)
WORLD_BLOOM_SKILL_SCORE_UP_LIMIT = 140
REGULAR_SKILL_SCORE_UP_LIMIT = 130
FIRST_FIXTURE_LIMITED_EVENT = 150
FIXTURE_BONUS_RATE_LIMIT = 150  # tenths of a percent
DIFFERENT_ATTRIBUTE_BONUSES = ((1, 0.0), (2, 3.0), (3, 6.0), (4, 9.5), (5, 15.0))
# Rarity -> bonus rate (percent) for master ranks 0..5.
RARITY_BONUS_RATES = {
    "rarity_1": (0.0, 0.0, 0.0, 0.0, 0.0, 0.0),
    "rarity_2": (0.05, 0.1, 0.15, 0.2, 0.25, 0.5),
    "rarity_3": (1.0, 1.25, 1.5, 1.75, 2.0, 2.25),
    "rarity_4": (10.0, 12.5, 15.0, 17.5, 20.0, 25.0),
    "rarity_birthday": (5.0, 7.5, 10.0, 12.5, 15.0, 20.0),
}


def build_events(world):
    return [{"id": e.id, "eventType": e.type, "assetbundleName": f"event_{e.id:06d}"} for e in world.events]


def build_event_cards(world):
    rows = []
    for event in world.events:
        leader_bonus = FINAL_CHAPTER_LEADER_BONUS if event.id == c.FINAL_CHAPTER_EVENT_ID else 0.0
        for card in world.cards_of_event(event.id):
            rows.append(
                {
                    "id": len(rows) + 1,
                    "cardId": card.id,
                    "eventId": event.id,
                    "bonusRate": EVENT_CARD_BONUS[card.rarity],
                    "leaderBonusRate": leader_bonus,
                }
            )
    return rows


def build_event_deck_bonuses(world):
    rows = []

    def add(event_id, bonus_rate, unit_row=None, attr=None):
        row = {"id": len(rows) + 1, "eventId": event_id}
        if unit_row is not None:
            row["gameCharacterUnitId"] = unit_row
        if attr is not None:
            row["cardAttr"] = attr
        row["bonusRate"] = bonus_rate
        rows.append(row)

    for event in world.events:
        unit_rows = [c.character_unit_row_id(ch, unit) for ch, unit in event.characters]
        if event.attr is None:
            # World Bloom chapters reward characters only.
            for unit_row in unit_rows:
                add(event.id, CHARACTER_BONUS, unit_row=unit_row)
            continue
        add(event.id, ATTR_BONUS, attr=event.attr)
        for unit_row in unit_rows:
            add(event.id, CHARACTER_BONUS, unit_row=unit_row)
            add(event.id, BOTH_BONUS, unit_row=unit_row, attr=event.attr)
    return rows


def build_event_card_bonus_limits(world, seed):
    final_chapter = FINAL_CHAPTER_MEMBER_COUNT_LIMITS[seed % len(FINAL_CHAPTER_MEMBER_COUNT_LIMITS)]
    return [
        {
            "eventId": e.id,
            "memberCountLimit": final_chapter if e.id == c.FINAL_CHAPTER_EVENT_ID else MEMBER_COUNT_LIMIT,
        }
        for e in world.events
        if e.id >= FIRST_LIMITED_EVENT
    ]


def build_event_honor_bonuses():
    """The final chapter rewards leading with a character whose honor the
    player holds."""
    return [
        {
            "id": character,
            "eventId": c.FINAL_CHAPTER_EVENT_ID,
            "honorId": honor_id,
            "leaderGameCharacterId": character,
            "bonusRate": 5 + 5 * (character % 3),
        }
        for character, honor_id in leader_honor_ids().items()
    ]


def build_event_skill_score_up_limits(world):
    rows = []
    for event in world.events:
        if event.type == "world_bloom" and event.id > c.WORLD_BLOOM_FIRST_TURN_LAST_ID:
            rows.append({"eventId": event.id, "scoreUpRateLimit": WORLD_BLOOM_SKILL_SCORE_UP_LIMIT})
        elif event.type != "world_bloom" and event.id >= 150 and event.id % 10 == 0:
            rows.append({"eventId": event.id, "scoreUpRateLimit": REGULAR_SKILL_SCORE_UP_LIMIT})
    return rows


def build_fixture_bonus_limits(world):
    return [
        {"eventId": e.id, "bonusRateLimit": FIXTURE_BONUS_RATE_LIMIT}
        for e in world.events
        if e.id >= FIRST_FIXTURE_LIMITED_EVENT
    ]


def build_different_attribute_bonuses():
    return [{"attributeCount": count, "bonusRate": rate} for count, rate in DIFFERENT_ATTRIBUTE_BONUSES]


def build_rarity_bonus_rates():
    rows = []
    for rarity, rates in RARITY_BONUS_RATES.items():
        for rank, rate in enumerate(rates):
            rows.append({"id": len(rows) + 1, "cardRarityType": rarity, "masterRank": rank, "bonusRate": rate})
    return rows
