// Support bonuses: per-rarity rates of the turn's table, then one bonus per
// candidate, then a stable ranking.
#include "handler/world_bloom_support.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

#include "common/check.h"
#include "common/stable_sort.h"
#include "common/text.h"
#include "handler/codes.h"

namespace vdz {
namespace {

struct RarityRates {
    bool present = false;
    double specific = 0.0;
    double others = 0.0;
    std::array<double, 8> master_rank{};
    std::array<double, 8> skill_level{};
};

bool names_rarity(std::string_view text, u32 rarity) {
    const std::string_view t = trim_unicode(text);
    switch (rarity) {
        case 1:
            return equals_ignore_ascii_case(t, "1") || equals_ignore_ascii_case(t, "rarity_1");
        case 2:
            return equals_ignore_ascii_case(t, "2") || equals_ignore_ascii_case(t, "rarity_2");
        case 3:
            return equals_ignore_ascii_case(t, "3") || equals_ignore_ascii_case(t, "rarity_3");
        case 4:
            return equals_ignore_ascii_case(t, "4") || equals_ignore_ascii_case(t, "rarity_4");
        default:
            return equals_ignore_ascii_case(t, "5") || equals_ignore_ascii_case(t, "birthday") ||
                   equals_ignore_ascii_case(t, "rarity_birthday");
    }
}

RarityRates rates_of(const WBSupportDeckBonus& row) {
    RarityRates r;
    r.present = true;
    const auto character_rate = [&](std::string_view type) {
        for (const auto& entry : row.world_bloom_support_deck_character_bonuses)
            if (equals_ignore_ascii_case(entry.world_bloom_support_deck_character_type, type))
                return entry.bonus_rate;
        return 0.0;
    };
    r.specific = character_rate("specific");
    r.others = character_rate("others");
    for (i32 k = 0; k < 8; ++k) {
        for (const auto& entry : row.world_bloom_support_deck_master_rank_bonuses) {
            if (entry.master_rank != k) continue;
            r.master_rank[static_cast<usize>(k)] = entry.bonus_rate;
            break;
        }
        for (const auto& entry : row.world_bloom_support_deck_skill_level_bonuses) {
            if (entry.skill_level != k) continue;
            r.skill_level[static_cast<usize>(k)] = entry.bonus_rate;
            break;
        }
    }
    return r;
}

std::span<const WBSupportDeckBonus> turn_table(const MasterDataView& view,
                                               std::optional<i32> turn) {
    if (turn == 1) return view.world_bloom_support_wl1;
    if (turn == 2) return view.world_bloom_support_wl2;
    if (turn == 3) return view.world_bloom_support_wl3;
    return {};
}

}  // namespace

SupportBonuses compute_world_bloom_support_bonuses(std::span<const SupportCandidate> candidates,
                                                   const MasterDataView& view,
                                                   const SupportSettings& settings,
                                                   std::optional<i32> character_override) {
    // 1. Support off: nothing listed.
    SupportBonuses out;
    if (settings.deck_size == 0) return out;
    out.deck_size = settings.deck_size;

    // 2. Resolve the featured character's unit and the turn's rates.
    const std::optional<i32> character =
        character_override ? character_override : settings.character;
    u8 featured_unit_bit = 0;
    std::array<RarityRates, 6> rates{};  // by rarity code 1..5
    std::unordered_map<u16, double> limited;
    if (character && *character > 0) {
        const auto unit_row =
            std::find_if(view.character_units.begin(), view.character_units.end(),
                         [&](const CharacterUnit& u) { return u.game_character_id == *character; });
        if (unit_row != view.character_units.end()) {
            const u8 code = parse_unit(unit_row->unit);
            if (is_real_unit(code)) featured_unit_bit = static_cast<u8>(1u << (code - 1));
        }
        if (featured_unit_bit != 0) {
            const auto table = turn_table(view, settings.turn);
            for (u32 r = 1; r <= 5; ++r) {
                const auto row = std::find_if(table.begin(), table.end(), [&](const auto& entry) {
                    return names_rarity(entry.card_rarity_type, r);
                });
                if (row != table.end()) rates[r] = rates_of(*row);
            }
            for (const WBSupportDeckUnitEventLimitedBonus& row :
                 view.world_bloom_unit_event_bonuses)
                if (row.event_id == settings.event_id && row.game_character_id == *character)
                    limited[static_cast<u16>(row.card_id)] += row.bonus_rate;
        }
    }

    // 3. One bonus per candidate, in candidate order.
    out.bonuses.reserve(candidates.size());
    for (const SupportCandidate& c : candidates) {
        double bonus = 0.0;
        if (featured_unit_bit != 0 && (c.unit_mask & featured_unit_bit) && c.rarity >= 1 &&
            c.rarity <= 5 && rates[c.rarity].present) {
            const RarityRates& r = rates[c.rarity];
            bonus = i32{c.character_id} == *character ? r.specific : r.others;
            if (c.master_rank <= 7) bonus += r.master_rank[c.master_rank];
            if (c.skill_level <= 7) bonus += r.skill_level[c.skill_level];
            const auto extra = limited.find(c.card_id);
            if (extra != limited.end()) bonus += extra->second;
            if (!(std::isfinite(bonus) && bonus > 0.0)) bonus = 0.0;
        }
        out.bonuses.push_back({c.card_id, bonus});
    }

    // 4. Best first; ties keep candidate order. Every bonus is positive or
    // zero, and most are zero (cards of the other units): those tie and
    // close the list in candidate order, so only the positive ones are
    // sorted, the order the whole list sorted would have.
    std::vector<std::pair<u16, double>> zero;
    usize positive = 0;
    for (const auto& entry : out.bonuses) {
        if (entry.second > 0.0) {
            out.bonuses[positive++] = entry;
        } else {
            VDZ_ASSERT(entry.second == 0.0);
            zero.push_back(entry);
        }
    }
    out.bonuses.resize(positive);
    builder_stable_sort(out.bonuses,
                        [](const auto& a, const auto& b) { return a.second > b.second; });
    out.bonuses.insert(out.bonuses.end(), zero.begin(), zero.end());
    return out;
}

}  // namespace vdz
