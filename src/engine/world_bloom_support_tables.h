// The three World Bloom support-deck bonus tables (WL1, WL2, WL3, one per
// World Bloom turn). Every region has all three: a table the region does not
// give, or gives empty, is read from the built-in copy carried here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/types.h"

namespace vdz {

// Bonus by whether the card's character is the chapter's ("specific") or not
// ("others"); the type text is held as written.
struct WBSupportDeckCharacterBonus {
    std::string world_bloom_support_deck_character_type;
    double bonus_rate = 0.0;
};

struct WBSupportDeckMasterRankBonus {
    i32 master_rank = 0;
    double bonus_rate = 0.0;
};

struct WBSupportDeckSkillLevelBonus {
    i32 skill_level = 0;
    double bonus_rate = 0.0;
};

// The support bonuses of one rarity (held as written, not converted to a
// code). Owned by MasterData.
struct WBSupportDeckBonus {
    std::string card_rarity_type;
    std::vector<WBSupportDeckCharacterBonus> world_bloom_support_deck_character_bonuses;
    std::vector<WBSupportDeckMasterRankBonus> world_bloom_support_deck_master_rank_bonuses;
    std::vector<WBSupportDeckSkillLevelBonus> world_bloom_support_deck_skill_level_bonuses;
};

// Built-in tables as JSON text. Every rate is the single-precision number
// nearest to the game's decimal, written with the digits of its widening to
// double, so that reading yields exactly that double.
extern const std::string_view EMBEDDED_WL1_SUPPORT_BONUSES;
extern const std::string_view EMBEDDED_WL2_SUPPORT_BONUSES;
extern const std::string_view EMBEDDED_WL3_SUPPORT_BONUSES;

}  // namespace vdz
