// Fuzz target for request preparation: the input is an options text and a
// user-data text separated by a zero byte, prepared against a small region
// with events of every kind and skills of every effect kind. Either the
// options or the preparation fail with a message, or the prepared pool keeps
// its invariants: per-card vectors and records as long as the pool, packed
// event bonuses within range, characters and attributes within their masks.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "../tests/cpp/prep_fixture.h"
#include "handler/master_data_view.h"
#include "handler/request_index.h"
#include "pool/prepared_pool.h"

namespace {

using namespace vdz;

MasterData make_region() {
    vdz::testing::PrepFixture f;
    for (i32 id = 1; id <= 40; ++id) {
        static const char* const ATTRS[] = {"cool", "cute", "happy", "pure", "mysterious"};
        Card& card =
            f.add_card(id, (id - 1) % 26 + 1, static_cast<u32>(id % 5 + 1), ATTRS[id % 5], 40 + id);
        if (id % 7 == 0) card.special_training_skill_id = 1000 + id;
        if (id % 9 == 0) card.support_unit = "idol";
    }
    for (i32 id = 7; id <= 40; id += 7)
        f.add_score_up(1000 + id, 120);
    f.master.events = {{1, "marathon"}, {2, "world_bloom"}, {180, "world_bloom"}, {4, "cheerful"}};
    f.master.event_deck_bonuses = {{"idol", std::nullopt, 5, 1, 25},
                                   {std::nullopt, "cute", {}, 1, 25}};
    f.master.event_cards = {{1, 3, 20, 10}, {2, 4, 40, 0}, {180, 5, 30, 5}};
    f.master.event_rarity_bonuses =
        EventRarityBonuses({{0, 4, 0, 100}, {0, 4, 2, 250}}, {1, 2, 180, 4});
    f.master.event_honor_bonuses = {{180, 1, 5, 20}};
    f.master.event_card_bonus_limits = {{180, 2}};
    f.master.event_skill_score_up_limits = {{1, 150}};
    f.master.world_bloom_diff_attr_bonuses = {{1, 1}, {3, 5}, {5, 15}};
    f.master.world_blooms = {{2, 5, 1}};
    WBSupportDeckBonus wl;
    wl.card_rarity_type = "rarity_4";
    wl.world_bloom_support_deck_character_bonuses = {{"specific", 15.0}, {"others", 10.0}};
    f.master.world_bloom_support_wl1 = f.master.world_bloom_support_wl2 =
        f.master.world_bloom_support_wl3 = {wl};
    f.master.character_ranks = {{1, 0.5}, {20, 2.1}};
    f.master.area_item_levels = {{1, 1, "idol", std::nullopt, std::nullopt, 5.0, 7.5},
                                 {2, 1, std::nullopt, "cute", std::nullopt, 2.0, 3.0}};
    f.master.honors = {Honor{1, {{1, 100}}}};
    f.master.mysekai_gates = {{1, "idol"}};
    f.master.mysekai_gate_levels = {{1, 1, 10.0}};
    f.master.card_episodes = {{3, 1, 100, 100, 100}, {3, 2, 200, 200, 200}};
    return f.master;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const MasterData master = make_region();
    static const std::shared_ptr<const RequestIndex> index =
        build_request_index(make_master_data_view(master));
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const usize split = input.find('\0');
    const std::string_view options_text = input.substr(0, split);
    const std::string_view user_text =
        split == std::string_view::npos ? "{}" : input.substr(split + 1);

    const Result<RecommendOptions> options = parse_recommend_options(options_text);
    Result<UserData> user = parse_user_data(user_text);
    if (!options.ok() || !user.ok()) return 0;
    const Result<PreparedPool> prepared = prepare_request(
        std::make_shared<const UserData>(std::move(user).value()), master, index, options.value());
    if (!prepared.ok()) {
        if (prepared.error().message.empty()) std::abort();
        return 0;
    }
    const PreparedPool& p = prepared.value();
    const usize n = p.pool.count();
    const SearchContext& c = p.context;
    if (p.records.size() != n || c.leader_honor_bonus.size() != n ||
        c.leader_limit_bonus.size() != n || c.skill_is_after_training.size() != n ||
        c.trained_to_special_image.size() != n || c.card_enabled.size() != n)
        std::abort();
    for (u16 i = 0; i < n; ++i) {
        const EventBonusHot bonus = p.pool.event_bonus(i);
        if (bonus.total_x10() < p.pool.limited_x10(i)) std::abort();
        if (p.pool.character_id(i) > 26 || p.pool.attr(i) > 4) std::abort();
        if (p.pool.unit_mask(i) == 0 || p.pool.unit_mask(i) > 0x3F) std::abort();
    }
    return 0;
}
