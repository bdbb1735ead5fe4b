#include "handler/request_index.h"

#include <gtest/gtest.h>

#include "prep_fixture.h"

namespace vdz {
namespace {

using testing::PrepFixture;

TEST(RequestIndex, CardsJoinUnitsCapsAndAttributes) {
    PrepFixture f;
    f.add_card(10, 5, 4, "Mystery");
    f.add_card(10, 6, 1, "cute");  // a repeated id is not indexed again
    f.add_card(21, 21, 2, "pure").support_unit = " NONE ";
    f.add_card(22, 21, 3, "happy").support_unit = "vbs";
    f.add_card(23, 22, 5, "red");
    f.add_card(24, 27, 1);  // a character no unit row lists
    const auto index = build_request_index(f.view());

    const IndexedCard& a = *index->find_card(10);
    EXPECT_EQ(a.card.character_id, 5);
    EXPECT_EQ(a.unit_mask, 0x02);
    EXPECT_TRUE(a.attr_known);
    EXPECT_EQ(a.attr_index, 4);
    EXPECT_EQ(a.level_cap, 60u);  // the training max level
    EXPECT_EQ(a.skill_level_cap, 4u);
    EXPECT_EQ(a.master_rank_cap, 5u);

    const IndexedCard& none = *index->find_card(21);
    EXPECT_TRUE(none.no_support_unit);
    EXPECT_EQ(none.support_unit, 10);
    EXPECT_EQ(none.character_unit, 6);  // the first unit row of character 21
    EXPECT_EQ(none.unit_mask, 0x20);
    EXPECT_EQ(none.master_rank_cap, 0u);  // rarity 2 has no master lessons
    EXPECT_EQ(index->find_card(22)->unit_mask, 0x24);
    EXPECT_FALSE(index->find_card(23)->attr_known);
    EXPECT_EQ(index->find_card(24)->unit_mask, 0);
    EXPECT_EQ(index->find_card(24)->character_unit, 10);
    EXPECT_EQ(index->max_card_id, 24u);
}

TEST(RequestIndex, ParametersByLevelRepeatTheLevelBelow) {
    PrepFixture f;
    f.master.card_parameters = {
        {5, 3, 30, 31, 32}, {5, 1, 10, 11, 12}, {5, 3, 33, 34, 35}, {5, -2, 9, 9, 9}};
    f.add_card(6, 1, 4);
    Card card;
    card.id = 5;
    card.character_id = 1;
    card.attr = "cool";
    card.rarity = 4;
    f.master.cards.push_back(card);
    const auto index = build_request_index(f.view());
    const IndexedCard& c = *index->find_card(5);
    EXPECT_EQ(c.params_at(0), (PowerParams{10, 11, 12}));  // level 0 reads level 1
    EXPECT_EQ(c.params_at(2), (PowerParams{10, 11, 12}));
    EXPECT_EQ(c.params_at(3), (PowerParams{33, 34, 35}));  // the last row of a level
    EXPECT_EQ(c.params_at(200), (PowerParams{33, 34, 35}));
    EXPECT_EQ(c.params_at(4294967295u), (PowerParams{33, 34, 35}));
}

TEST(RequestIndex, RanksHonorsAreaItemsAndSkills) {
    PrepFixture f;
    f.master.character_ranks = {{5, 1.0}, {3, 2.0}, {5, 3.0}};
    f.master.honors = {Honor{7, {{1, -5}, {2, 30}, {2, 40}}}};
    f.master.area_item_levels = {{1, 2, std::nullopt, std::nullopt, std::nullopt, 5.0, 7.5},
                                 {1, 2, "idol", "Cute", 4, 1.0, 2.0}};
    f.add_card(1, 1, 4);
    const auto index = build_request_index(f.view());
    EXPECT_EQ(index->character_rank_rates,
              (std::vector<std::pair<i32, double>>{{3, 2.0}, {5, 3.0}}));
    EXPECT_EQ(index->character_rank_rate(7), 3.0);
    EXPECT_EQ(index->character_rank_rate(2), 0.0);
    EXPECT_EQ(index->honor_level_bonus.at(pair_key(7, 1)), 0u);
    EXPECT_EQ(index->honor_level_bonus.at(pair_key(7, 2)), 30u);
    const auto effects = index->area_item_effects.find(pair_key(1, 2));
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(effects[0].target_character, 0xFFFFFFFFu);
    EXPECT_EQ(effects[0].target_unit_index, -1);
    EXPECT_EQ(effects[0].target_attr_index, 255);
    EXPECT_EQ(effects[1].target_unit_index, 1);
    EXPECT_EQ(effects[1].target_attr_index, 1);
    EXPECT_EQ(effects[1].target_character, 4u);
    EXPECT_EQ(index->skill_effects.find(pair_key(1, 3))[0].kind, skill_kind::SCORE_UP);
}

}  // namespace
}  // namespace vdz

namespace vdz {
namespace {

TEST(GroupedRows, KeepsTheOrderOfEachKeyAcrossRuns) {
    const std::vector<std::pair<int, char>> rows = {{1, 'a'}, {1, 'b'}, {2, 'c'},
                                                    {1, 'd'}, {3, 'e'}, {2, 'f'}};
    GroupedRows<int, char> grouped;
    grouped.build([&](auto emit) {
        for (const auto& [key, row] : rows)
            emit(key, row);
    });
    const auto text = [&](int key) {
        const auto found = grouped.find(key);
        return std::string(found.begin(), found.end());
    };
    EXPECT_EQ(text(1), "abd");
    EXPECT_EQ(text(2), "cf");
    EXPECT_EQ(text(3), "e");
    EXPECT_EQ(text(4), "");
    grouped.edit_groups([](std::span<char> group) { return group.size() - 1; });
    EXPECT_EQ(text(1), "ab");
    EXPECT_EQ(text(3), "");
}

}  // namespace
}  // namespace vdz
