"""The characters' unit rows (gameCharacterUnits.json), the character-rank
power bonuses (characterRanks.json) and the mysekai gates with their levels.
"""

from . import constants as c

MAX_CHARACTER_RANK = 150
CHARACTER_RANK_RATE_STEP = 0.03  # percent of power per character rank
GATE_MAX_LEVEL = 40
GATE_RATE_STEP = 0.1  # percent of power per gate level


def build_game_character_units():
    """Home units first (row id = character id), then the virtual singers as
    supporters of each band unit."""
    rows = [
        {"id": ch, "gameCharacterId": ch, "unit": c.unit_of_character(ch)}
        for ch in range(1, c.CHARACTER_COUNT + 1)
    ]
    for singer in c.VIRTUAL_SINGERS:
        for unit in c.BAND_UNITS:
            rows.append({"id": c.character_unit_row_id(singer, unit), "gameCharacterId": singer, "unit": unit})
    return rows


def build_character_ranks():
    return [
        {
            "characterRank": rank,
            "characterRankAchieveResourceSize": rank // 10,
            "power1BonusRate": round(CHARACTER_RANK_RATE_STEP * rank, 2),
        }
        for rank in range(1, MAX_CHARACTER_RANK + 1)
    ]


def build_mysekai_gates():
    return [{"id": gate_id, "unit": unit} for gate_id, unit in enumerate(c.BAND_UNITS, start=1)]


def build_mysekai_gate_levels():
    return [
        {"mysekaiGateId": gate_id, "level": level, "powerBonusRate": round(GATE_RATE_STEP * level, 1)}
        for gate_id in range(1, len(c.BAND_UNITS) + 1)
        for level in range(1, GATE_MAX_LEVEL + 1)
    ]
