// The load's step order is part of its contract: when several tables are bad,
// the order decides which one the caller hears about.
#include "engine/masterdata_loader.h"

#include "engine/table_reading.h"

namespace vdz {
namespace {

// The loader's strict rows of a music-metas text, with the averaged rows of
// music id 10000.
Result<std::vector<RawMusicMetaRow>> averaged_music_meta_rows(std::string_view text) {
    auto rows = read_music_meta_rows(text);
    if (rows) average_music_meta_rows(*rows);
    return rows;
}

void set_music_meta_parts(MasterData& md, const std::vector<RawMusicMetaRow>& rows) {
    md.music_metas = build_music_metas(rows);
    md.music_meta_keys = build_music_meta_keys(rows);
}

}  // namespace

Result<MasterData> load_masterdata(const MasterDataSource& source) {
    const RawTables& tables = source.tables;
    MasterData md;

    // 1-3. The tables everything else refers to.
    std::vector<RawGameCharacterUnit> units;
    std::vector<RawCard> cards;
    VDZ_TRY(take(read_game_character_units(tables), units));
    VDZ_TRY(take(read_cards(tables), cards));
    VDZ_TRY(take(read_events(tables), md.events));

    // 4. Working indexes, dropped with this frame.
    const CharacterUnitIndex character_units = build_character_units(units);
    const SkillUnitIndex skill_units = build_skill_units(cards, character_units);

    // 5. The music metas, with the averaged rows of music id 10000.
    std::vector<RawMusicMetaRow> music_rows;
    VDZ_TRY(take(averaged_music_meta_rows(source.music_metas), music_rows));

    // 6. Cards and their power by level.
    md.cards = build_cards(cards);
    md.card_parameters = build_card_parameters(cards);
    cards = {};

    // 7-9. Rarities, episodes, master lessons.
    std::vector<RawCardRarity> rarities;
    VDZ_TRY(take(read_card_rarities(tables), rarities));
    md.card_rarities = convert_card_rarities(rarities);
    std::vector<RawCardEpisode> episodes;
    VDZ_TRY(take(read_card_episodes(tables), episodes));
    md.card_episodes = convert_card_episodes(episodes);
    std::vector<RawMasterLesson> lessons;
    VDZ_TRY(take(read_master_lessons(tables), lessons));
    md.master_lessons = index_master_lessons(lessons);

    // 10. Skills, whose enhancements fall back on the unit of their first card.
    std::vector<RawSkill> skills;
    VDZ_TRY(take(read_skills(tables), skills));
    SkillIndex skill_index = build_skill_index(skills, skill_units);
    md.skill_levels = std::move(skill_index.skill_levels);
    md.skill_effects = std::move(skill_index.skill_effects);

    // 11. Area-item levels in canonical order, then the character-unit list.
    std::vector<RawAreaItemLevel> area_item_levels;
    VDZ_TRY(take(read_area_item_levels(tables), area_item_levels));
    md.area_item_levels = index_area_item_levels(std::move(area_item_levels));
    md.character_units = list_character_units(units);

    // 12-13. Character ranks and canvas bonuses.
    VDZ_TRY(take(read_character_ranks(tables), md.character_ranks));
    std::vector<RawCardMysekaiCanvasBonus> canvas_bonuses;
    VDZ_TRY(take(read_card_mysekai_canvas_bonuses(tables), canvas_bonuses));
    md.canvas_bonuses = convert_canvas_bonus_rows(canvas_bonuses);

    // 14. Mysekai gates (optional).
    VDZ_TRY(take(read_mysekai_gates(tables), md.mysekai_gates));
    VDZ_TRY(take(read_mysekai_gate_levels(tables), md.mysekai_gate_levels));

    // 15-19. Event bonuses and limits.
    std::vector<RawEventCard> event_cards;
    VDZ_TRY(take(read_event_cards(tables), event_cards));
    md.event_cards = round_event_card_rates(event_cards);
    std::vector<RawEventDeckBonus> deck_bonuses;
    VDZ_TRY(take(read_event_deck_bonuses(tables), deck_bonuses));
    md.event_deck_bonuses = resolve_event_deck_bonus_units(std::move(deck_bonuses), units);
    VDZ_TRY(take(read_event_card_bonus_limits(tables), md.event_card_bonus_limits));
    VDZ_TRY(take(read_event_honor_bonuses(tables), md.event_honor_bonuses));
    std::vector<RawWorldBloomDiffAttrBonus> diff_attr_bonuses;
    VDZ_TRY(take(read_world_bloom_diff_attr_bonuses(tables), diff_attr_bonuses));
    md.world_bloom_diff_attr_bonuses = convert_diff_attr_bonus_rows(diff_attr_bonuses);

    // 20-23. World Bloom chapters, support tables (built-in when absent),
    //        unit-event bonuses, fixture limits.
    VDZ_TRY(take(read_world_blooms(tables), md.world_blooms));
    VDZ_TRY(take(
        load_support_bonuses_or_embedded(tables, WL1_SUPPORT_TABLE, EMBEDDED_WL1_SUPPORT_BONUSES),
        md.world_bloom_support_wl1));
    VDZ_TRY(take(
        load_support_bonuses_or_embedded(tables, WL2_SUPPORT_TABLE, EMBEDDED_WL2_SUPPORT_BONUSES),
        md.world_bloom_support_wl2));
    VDZ_TRY(take(load_wl3_support_bonuses(tables), md.world_bloom_support_wl3));
    VDZ_TRY(take(read_world_bloom_unit_event_limited_bonuses(tables),
                 md.world_bloom_unit_event_bonuses));
    VDZ_TRY(take(read_event_fixture_bonus_limits(tables), md.event_fixture_bonus_limits));

    // 24. Skill score-up limits.
    VDZ_TRY(take(read_event_skill_score_up_limits(tables), md.event_skill_score_up_limits));

    // 25. The music-meta parts.
    set_music_meta_parts(md, music_rows);

    // 26. Rarity bonus rates, once for every event.
    std::vector<RawEventRarityBonusRate> rarity_rates;
    VDZ_TRY(take(read_event_rarity_bonus_rates(tables), rarity_rates));
    md.event_rarity_bonuses = convert_rarity_bonus_rows(rarity_rates, md.events);

    // 27. Honors (optional).
    VDZ_TRY(take(read_honors(tables), md.honors));
    VDZ_TRY(take(read_bonds_honors(tables), md.bonds_honors));

    return md;
}

Result<MasterData> replace_music_metas(const MasterData& current, std::string_view music_metas) {
    auto rows = averaged_music_meta_rows(music_metas);
    if (!rows) return std::move(rows).error();
    MasterData md = current;
    set_music_meta_parts(md, *rows);
    return md;
}

}  // namespace vdz
