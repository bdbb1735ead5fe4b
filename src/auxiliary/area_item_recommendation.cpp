// Area-item upgrades valued on trial copies of the player's data. Nothing is
// cached between valuations: each trial prepares its own pool, so the power
// of a trial is exactly what a recommendation with that upgrade would see.
#include "auxiliary/area_item_recommendation.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <unordered_map>

#include "handler/master_data_view.h"
#include "handler/options.h"
#include "json/writer.h"
#include "pool/pool_builder.h"

namespace vdz {
namespace {

constexpr usize MAX_DECK_CARDS = 5;

// Adds with saturation at the largest u32.
u32 add_saturating(u32 a, u32 b) {
    return a > std::numeric_limits<u32>::max() - b ? std::numeric_limits<u32>::max() : a + b;
}

// The deck's power over one to five pool cards: each card's largest unit
// variant, the all-five variants only when five cards share the unit or the
// attribute, plus the honors' flat term.
i32 fixed_deck_power(const CardPool& pool, const SearchContext& context,
                     const std::vector<u16>& slots) {
    std::array<u8, 256> attr_count{};
    std::array<u8, 6> unit_count{};
    const auto bump = [](u8& count) { count = count == 255 ? 255 : count + 1; };
    for (const u16 card : slots) {
        bump(attr_count[pool.attr(card)]);
        for (usize k = 0; k < unit_count.size(); ++k) {
            if (pool.unit_mask(card) & (1u << k)) bump(unit_count[k]);
        }
    }
    u32 power = 0;
    for (const u16 card : slots) {
        const usize same_attr = attr_count[pool.attr(card)] == 5 ? 1 : 0;
        const u32 high = pool.unit_values_high(card);
        u32 best = 0;
        for (usize k = 0; k < unit_count.size(); ++k) {
            if (!(pool.unit_mask(card) & (1u << k))) continue;
            const usize second = (high >> (16 + k)) & 1u;
            const usize variant = 4 * second + 2 * (unit_count[k] == 5 ? 1 : 0) + same_attr;
            best = std::max(best, pool.unit_value(card, variant));
        }
        power = add_saturating(power, best);
    }
    power = add_saturating(power, static_cast<u32>(std::max(context.honor_power, 0)));
    return static_cast<i32>(std::min<u32>(power, std::numeric_limits<i32>::max()));
}

// Amount of the first cost entry of this resource, 0 without one.
i32 cost_of(const ShopItem& item, std::string_view type, i32 resource_id) {
    for (const ShopItemCost& entry : item.costs) {
        if (entry.cost.resource_type == type && entry.cost.resource_id == resource_id)
            return entry.cost.quantity;
    }
    return 0;
}

// The shop item that sells `level` of `item`, in the game's numbering.
i32 shop_item_id(i32 item, i32 level) {
    const u32 id = level <= 10 ? 990u + 10u * static_cast<u32>(item) + static_cast<u32>(level)
                               : 1535u + 5u * static_cast<u32>(item) + static_cast<u32>(level);
    return static_cast<i32>(id);
}

std::string id_text(i32 id) {
    return std::to_string(id);
}

// A copy of the player's data with `item` at `level`. Every pair the player
// lists for the item is raised: the power step honours all of them, so
// raising only one would measure a gain against levels the trial never had.
UserData with_item_level(const UserData& user, i32 item, i32 level) {
    UserData trial = user;
    bool found = false;
    for (UserAreaItem& pair : trial.user_area_items) {
        if (static_cast<i32>(pair.area_item_id) != item) continue;
        pair.level = static_cast<u32>(level);
        found = true;
    }
    if (!found) trial.user_area_items.push_back({static_cast<u32>(item), static_cast<u32>(level)});
    return trial;
}

}  // namespace

Result<i32> evaluate_fixed_deck_power(const UserData& user, const MasterData& master,
                                      const std::shared_ptr<const RequestIndex>& index,
                                      const std::vector<i32>& card_ids) {
    // 1. Every deck card must be the player's.
    for (const i32 id : card_ids) {
        const bool owned =
            std::any_of(user.user_cards.begin(), user.user_cards.end(),
                        [&](const UserCard& card) { return static_cast<i32>(card.card_id) == id; });
        if (!owned) return make_error("User card not found for cardId=" + id_text(id));
    }

    // 2. A power-target solo request with the deck's cards fixed.
    Result<RecommendOptions> options = parse_recommend_options("{}");
    VDZ_ASSERT(options.ok());
    options->target = Target::POWER;
    options->live_type = LiveType::SOLO;
    options->fixed_cards = card_ids;
    std::sort(options->fixed_cards.begin(), options->fixed_cards.end());
    options->fixed_cards.erase(
        std::unique(options->fixed_cards.begin(), options->fixed_cards.end()),
        options->fixed_cards.end());
    Result<BuiltPool> built =
        prepare_card_pool(user, make_master_data_view(master), index, *options);
    if (!built) return std::move(built).error();

    // 3. The deck's slots in the given order, duplicates included.
    const CardPool& pool = built->pool;
    std::vector<u16> slots;
    for (const i32 id : card_ids) {
        u16 found = pool.count();
        for (u16 card = 0; card < pool.count(); ++card) {
            if (static_cast<i32>(pool.card_id(card)) == id) {
                found = card;
                break;
            }
        }
        if (found == pool.count()) return make_error("card not found for card_id=" + id_text(id));
        slots.push_back(found);
    }
    return fixed_deck_power(pool, built->context, slots);
}

Result<std::vector<AreaItemUpgrade>> recommend_area_items(
    const AreaIngameTables& tables, const UserData& user, const MasterData& master,
    const std::shared_ptr<const RequestIndex>& index, const std::vector<i32>& card_ids) {
    // 1. Checks, then the deck's power as it stands.
    if (card_ids.empty() || card_ids.size() > MAX_DECK_CARDS) {
        return make_error("card_ids must contain 1 to 5 cards");
    }
    if (tables.areas.empty()) return make_error("areas masterdata is not loaded");
    if (tables.area_items.empty()) return make_error("areaItems masterdata is not loaded");
    if (tables.shop_items.empty()) return make_error("shopItems masterdata is not loaded");
    const Result<i32> base = evaluate_fixed_deck_power(user, master, index, card_ids);
    if (!base) return base.error();
    std::unordered_map<i32, i32> current;
    for (const UserAreaItem& pair : user.user_area_items) {
        current[static_cast<i32>(pair.area_item_id)] = static_cast<i32>(pair.level);
    }

    // 2. Each item one level up, valued on its own copy of the data.
    std::vector<AreaItemUpgrade> upgrades;
    for (const AreaItem& item : tables.area_items) {
        std::optional<i32> max_level;
        bool next_row = false;
        for (const AreaItemLevel& row : master.area_item_levels) {
            if (row.area_item_id == item.id)
                max_level = std::max(max_level.value_or(row.level), row.level);
        }
        if (!max_level)
            return make_error("area item levels not found for area_item_id=" + id_text(item.id));
        i32 next = 1;
        if (const auto at = current.find(item.id); at != current.end()) {
            next = std::min(static_cast<i32>(static_cast<u32>(at->second) + 1u), *max_level);
            if (next <= at->second) continue;
        }
        for (const AreaItemLevel& row : master.area_item_levels) {
            next_row = next_row || (row.area_item_id == item.id && row.level == next);
        }
        if (!next_row) {
            return make_error("area item level not found for area_item_id=" + id_text(item.id) +
                              " level=" + id_text(next));
        }
        const Result<i32> trial = evaluate_fixed_deck_power(with_item_level(user, item.id, next),
                                                            master, index, card_ids);
        if (!trial) return trial.error();
        const i64 gain = i64{*trial} - i64{*base};
        if (gain < 1) continue;

        // 3. Where the item stands and what its level costs.
        const auto area = std::find_if(tables.areas.begin(), tables.areas.end(),
                                       [&](const Area& a) { return a.id == item.area_id; });
        if (area == tables.areas.end())
            return make_error("area not found for area_id=" + id_text(item.area_id));
        const i32 shop_id = shop_item_id(item.id, next);
        const auto shop = std::find_if(tables.shop_items.begin(), tables.shop_items.end(),
                                       [&](const ShopItem& s) { return s.id == shop_id; });
        if (shop == tables.shop_items.end()) {
            return make_error("shop item not found for area_item_id=" + id_text(item.id) +
                              " level=" + id_text(next));
        }
        AreaItemUpgrade upgrade;
        upgrade.area_type = area->area_type;
        upgrade.area_view_type = area->view_type;
        upgrade.area_id = item.area_id;
        upgrade.area_item_id = item.id;
        upgrade.next_level = next;
        upgrade.shop_item_id = shop_id;
        upgrade.coin = cost_of(*shop, "coin", 0);
        upgrade.seed = cost_of(*shop, "material", 17);
        upgrade.szk = cost_of(*shop, "material", 57);
        upgrade.power = static_cast<i32>(gain);
        upgrade.power_per_coin =
            upgrade.coin >= 1 ? static_cast<double>(gain) / static_cast<double>(upgrade.coin) : 0.0;
        upgrades.push_back(std::move(upgrade));
    }

    // 4. Best value first.
    std::stable_sort(upgrades.begin(), upgrades.end(),
                     [](const AreaItemUpgrade& a, const AreaItemUpgrade& b) {
                         if (a.power_per_coin != b.power_per_coin)
                             return a.power_per_coin > b.power_per_coin;
                         if (a.power != b.power) return a.power > b.power;
                         return a.area_item_id < b.area_item_id;
                     });
    return upgrades;
}

std::string write_area_item_upgrades(const std::vector<AreaItemUpgrade>& upgrades) {
    std::string out;
    out.reserve(128);
    json::Writer w(out);
    w.begin_array();
    for (const AreaItemUpgrade& u : upgrades) {
        w.begin_object();
        w.member("area_id", u.area_id);
        w.member("area_type", u.area_type);
        w.member("area_view_type", u.area_view_type);
        w.member("area_item_id", u.area_item_id);
        w.member("next_level", u.next_level);
        w.member("shop_item_id", u.shop_item_id);
        w.key("cost");
        w.begin_object();
        w.member("coin", u.coin);
        w.member("seed", u.seed);
        w.member("szk", u.szk);
        w.end_object();
        w.member("power", u.power);
        w.member("power_per_coin", u.power_per_coin);
        w.end_object();
    }
    w.end_array();
    return out;
}

}  // namespace vdz
