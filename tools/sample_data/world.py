"""The plan of one synthetic region: which characters each event features and
which cards exist, with their character, rarity, attribute and skill family.
Table builders turn this plan into rows; deciding it once here keeps cards,
skills, event bonuses and the player consistent with each other.
"""

from dataclasses import dataclass, field
import random

from . import constants as c

PARAM_SHAPES = ("mixed", "grouped", "rows")
BIRTHDAY_SHARE = 0.08
SPECIAL_TRAINING_SKILL_SHARE = 0.3
DIFF_SKILL_SHARE = 0.4  # virtual singers' rarity-4 skills that reward mixed units
FIRST_EVENT_WITH_SPECIAL_TRAINING_SKILLS = 100

# Skill families by rarity, with their weights. The families are defined in
# skills.py; generic families map to shared skill ids.
SKILL_FAMILIES = {
    "rarity_1": {"generic_score_low": 1},
    "rarity_2": {"generic_score": 3, "generic_life": 2, "generic_judgment": 1, "generic_mixed": 2},
    "rarity_3": {"score": 4, "life_score": 2, "judgment_score": 1, "condition_life": 1},
    "rarity_4": {
        "score": 3,
        "keep": 1,
        "life_score": 2,
        "condition_life": 1,
        "enhance": 3,
        "character_rank": 1,
        "reference": 1,
        "judgment_score": 1,
    },
    "rarity_birthday": {"score": 2, "life_score": 1, "enhance": 1},
}


@dataclass
class EventPlan:
    id: int
    type: str
    attr: str | None
    unit: str | None
    # (character id, unit the character stands for, or None for its home unit)
    characters: list = field(default_factory=list)


@dataclass
class CardPlan:
    id: int
    character: int
    support_unit: str  # "none" unless a virtual singer supports a band unit
    rarity: str
    attr: str
    release_event: int | None  # None for birthday cards
    skill_family: str
    has_special_training_skill: bool
    param_shape: str  # "grouped" or "rows"
    asset_seq: int  # running number of the character's cards


@dataclass
class World:
    events: list
    cards: list

    def cards_of_event(self, event_id):
        return [card for card in self.cards if card.release_event == event_id]


def rng_for(seed, topic):
    """A generator of its own for each topic, so that a change in one table
    leaves the values of the others as they were."""
    return random.Random(f"{seed}:{topic}")


def plan_world(seed, card_count, param_shape="mixed"):
    events = [_plan_event(event_id, rng_for(seed, f"event:{event_id}")) for event_id in c.event_ids()]
    cards = _plan_cards(seed, card_count, events, param_shape)
    return World(events=events, cards=cards)


def _plan_event(event_id, rng):
    kind = c.event_type(event_id)
    if event_id == c.FINAL_CHAPTER_EVENT_ID:
        return EventPlan(event_id, kind, None, None, [(ch, None) for ch in range(1, c.CHARACTER_COUNT + 1)])
    if kind == "world_bloom":
        unit = c.WORLD_BLOOM_EVENTS[event_id]
        return EventPlan(event_id, kind, None, unit, _unit_cast(unit, rng))
    attr = rng.choice(c.ATTRS)
    cycle = (event_id - 1) % (len(c.UNITS) + 1)
    if cycle < len(c.UNITS):
        unit = c.UNITS[cycle]
        return EventPlan(event_id, kind, attr, unit, _unit_cast(unit, rng))
    # A mixed event: four band members from anywhere and one virtual singer.
    band = rng.sample(range(1, 21), 4)
    singer = rng.choice(c.VIRTUAL_SINGERS)
    return EventPlan(event_id, kind, attr, None, [(ch, None) for ch in sorted(band)] + [(singer, None)])


def _unit_cast(unit, rng):
    """The featured characters of a unit's event: its members, plus two
    virtual singers as supporters when it is a band unit."""
    members = [(ch, None) for ch in c.unit_members(unit)]
    if unit == c.VIRTUAL_SINGER_UNIT:
        return members
    singers = sorted(rng.sample(c.VIRTUAL_SINGERS, 2))
    return members + [(ch, unit) for ch in singers]


def _plan_cards(seed, card_count, events, param_shape):
    rng = rng_for(seed, "cards")
    # Each event's cards start at a random member of its cast, so that small
    # regions still see every kind of featured character.
    next_member = {e.id: rng.randrange(len(e.characters)) for e in events}
    asset_seq = {ch: 0 for ch in range(1, c.CHARACTER_COUNT + 1)}
    cards = []
    for index in range(card_count):
        card_id = index + 1
        event = events[index * len(events) // card_count]
        if index >= card_count // 20 and rng.random() < BIRTHDAY_SHARE:
            character = rng.randint(1, c.CHARACTER_COUNT)
            support_unit, rarity, release = "none", "rarity_birthday", None
            attr = rng.choice(c.ATTRS)
        else:
            character, unit = event.characters[next_member[event.id] % len(event.characters)]
            next_member[event.id] += 1
            support_unit = _support_unit(character, unit, event, rng)
            rarity = _event_card_rarity(event.id, rng)
            release = event.id
            attr = event.attr if event.attr and rng.random() < 0.6 else rng.choice(c.ATTRS)
        asset_seq[character] += 1
        family = _weighted_choice(rng, SKILL_FAMILIES[rarity])
        if rarity == "rarity_4" and character in c.VIRTUAL_SINGERS and rng.random() < DIFF_SKILL_SHARE:
            family = "diff"
        has_st_skill = (
            rarity == "rarity_4"
            and (release or 0) >= FIRST_EVENT_WITH_SPECIAL_TRAINING_SKILLS
            and rng.random() < SPECIAL_TRAINING_SKILL_SHARE
        )
        cards.append(
            CardPlan(
                id=card_id,
                character=character,
                support_unit=support_unit,
                rarity=rarity,
                attr=attr,
                release_event=release,
                skill_family=family,
                has_special_training_skill=has_st_skill,
                param_shape=_param_shape(param_shape, card_id),
                asset_seq=asset_seq[character],
            )
        )
    return cards


def _support_unit(character, unit, event, rng):
    if character not in c.VIRTUAL_SINGERS:
        return "none"
    if unit is not None:
        return unit
    if event.unit == c.VIRTUAL_SINGER_UNIT or event.id == c.FINAL_CHAPTER_EVENT_ID:
        return "none"
    return rng.choice(c.BAND_UNITS + ("none",))


def _event_card_rarity(event_id, rng):
    if event_id <= 10:
        return _weighted_choice(rng, {"rarity_1": 3, "rarity_2": 4, "rarity_3": 3})
    return _weighted_choice(rng, {"rarity_2": 15, "rarity_3": 35, "rarity_4": 40})


def _param_shape(mode, card_id):
    if mode != "mixed":
        return mode
    # One card in four lists its parameters as rows, the others grouped.
    return "rows" if card_id % 4 == 3 else "grouped"


def _weighted_choice(rng, weights):
    names = [name for name, weight in weights.items() if weight > 0]
    return rng.choices(names, weights=[weights[n] for n in names])[0]
