"""Cards and the tables that grow their power: cards.json with each card's
parameters per level (grouped lists or one row per level and parameter),
cardRarities.json, cardEpisodes.json, masterLessons.json and
cardMysekaiCanvasBonuses.json.
"""

from . import constants as c
from .skills import skill_id_of, special_training_skill_id_of
from .world import rng_for

# Rarity -> (power total at level 1, power total at the last level).
POWER_TOTALS = {
    "rarity_1": (1500, 4800),
    "rarity_2": (2400, 7800),
    "rarity_3": (3600, 14000),
    "rarity_4": (5200, 22500),
    "rarity_birthday": (4800, 20000),
}
# Per-rank master-lesson bonus and per-episode bonus, per parameter.
MASTER_LESSON_BONUS = {"rarity_1": 40, "rarity_2": 60, "rarity_3": 100, "rarity_4": 150, "rarity_birthday": 120}
EPISODE_BONUS = {"rarity_1": 30, "rarity_2": 60, "rarity_3": 100, "rarity_4": 150, "rarity_birthday": 150}
CANVAS_BONUS = {"rarity_1": 100, "rarity_2": 200, "rarity_3": 300, "rarity_4": 500, "rarity_birthday": 400}
SPECIAL_TRAINING_BONUS = {"rarity_3": (250, 400), "rarity_4": (400, 700)}
PARAMETER_TYPES = ("param1", "param2", "param3")


def level_cap(rarity):
    """The highest level a card of this rarity reaches."""
    max_level, training_max_level, _ = c.RARITIES[rarity]
    return training_max_level or max_level


def build_cards(world, seed):
    rows = []
    parameter_row_id = 0
    for card in world.cards:
        rng = rng_for(seed, f"card:{card.id}")
        row = {
            "id": card.id,
            "seq": card.id * 10,
            "characterId": card.character,
            "cardRarityType": card.rarity,
            "attr": card.attr,
            "supportUnit": card.support_unit,
            "skillId": skill_id_of(card),
        }
        if card.has_special_training_skill:
            row["specialTrainingSkillId"] = special_training_skill_id_of(card)
        asset = f"res{card.character:03d}_no{card.asset_seq:03d}"
        roll = rng.random()
        if roll >= 0.05:
            row["assetbundleName"] = asset
        elif roll >= 0.03:
            row["assetbundleName"] = None  # named from the card id, like an absent name
        if card.rarity in SPECIAL_TRAINING_BONUS:
            low, high = SPECIAL_TRAINING_BONUS[card.rarity]
            for k in (1, 2, 3):
                row[f"specialTrainingPower{k}BonusFixed"] = rng.randrange(low, high + 1, 10)
        params = _parameters_by_level(card, rng)
        if card.param_shape == "grouped":
            row["cardParameters"] = {name: [level[k] for level in params] for k, name in enumerate(PARAMETER_TYPES)}
        else:
            parameter_rows = []
            for level, values in enumerate(params, start=1):
                for name, power in zip(PARAMETER_TYPES, values):
                    parameter_row_id += 1
                    parameter_rows.append(
                        {
                            "id": parameter_row_id,
                            "cardId": card.id,
                            "cardLevel": level,
                            "cardParameterType": name,
                            "power": power,
                        }
                    )
            row["cardParameters"] = parameter_rows
        rows.append(row)
    return rows


def _parameters_by_level(card, rng):
    """(param1, param2, param3) for levels 1..cap, rising linearly."""
    low, high = POWER_TOTALS[card.rarity]
    spread = rng.uniform(0.95, 1.05)
    weights = [1.0 + 0.8 * rng.random() for _ in range(3)]
    weights = [w / sum(weights) for w in weights]
    cap = level_cap(card.rarity)
    levels = []
    for level in range(1, cap + 1):
        total = (low + (high - low) * (level - 1) / (cap - 1)) * spread
        levels.append(tuple(round(total * w) for w in weights))
    return levels


def build_card_rarities():
    rows = []
    for seq, (rarity, (max_level, training_max_level, max_skill_level)) in enumerate(c.RARITIES.items(), start=1):
        row = {"cardRarityType": rarity, "seq": seq, "maxLevel": max_level}
        if training_max_level is not None:
            row["trainingMaxLevel"] = training_max_level
        row["maxSkillLevel"] = max_skill_level
        rows.append(row)
    return rows


def episode_ids_of(card_id):
    """The card's episode ids, first part first."""
    first = (card_id - 1) * c.EPISODES_PER_CARD + 1
    return list(range(first, first + c.EPISODES_PER_CARD))


def build_card_episodes(world, seed):
    rows = []
    for card in world.cards:
        rng = rng_for(seed, f"episodes:{card.id}")
        base = EPISODE_BONUS[card.rarity]
        for part, episode_id in zip(("first_part", "second_part"), episode_ids_of(card.id)):
            bonus = [base + rng.choice((-10, 0, 10)) for _ in range(3)]
            rows.append(
                {
                    "id": episode_id,
                    "cardId": card.id,
                    "cardEpisodePartType": part,
                    "power1BonusFixed": bonus[0],
                    "power2BonusFixed": bonus[1],
                    "power3BonusFixed": bonus[2],
                }
            )
    return rows


def build_master_lessons():
    rows = []
    for rarity, per_rank in MASTER_LESSON_BONUS.items():
        for rank in range(1, c.MAX_MASTER_RANK + 1):
            bonus = per_rank + 10 * (rank - 1)
            rows.append(
                {
                    "cardRarityType": rarity,
                    "masterRank": rank,
                    "power1BonusFixed": bonus,
                    "power2BonusFixed": bonus,
                    "power3BonusFixed": bonus,
                }
            )
    return rows


def build_canvas_bonuses():
    return [
        {
            "id": seq,
            "cardRarityType": rarity,
            "power1BonusFixed": bonus,
            "power2BonusFixed": bonus,
            "power3BonusFixed": bonus,
        }
        for seq, (rarity, bonus) in enumerate(CANVAS_BONUS.items(), start=1)
    ]
