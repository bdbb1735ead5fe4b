// Support bonuses of a World Bloom support deck: the turn picks the bonus
// table, the rarity picks its row, and the character, master rank, skill
// level and the event's limited rows add up to the card's bonus.
#include "auxiliary/world_bloom_support_cards.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

#include "common/text.h"
#include "handler/apply_card_config.h"
#include "handler/codes.h"
#include "handler/pool_build_error.h"
#include "json/writer.h"

namespace vdz {
namespace {

// The event of the final chapter, whose turn needs no table.
constexpr i32 FINAL_CHAPTER_EVENT_ID = 180;
// Events from this id on count as the second turn.
constexpr i32 SECOND_TURN_FIRST_EVENT_ID = 141;
constexpr i32 LARGEST_LISTED_EVENT_ID = 1000;
// The largest character id a support deck can hold.
constexpr i32 MAX_LISTED_CHARACTER_ID = 26;

Error invalid(std::string message) {
    return make_error(
        pool_build_error_to_string(PoolBuildError::invalid_params(std::move(message))));
}

bool has_world_bloom_row(const MasterData& master, i32 event_id) {
    return std::any_of(master.world_blooms.begin(), master.world_blooms.end(),
                       [&](const RawWorldBloom& row) { return row.event_id == event_id; });
}

// 1, 2 or 3: from the options' turn, else from the event id.
std::optional<i32> world_bloom_turn(const MasterData& master, const RecommendOptions& options) {
    if (options.world_bloom_event_turn) {
        const i32 turn = *options.world_bloom_event_turn;
        return turn >= 1 && turn <= 3 ? std::optional<i32>(turn) : std::nullopt;
    }
    if (!options.event_id) return std::nullopt;
    const i32 id = *options.event_id;
    if (id == FINAL_CHAPTER_EVENT_ID) return 2;
    if (id <= LARGEST_LISTED_EVENT_ID) {
        if (!has_world_bloom_row(master, id)) return std::nullopt;
        return id < SECOND_TURN_FIRST_EVENT_ID ? 1 : 2;
    }
    const i32 turn = (id / 100000) % 10 + 1;
    return turn <= 3 ? std::optional<i32>(turn) : std::nullopt;
}

// The chapter's character: from the options, else from the event's first row.
std::optional<i32> world_bloom_character(const MasterData& master,
                                         const RecommendOptions& options) {
    const auto in_range = [](i32 id) { return id >= 1 && id <= 26; };
    if (options.world_bloom_character_id || !options.event_id) {
        const auto id = options.world_bloom_character_id;
        return id && in_range(*id) ? id : std::nullopt;
    }
    for (const RawWorldBloom& row : master.world_blooms) {
        if (row.event_id != *options.event_id) continue;
        const auto id = row.game_character_id;
        return id && in_range(*id) ? id : std::nullopt;
    }
    return std::nullopt;
}

const std::vector<WBSupportDeckBonus>& support_table(const MasterData& master, i32 turn) {
    return turn == 1   ? master.world_bloom_support_wl1
           : turn == 2 ? master.world_bloom_support_wl2
                       : master.world_bloom_support_wl3;
}

// The rarity code a support row names, 0 for none.
u32 support_row_rarity(std::string_view text) {
    static constexpr std::array<std::pair<std::string_view, u32>, 11> NAMES = {{
        {"rarity_1", 1},
        {"1", 1},
        {"rarity_2", 2},
        {"2", 2},
        {"rarity_3", 3},
        {"3", 3},
        {"rarity_4", 4},
        {"4", 4},
        {"rarity_birthday", 5},
        {"birthday", 5},
        {"5", 5},
    }};
    return find_name(NAMES, text).value_or(0);
}

// Unit code 1..6 of a character's first unit row, 0 without one.
u8 character_unit(const MasterData& master, i32 character_id) {
    for (const CharacterUnit& row : master.character_units) {
        if (row.game_character_id != character_id) continue;
        const u8 code = parse_unit(row.unit);
        return code >= 1 && code <= unit::PIAPRO ? code : 0;
    }
    return 0;
}

// Whether the card counts as a member of `wanted`: its character's unit, or
// for a virtual singer the unit it supports.
bool card_in_unit(const MasterData& master, const Card& card, u8 wanted) {
    const u8 own = character_unit(master, card.character_id);
    if (own == wanted) return true;
    if (own != unit::PIAPRO || !card.support_unit) return false;
    const u8 supported = parse_unit(*card.support_unit);
    return supported >= 1 && supported <= unit::SCHOOL_REFUSAL && supported == wanted;
}

bool ascii_equal_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ascii_lower(a) == ascii_lower(b);
}

// The rarity's maxima the two switches value a card at.
std::optional<i32> max_skill_level(const MasterData& master, u32 rarity) {
    for (const CardRarity& row : master.card_rarities) {
        if (row.rarity == rarity) return row.max_skill_level;
    }
    return std::nullopt;
}

i32 max_master_rank(const MasterData& master, u32 rarity) {
    std::optional<i32> best;
    for (const MasterLesson& row : master.master_lessons) {
        if (row.rarity == rarity && (!best || row.master_rank > *best)) best = row.master_rank;
    }
    return best.value_or(0);
}

struct SupportRequest {
    const MasterData& master;
    SupportCardSettings settings;
    i32 event_id = 0;
    i32 character = 0;
    u8 character_unit = 0;  // 0: the character has no unit row
    const std::vector<WBSupportDeckBonus>& table;
};

// The bonus of one card at the chosen rank and skill level.
double support_bonus(const SupportRequest& request, const Card& card, i32 master_rank,
                     i32 skill_level) {
    // 1. Cards that give nothing.
    if (request.character_unit == 0) return 0.0;
    if (!request.settings.filter_other_unit &&
        !card_in_unit(request.master, card, request.character_unit)) {
        return 0.0;
    }
    const auto row =
        std::find_if(request.table.begin(), request.table.end(), [&](const WBSupportDeckBonus& r) {
            return support_row_rarity(r.card_rarity_type) == card.rarity;
        });
    if (row == request.table.end()) return 0.0;

    // 2. Character, master rank, skill level, then the event's limited rows.
    double sum = 0.0;
    const i32 character = std::clamp(card.character_id, 0, 255);
    const std::string_view kind = character == request.character ? "specific" : "others";
    for (const auto& entry : row->world_bloom_support_deck_character_bonuses) {
        if (!ascii_equal_ignoring_case(entry.world_bloom_support_deck_character_type, kind))
            continue;
        sum += entry.bonus_rate;
        break;
    }
    for (const auto& entry : row->world_bloom_support_deck_master_rank_bonuses) {
        if (entry.master_rank != master_rank) continue;
        sum += entry.bonus_rate;
        break;
    }
    for (const auto& entry : row->world_bloom_support_deck_skill_level_bonuses) {
        if (entry.skill_level != skill_level) continue;
        sum += entry.bonus_rate;
        break;
    }
    const i32 card_id = std::clamp(card.id, 0, 65535);
    for (const auto& limited : request.master.world_bloom_unit_event_bonuses) {
        if (limited.event_id == request.event_id &&
            limited.game_character_id == request.character && limited.card_id == card_id) {
            sum += limited.bonus_rate;
        }
    }
    return std::isfinite(sum) && sum > 0.0 ? sum : 0.0;
}

}  // namespace

Result<std::vector<WorldBloomSupportCard>> list_world_bloom_support_cards(
    const std::vector<UserCard>& user_cards, const MasterData& master,
    const RecommendOptions& options, SupportCardSettings settings) {
    // 1. The turn, then the character.
    const std::optional<i32> turn = world_bloom_turn(master, options);
    if (!turn) return invalid("world_bloom_event_turn or a World Bloom event_id is required");
    const std::optional<i32> character = world_bloom_character(master, options);
    if (!character) return invalid("world_bloom_character_id is required");
    const SupportRequest request{master,
                                 settings,
                                 options.event_id.value_or(0),
                                 *character,
                                 character_unit(master, *character),
                                 support_table(master, *turn)};

    // 2. One record per owned card.
    std::vector<WorldBloomSupportCard> records;
    records.reserve(user_cards.size());
    for (const UserCard& owned : user_cards) {
        const i32 card_id = static_cast<i32>(owned.card_id);
        const auto card = std::find_if(master.cards.begin(), master.cards.end(),
                                       [&](const Card& c) { return c.id == card_id; });
        if (card == master.cards.end()) {
            return invalid("support deck card not found for card_id=" + std::to_string(card_id));
        }
        // Excluded cards and characters added after this code are never listed.
        if (std::find(options.excluded_cards.begin(), options.excluded_cards.end(), card_id) !=
                options.excluded_cards.end() ||
            card->character_id > MAX_LISTED_CHARACTER_ID)
            continue;
        WorldBloomSupportCard record;
        record.card_id = card_id;
        record.level = static_cast<i32>(owned.level);
        record.master_rank = settings.support_master_max ? max_master_rank(master, card->rarity)
                                                         : static_cast<i32>(owned.master_rank);
        record.skill_level = static_cast<i32>(owned.skill_level);
        if (settings.support_skill_max) {
            if (const auto top = max_skill_level(master, card->rarity)) record.skill_level = *top;
        }
        record.bonus = support_bonus(request, *card, record.master_rank, record.skill_level);
        record.after_training = is_trained_status(owned.special_training_status);
        record.special_training_image = is_after_training_word(owned.default_image);
        records.push_back(record);
    }

    // 3. Best first; equal bonuses by card id, then in the player's order.
    std::stable_sort(records.begin(), records.end(),
                     [](const WorldBloomSupportCard& a, const WorldBloomSupportCard& b) {
                         if (a.bonus != b.bonus) return a.bonus > b.bonus;
                         return a.card_id < b.card_id;
                     });
    return records;
}

std::string write_world_bloom_support_cards(const std::vector<WorldBloomSupportCard>& cards) {
    std::string out;
    json::Writer w(out);
    w.begin_array();
    for (const WorldBloomSupportCard& card : cards) {
        w.begin_object();
        w.member("after_training", card.after_training);
        w.member("bonus", card.bonus);
        w.member("card_id", card.card_id);
        w.member("default_image", card.special_training_image ? "special_training" : "original");
        w.member("level", card.level);
        w.member("master_rank", card.master_rank);
        w.member("skill_level", card.skill_level);
        w.end_object();
    }
    w.end_array();
    return out;
}

}  // namespace vdz
