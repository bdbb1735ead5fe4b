// The three World Bloom support-deck bonus tables (WL1, WL2, WL3, one per
// World Bloom turn). Every region has all three: a table the region does not
// give, or gives empty, is read from the built-in copy carried here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/raw_tables.h"

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

inline constexpr std::string_view WL1_SUPPORT_TABLE = "worldBloomSupportDeckBonusesWL1.json";
inline constexpr std::string_view WL2_SUPPORT_TABLE = "worldBloomSupportDeckBonusesWL2.json";
inline constexpr std::string_view WL3_SUPPORT_TABLE = "worldBloomSupportDeckBonusesWL3.json";
// Read for WL3 only, when the region has no WL3 table of its own.
inline constexpr std::string_view GENERIC_SUPPORT_TABLE = "worldBloomSupportDeckBonuses.json";

// The named table's records; an absent table is an empty list.
Result<std::vector<WBSupportDeckBonus>> read_support_deck_bonus_table(const RawTables& tables,
                                                                      std::string_view name);

// WL1 or WL2: the named table when it holds at least one entry, else the
// built-in `text` ("解析内嵌 {name} 失败: {}" if that cannot be read).
Result<std::vector<WBSupportDeckBonus>> load_support_bonuses_or_embedded(const RawTables& tables,
                                                                         std::string_view name,
                                                                         std::string_view text);

// WL3: its own table, else the generic support table, else the built-in text
// ("解析内嵌 WL3 支援表失败: {}"); the first that holds an entry wins.
Result<std::vector<WBSupportDeckBonus>> load_wl3_support_bonuses(const RawTables& tables);

}  // namespace vdz
