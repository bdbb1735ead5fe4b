"""Builds a whole sample region (every master-data table, the music metas,
one music score and a player) and writes it to a directory.
"""

import json
from pathlib import Path

from . import areas, cards, characters, constants, events, honors, live, skills, user_data, world_bloom
from .world import plan_world


def build_region(seed, card_count, user_card_count, param_shape="mixed"):
    """File name -> document. Master-data tables are keyed by their own
    names; the other files by theirs in constants."""
    world = plan_world(seed, card_count, param_shape)
    tables = {
        "gameCharacterUnits.json": characters.build_game_character_units(),
        "cards.json": cards.build_cards(world, seed),
        "events.json": events.build_events(world),
        "cardRarities.json": cards.build_card_rarities(),
        "cardEpisodes.json": cards.build_card_episodes(world, seed),
        "masterLessons.json": cards.build_master_lessons(),
        "skills.json": skills.build_skills(world, seed),
        "areaItemLevels.json": areas.build_area_item_levels(),
        "characterRanks.json": characters.build_character_ranks(),
        "cardMysekaiCanvasBonuses.json": cards.build_canvas_bonuses(),
        "mysekaiGates.json": characters.build_mysekai_gates(),
        "mysekaiGateLevels.json": characters.build_mysekai_gate_levels(),
        "eventCards.json": events.build_event_cards(world),
        "eventDeckBonuses.json": events.build_event_deck_bonuses(world),
        "eventCardBonusLimits.json": events.build_event_card_bonus_limits(world, seed),
        "eventHonorBonuses.json": events.build_event_honor_bonuses(),
        "worldBloomDifferentAttributeBonuses.json": events.build_different_attribute_bonuses(),
        "worldBlooms.json": world_bloom.build_world_blooms(world),
        **world_bloom.build_support_tables(),
        "worldBloomSupportDeckUnitEventLimitedBonuses.json": world_bloom.build_unit_event_limited_bonuses(world),
        "eventMysekaiFixtureGameCharacterPerformanceBonusLimits.json": events.build_fixture_bonus_limits(world),
        "eventSkillScoreUpLimits.json": events.build_event_skill_score_up_limits(world),
        "eventRarityBonusRates.json": events.build_rarity_bonus_rates(),
        "honors.json": honors.build_honors(),
        "bondsHonors.json": honors.build_bonds_honors(),
        "areas.json": areas.build_areas(),
        "areaItems.json": areas.build_area_items(),
        "shopItems.json": areas.build_shop_items(),
        "ingameNotes.json": live.build_ingame_notes(),
        "ingameCombos.json": live.build_ingame_combos(),
    }
    assert set(tables) == set(constants.ALL_TABLES), "every known table is written, and nothing else"
    music_metas = live.build_music_metas(seed)
    return {
        "masterdata": tables,
        constants.MUSIC_METAS_FILE: music_metas,
        constants.MUSIC_SCORE_FILE: live.build_music_score(seed, music_metas),
        constants.USER_DATA_FILE: user_data.build_user_data(world, seed, user_card_count),
    }


def write_region(region, out_dir):
    out = Path(out_dir)
    (out / "masterdata").mkdir(parents=True, exist_ok=True)
    for name in constants.ALL_TABLES:
        _write(out / "masterdata" / name, region["masterdata"][name])
    for name in (constants.MUSIC_METAS_FILE, constants.MUSIC_SCORE_FILE, constants.USER_DATA_FILE):
        _write(out / name, region[name])


def _write(path, document):
    path.write_text(dump_document(document), encoding="utf-8")


def dump_document(document):
    """JSON text with one row per line: compact, yet easy to diff and grep.
    A top-level object puts each key on its own line, and each list, at the
    top or under such a key, one element per line."""
    if isinstance(document, dict):
        members = [f"{_compact(key)}:{_rows(value)}" for key, value in document.items()]
        return "{\n" + ",\n".join(members) + "\n}\n"
    return _rows(document) + "\n"


def _rows(value):
    if not isinstance(value, list) or not value:
        return _compact(value)
    return "[\n" + ",\n".join(_compact(row) for row in value) + "\n]"


def _compact(value):
    return json.dumps(value, ensure_ascii=False, separators=(",", ":"), allow_nan=False)
