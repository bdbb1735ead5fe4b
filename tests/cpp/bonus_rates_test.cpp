#include "engine/bonus_rates.h"

#include <gtest/gtest.h>

#include <limits>

#include "common/numeric.h"
#include "engine/event_bonuses.h"

namespace vdz {
namespace {

constexpr i32 MAX = std::numeric_limits<i32>::max();
constexpr i32 MIN = std::numeric_limits<i32>::min();

TEST(BonusRates, RoundsHalvesAwayFromZeroAndSaturates) {
    struct Case {
        double in;
        i32 out;
    };
    const Case cases[] = {{12.5, 13},          {-12.5, -13},
                          {12.49, 12},         {2.5, 3},
                          {-2.5, -3},          {0.0, 0},
                          {-0.0, 0},           {1e300, MAX},
                          {-1e300, MIN},       {2147483647.4, MAX},
                          {2147483647.5, MAX}, {-2147483648.5, MIN}};
    for (const Case& c : cases)
        EXPECT_EQ(round_to_i32(c.in), c.out) << c.in;
}

TEST(BonusRates, RarityRatesExpandOverEveryEventInTenths) {
    const std::vector<RawEventRarityBonusRate> rows = {
        {"rarity_4", 1, 12.5}, {" Rarity_Birthday ", 2, 0.05}, {"odd", 3, 2.25},
        {"rarity_1", 4, 0.04}, {"rarity_2", 5, -3.0},          {"rarity_3", 6, 1e12},
        {"rarity_3", 7, -0.0}};
    const std::vector<Event> events = {{10, "marathon"}, {11, "cheerful_carnival"}, {10, "x"}};
    const auto out = convert_rarity_bonus_rows(rows, events);
    ASSERT_EQ(out.size(), rows.size() * events.size());
    EXPECT_EQ(out[0].event_id, 10);
    EXPECT_EQ(out[1].event_id, 11);
    EXPECT_EQ(out[2].event_id, 10);
    EXPECT_EQ(out[3].master_rank, 2);
    const i32 expected_tenths[] = {125, 1, 23, 0, 0, MAX, 0};
    const u32 expected_rarity[] = {4, 5, 4, 1, 2, 3, 3};
    for (usize r = 0; r < rows.size(); ++r) {
        for (usize e = 0; e < events.size(); ++e) {
            const EventRarityBonus& b = out[r * events.size() + e];
            EXPECT_EQ(b.bonus_rate_x10, expected_tenths[r]) << r;
            EXPECT_EQ(b.rarity, expected_rarity[r]) << r;
        }
    }
    EXPECT_TRUE(convert_rarity_bonus_rows(rows, {}).empty());
}

TEST(BonusRates, DifferentAttributeRatesAreRounded) {
    const auto out = convert_diff_attr_bonus_rows({{1, 2.5}, {2, -2.5}, {1, 10.0}});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].bonus_rate, 3);
    EXPECT_EQ(out[1].bonus_rate, -3);
    EXPECT_EQ(out[2].attribute_count, 1);
}

TEST(EventBonuses, CardRatesAreRounded) {
    const auto out = round_event_card_rates({{5, 9, 20.0, 2.5}, {6, 9, -0.5, 1e40}});
    EXPECT_EQ(out[0].event_id, 9);
    EXPECT_EQ(out[0].card_id, 5);
    EXPECT_EQ(out[0].bonus_rate, 20);
    EXPECT_EQ(out[0].leader_bonus_rate, 3);
    EXPECT_EQ(out[1].bonus_rate, -1);
    EXPECT_EQ(out[1].leader_bonus_rate, MAX);
}

TEST(EventBonuses, DeckBonusUnitsComeFromTheFirstRowWithTheId) {
    const std::vector<RawGameCharacterUnit> units = {
        {7, 3, "idol"}, {7, 4, "street"}, {8, 21, "piapro"}};
    const std::vector<RawEventDeckBonus> rows = {
        {1, 7, std::nullopt, 25.5}, {1, std::nullopt, "Cute ", 10.0}, {2, 99, "cool", 5.0}};
    const auto out = resolve_event_deck_bonus_units(rows, units);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].unit, "idol");
    EXPECT_EQ(out[0].game_character_id, 3);
    EXPECT_EQ(out[0].bonus_rate, 26);
    EXPECT_EQ(out[1].unit, std::nullopt);
    EXPECT_EQ(out[1].game_character_id, std::nullopt);
    EXPECT_EQ(out[1].card_attr, "Cute ");
    EXPECT_EQ(out[2].unit, std::nullopt);
    EXPECT_EQ(out[2].event_id, 2);
}

}  // namespace
}  // namespace vdz
