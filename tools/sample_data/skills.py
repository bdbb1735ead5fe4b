"""skills.json: shared skills for the low rarities, one skill of its own for
every card of rarity 3 and up, and a second skill for the cards that change
skill when special-trained. Together they use every effect type the loader
knows, enhancements with and without a unit condition, and one type it does
not know ("judgment_up"), whose levels carry no score.
"""

from . import constants as c
from .world import rng_for

# Shared skills of rarity 1 and 2 cards: family -> skill id.
GENERIC_SKILL_IDS = {
    "generic_score_low": 1,
    "generic_score": 2,
    "generic_life": 3,
    "generic_judgment": 4,
    "generic_mixed": 5,
}
UNIQUE_SKILL_ID_BASE = 100000
SPECIAL_TRAINING_SKILL_ID_BASE = 200000
SKILL_LEVELS = (1, 2, 3, 4)
LEVEL_STEPS = (0, 1, 2, 4)  # value growth per skill level, in steps
CHARACTER_RANK_THRESHOLDS = (10, 30, 50, 80, 120)


def skill_id_of(card):
    if card.skill_family in GENERIC_SKILL_IDS:
        return GENERIC_SKILL_IDS[card.skill_family]
    return UNIQUE_SKILL_ID_BASE + card.id


def special_training_skill_id_of(card):
    return SPECIAL_TRAINING_SKILL_ID_BASE + card.id if card.has_special_training_skill else None


def build_skills(world, seed):
    rows = [_generic_skill(family, skill_id) for family, skill_id in GENERIC_SKILL_IDS.items()]
    unique = [card for card in world.cards if card.skill_family not in GENERIC_SKILL_IDS]
    for card in unique:
        rng = rng_for(seed, f"skill:{card.id}")
        rows.append(_skill(skill_id_of(card), card.skill_family, _card_effects(card, rng)))
    for card in world.cards:
        if card.has_special_training_skill:
            rng = rng_for(seed, f"special-training-skill:{card.id}")
            effects = [_effect("score_up", _levels(rng.randint(22, 26) * 5, 5))]
            rows.append(_skill(special_training_skill_id_of(card), "special_training", effects))
    return rows


def _generic_skill(family, skill_id):
    effects = {
        "generic_score_low": [_effect("score_up", _levels(20, 5))],
        "generic_score": [_effect("score_up", _levels(30, 5))],
        "generic_life": [_effect("life_recovery", _levels(250, 50))],
        "generic_judgment": [_effect("judgment_up", _levels(4, 1))],
        "generic_mixed": [_effect("score_up", _levels(20, 5)), _effect("life_recovery", _levels(200, 50))],
    }[family]
    return _skill(skill_id, family, effects)


def _card_effects(card, rng):
    """The effects of a card's own skill; values grow with the rarity."""
    strength = {"rarity_3": 60, "rarity_4": 100, "rarity_birthday": 85}[card.rarity]
    family = card.skill_family
    if family == "score":
        return [_effect("score_up", _levels(strength + rng.randint(0, 2) * 5, 5))]
    if family == "keep":
        return [
            _effect("score_up", _levels(strength - 20, 5)),
            _effect("score_up_keep", _levels(strength - 10, 5)),
        ]
    if family == "life_score":
        return [
            _effect("life_recovery", _levels(rng.choice((300, 350, 400)), 50)),
            _effect("score_up", _levels(strength - 20, 5)),
        ]
    if family == "condition_life":
        return [
            _effect("score_up", _levels(strength - 20, 5)),
            _effect("score_up_condition_life", _levels(strength, 5)),
        ]
    if family == "judgment_score":
        return [_effect("judgment_up", _levels(5, 1)), _effect("score_up", _levels(strength - 10, 5))]
    if family == "enhance":
        # One enhancement in five names no unit: the skill then counts the
        # unit of the first card that carries it.
        unit = None if rng.random() < 0.2 else _card_unit(card)
        return [_effect("score_up", _levels(strength - 30, 5), enhance=(rng.choice((5, 10)), unit))]
    if family == "diff":
        return [
            _effect("score_up", _levels(strength - 10, 5)),
            _effect("score_up_unit_count", _levels(20, 5), activateUnitCount=2),
            _effect("score_up_unit_count", _levels(10, 5), activateUnitCount=1),
        ]
    if family == "character_rank":
        effects = [_effect("score_up", _levels(strength, 5))]
        for step, rank in enumerate(CHARACTER_RANK_THRESHOLDS, start=1):
            effects.append(_effect("score_up_character_rank", _levels(4 * step, 1), activateCharacterRank=rank))
        return effects
    if family == "reference":
        return [
            _effect("score_up", _levels(strength - 40, 5)),
            _effect(
                "other_member_score_up_reference_rate",
                _levels(rng.choice((90, 100)), 5),
                second_values=_levels(rng.choice((50, 60)), 5),
            ),
        ]
    raise ValueError(f"unknown skill family {family}")


def _card_unit(card):
    if card.character in c.VIRTUAL_SINGERS and card.support_unit != "none":
        return card.support_unit
    return c.unit_of_character(card.character)


def _levels(base, step):
    return [base + step * k for k in LEVEL_STEPS]


def _skill(skill_id, family, effects):
    return {"id": skill_id, "descriptionSpriteName": family, "skillEffects": effects}


def _effect(effect_type, values, enhance=None, second_values=None, **condition):
    details = []
    for index, (level, value) in enumerate(zip(SKILL_LEVELS, values)):
        detail = {"level": level, "activateEffectDuration": 5, "activateEffectValue": value}
        if second_values is not None:
            detail["activateEffectValue2"] = second_values[index]
        details.append(detail)
    effect = {"skillEffectType": effect_type, **condition}
    if enhance is not None:
        value, unit = enhance
        effect["skillEnhance"] = {"skillEnhanceType": "sub_unit_score_up", "activateEffectValue": value}
        if unit is not None:
            effect["skillEnhance"]["skillEnhanceCondition"] = {"unit": unit}
    effect["skillEffectDetails"] = details
    return effect
