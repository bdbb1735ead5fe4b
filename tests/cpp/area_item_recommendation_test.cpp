#include "auxiliary/area_item_recommendation.h"

#include <gtest/gtest.h>

#include "pool/pool_builder.h"
#include "prep_fixture.h"
#include "search/evaluation/deck_evaluator.h"

namespace vdz {
namespace {

using testing::owned;
using testing::PrepFixture;

// Four light_sound cards (card 3 cute), two idol cards and a virtual singer
// supporting light_sound. Item 1 raises light_sound, item 2 cool cards, items
// 3 (one level only) and 4 character 5, item 5 a character nobody owns.
struct AreaFixture : PrepFixture {
    AreaIngameTables tables;
    UserData user;

    AreaFixture() {
        add_card(1, 1, 4);
        add_card(2, 2, 4);
        add_card(3, 3, 4, "cute");
        add_card(4, 4, 4);
        add_card(5, 5, 3);
        add_card(6, 21, 4).support_unit = "light_sound";
        add_card(7, 6, 2);
        const auto level = [&](i32 item, i32 lv, std::optional<std::string> unit,
                               std::optional<std::string> attr, std::optional<i32> character,
                               double rate, double all) {
            master.area_item_levels.push_back(
                {item, lv, std::move(unit), std::move(attr), character, rate, all});
        };
        for (i32 lv = 1; lv <= 3; ++lv)
            level(1, lv, "light_sound", {}, {}, 2.0 * lv, 5.0 * lv);
        for (i32 lv = 1; lv <= 2; ++lv)
            level(2, lv, {}, "cool", {}, 1.0 * lv, 3.0 * lv);
        level(3, 1, {}, {}, 5, 4.0, 4.0);
        for (i32 lv = 1; lv <= 12; ++lv)
            level(4, lv, {}, {}, 5, 0.5 * lv, 0.5 * lv);
        for (i32 lv = 1; lv <= 2; ++lv)
            level(5, lv, {}, {}, 26, 9.0, 9.0);
        tables.areas = {{10, "reality_world", "side_view"}, {20, "spirit\"world", "quarter_view"}};
        tables.area_items = {{5, 99}, {1, 10}, {2, 20}, {3, 10}, {4, 20}};
        const auto shop = [](i32 id, std::vector<ShopItemCost> costs) {
            return ShopItem{id, costs};
        };
        tables.shop_items = {
            shop(1002, {{{0, "coin", 4000}}, {{17, "material", 5}}, {{0, "coin", 1}}}),
            shop(1021, {{{57, "material", 2}}, {{0, "Coin", 100}}}),
            shop(1566, {{{0, "coin", 1000}}, {{57, "material", 3}}, {{17, "material", 7}}}),
        };
        for (u32 id = 1; id <= 7; ++id)
            user.user_cards.push_back(owned(id, 60, 2));
        user.user_area_items = {{1, 1}, {2, 2}, {7, 1}, {4, 10}};
    }
};

TEST(AreaItemRecommendation, FiveCardPowerIsTheEvaluatorsPower) {
    AreaFixture f;
    const std::vector<std::vector<i32>> decks = {
        {1, 2, 3, 4, 6}, {1, 2, 4, 7, 6}, {5, 6, 1, 2, 4}, {4, 3, 2, 1, 5}, {6, 4, 2, 1, 5}};
    for (const auto& deck : decks) {
        RecommendOptions options = parse_recommend_options("{}").value();
        options.target = Target::POWER;
        options.fixed_cards = deck;
        std::sort(options.fixed_cards.begin(), options.fixed_cards.end());
        Result<BuiltPool> built = prepare_card_pool(f.user, f.view(), options);
        ASSERT_TRUE(built.ok()) << built.error().message;
        DeckSlots slots{};
        for (usize s = 0; s < 5; ++s) {
            for (u16 card = 0; card < built->pool.count(); ++card) {
                if (built->pool.card_id(card) == deck[s]) slots[s] = card;
            }
        }
        const auto evaluation = evaluate_deck(built->pool, built->context, slots);
        ASSERT_TRUE(evaluation.has_value());
        const Result<i32> power = evaluate_fixed_deck_power(f.user, f.master, f.index(), deck);
        ASSERT_TRUE(power.ok()) << power.error().message;
        EXPECT_EQ(static_cast<u32>(*power), evaluation->power) << deck[0];
    }
}

TEST(AreaItemRecommendation, RanksUpgradesThatGainPower) {
    AreaFixture f;
    const std::vector<i32> deck = {1, 2, 5, 1};
    const i32 base = evaluate_fixed_deck_power(f.user, f.master, f.index(), deck).value();
    const auto upgrades = recommend_area_items(f.tables, f.user, f.master, f.index(), deck);
    ASSERT_TRUE(upgrades.ok()) << upgrades.error().message;
    // Item 5 gains nothing (it has no area and no shop item); item 2 is at
    // its top level. Item 1 goes to 2, item 4 to 11 and item 3 to 1.
    ASSERT_EQ(upgrades->size(), 3u);
    for (usize i = 0; i + 1 < upgrades->size(); ++i) {
        EXPECT_GE((*upgrades)[i].power_per_coin, (*upgrades)[i + 1].power_per_coin);
    }
    const auto find = [&](i32 item) {
        return *std::find_if(upgrades->begin(), upgrades->end(),
                             [&](const AreaItemUpgrade& u) { return u.area_item_id == item; });
    };
    const AreaItemUpgrade first = find(1);
    EXPECT_EQ(first.next_level, 2);
    EXPECT_EQ(first.shop_item_id, 1002);
    EXPECT_EQ(first.area_type, "reality_world");
    EXPECT_EQ((std::array{first.coin, first.seed, first.szk}), (std::array{4000, 5, 0}));
    UserData raised = f.user;
    raised.user_area_items[0].level = 2;
    EXPECT_EQ(first.power,
              evaluate_fixed_deck_power(raised, f.master, f.index(), deck).value() - base);
    EXPECT_GT(first.power, 0);
    EXPECT_EQ(first.power_per_coin, first.power / 4000.0);
    const AreaItemUpgrade fourth = find(4);
    EXPECT_EQ((std::array{fourth.next_level, fourth.shop_item_id}), (std::array{11, 1566}));
    EXPECT_EQ((std::array{fourth.coin, fourth.seed, fourth.szk}), (std::array{1000, 7, 3}));
    EXPECT_EQ(fourth.area_view_type, "quarter_view");
    // No coin entry of resource 0: power per coin 0, listed last.
    const AreaItemUpgrade& second = upgrades->back();
    EXPECT_EQ(second.area_item_id, 3);
    EXPECT_EQ(second.shop_item_id, 1021);
    EXPECT_EQ((std::array{second.coin, second.seed, second.szk}), (std::array{0, 0, 2}));
    EXPECT_EQ(second.power_per_coin, 0.0);
    UserData with_three = f.user;
    with_three.user_area_items.push_back({3, 1});
    EXPECT_EQ(second.power,
              evaluate_fixed_deck_power(with_three, f.master, f.index(), deck).value() - base);

    // A pair listed twice: both copies move to the next level in the trial.
    UserData twice = f.user;
    twice.user_area_items.push_back({1, 1});
    const i32 twice_base = evaluate_fixed_deck_power(twice, f.master, f.index(), deck).value();
    const auto again = recommend_area_items(f.tables, twice, f.master, f.index(), deck);
    ASSERT_TRUE(again.ok());
    UserData both_raised = twice;
    both_raised.user_area_items[0].level = both_raised.user_area_items.back().level = 2;
    const auto item_one = std::find_if(
        again->begin(), again->end(), [](const AreaItemUpgrade& u) { return u.area_item_id == 1; });
    ASSERT_NE(item_one, again->end());
    EXPECT_EQ(
        item_one->power,
        evaluate_fixed_deck_power(both_raised, f.master, f.index(), deck).value() - twice_base);

    EXPECT_EQ(write_area_item_upgrades({second}),
              R"([{"area_id":10,"area_type":"reality_world","area_view_type":"side_view",)"
              R"("area_item_id":3,"next_level":1,"shop_item_id":1021,"cost":{"coin":0,"seed":0,)"
              R"("szk":2},"power":)" +
                  std::to_string(second.power) + R"(,"power_per_coin":0.0}])");
    EXPECT_EQ(write_area_item_upgrades({}), "[]");
}

TEST(AreaItemRecommendation, ReportsTheFirstFailingCheck) {
    struct Case {
        std::vector<i32> deck;
        void (*spoil)(AreaFixture&);
        const char* message;
    };
    const Case cases[] = {
        {{}, [](AreaFixture& a) { a.tables = {}; }, "card_ids must contain 1 to 5 cards"},
        {{1, 1, 1, 1, 1, 1}, nullptr, "card_ids must contain 1 to 5 cards"},
        {{1}, [](AreaFixture& a) { a.tables.areas.clear(); }, "areas masterdata is not loaded"},
        {{1},
         [](AreaFixture& a) { a.tables.area_items.clear(); },
         "areaItems masterdata is not loaded"},
        {{1},
         [](AreaFixture& a) { a.tables.shop_items.clear(); },
         "shopItems masterdata is not loaded"},
        {{1, 9}, [](AreaFixture& a) { a.tables.areas.clear(); }, "areas masterdata is not loaded"},
        {{1, 9}, nullptr, "User card not found for cardId=9"},
        {{1},
         [](AreaFixture& a) {
             a.tables.area_items.push_back({8, 10});
         },
         "area item levels not found for area_item_id=8"},
        {{1},
         [](AreaFixture& a) {
             std::erase_if(a.master.area_item_levels, [](const AreaItemLevel& row) {
                 return row.area_item_id == 5 && row.level == 1;
             });
         },
         "area item level not found for area_item_id=5 level=1"},
        {{1},
         [](AreaFixture& a) { a.tables.areas.erase(a.tables.areas.begin()); },
         "area not found for area_id=10"},
        {{1},
         [](AreaFixture& a) { a.tables.shop_items.erase(a.tables.shop_items.begin()); },
         "shop item not found for area_item_id=1 level=2"},
    };
    for (const Case& c : cases) {
        AreaFixture spoilt;
        if (c.spoil) c.spoil(spoilt);
        const auto upgrades =
            recommend_area_items(spoilt.tables, spoilt.user, spoilt.master, spoilt.index(), c.deck);
        ASSERT_FALSE(upgrades.ok()) << c.message;
        EXPECT_EQ(upgrades.error().message, c.message);
    }
}

}  // namespace
}  // namespace vdz
