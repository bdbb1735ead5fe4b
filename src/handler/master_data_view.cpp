// The view is a field-by-field copy of the lists' extents.
#include "handler/master_data_view.h"

namespace vdz {

MasterDataView make_master_data_view(const MasterData& m) {
    return MasterDataView{
        m.cards,
        m.card_parameters,
        m.card_rarities,
        m.card_episodes,
        m.master_lessons,
        m.skill_levels,
        m.skill_effects,
        m.area_item_levels,
        m.character_units,
        m.character_ranks,
        m.canvas_bonuses,
        m.mysekai_gates,
        m.mysekai_gate_levels,
        m.events,
        m.event_cards,
        m.event_deck_bonuses,
        m.event_card_bonus_limits,
        m.event_honor_bonuses,
        m.world_bloom_diff_attr_bonuses,
        m.world_blooms,
        m.world_bloom_support_wl1,
        m.world_bloom_support_wl2,
        m.world_bloom_support_wl3,
        m.world_bloom_unit_event_bonuses,
        m.event_fixture_bonus_limits,
        m.event_skill_score_up_limits,
        m.music_metas,
        m.music_meta_keys,
        &m.event_rarity_bonuses,
        m.honors,
        m.bonds_honors,
    };
}

}  // namespace vdz
