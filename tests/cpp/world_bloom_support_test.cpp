#include "handler/world_bloom_support.h"

#include <gtest/gtest.h>

#include "prep_fixture.h"

namespace vdz {
namespace {

using testing::PrepFixture;

WBSupportDeckBonus table_row(std::string rarity, double specific, double others) {
    WBSupportDeckBonus row;
    row.card_rarity_type = std::move(rarity);
    row.world_bloom_support_deck_character_bonuses = {
        {"others", others}, {"SPECIFIC", specific}, {"specific", 99.0}};
    for (i32 k = 0; k <= 8; ++k) {
        row.world_bloom_support_deck_master_rank_bonuses.push_back({k, 0.5 * k});
        row.world_bloom_support_deck_skill_level_bonuses.push_back({k, 0.25 * k});
    }
    return row;
}

SupportCandidate candidate(u16 id, u32 rarity, u8 character, u8 units, u32 rank = 0,
                           u32 skill = 0) {
    return SupportCandidate{rarity, rank, skill, id, character, units};
}

TEST(WorldBloomSupport, BonusByRarityCharacterRanksAndLimitedRows) {
    PrepFixture f;
    f.master.world_bloom_support_wl2 = {table_row("rarity_4", 15.0, 10.0),
                                        table_row(" Rarity_Birthday ", 8.0, 4.0),
                                        table_row("4", 1.0, 1.0)};
    f.master.world_bloom_unit_event_bonuses = {
        {7, 5, 40, 1.5}, {7, 5, 40, 2.0}, {7, 6, 41, 9.0}, {8, 5, 41, 9.0}};
    SupportSettings settings{5, 2, 7, 20};
    const std::vector<SupportCandidate> cards = {
        candidate(40, 4, 5, 0x02, 2, 1),  // the featured character
        candidate(41, 4, 6, 0x02),        // another idol character
        candidate(42, 5, 7, 0x02, 8, 9),  // birthday; rank and skill beyond the tables
        candidate(43, 4, 9, 0x04),        // outside the unit
        candidate(44, 2, 6, 0x02),        // a rarity the table lacks
    };
    const SupportBonuses out =
        compute_world_bloom_support_bonuses(cards, f.view(), settings, std::nullopt);
    EXPECT_EQ(out.deck_size, 20);
    const std::vector<std::pair<u16, double>> expected = {
        {40, 15.0 + 1.0 + 0.25 + 3.5}, {41, 10.0}, {42, 4.0}, {43, 0.0}, {44, 0.0}};
    EXPECT_EQ(out.bonuses, expected);
}

TEST(WorldBloomSupport, UnresolvedRequestsGiveZerosInOrder) {
    PrepFixture f;
    f.master.world_bloom_support_wl1 = {table_row("rarity_4", 15.0, 10.0)};
    const std::vector<SupportCandidate> cards = {candidate(1, 4, 5, 0x02),
                                                 candidate(2, 4, 6, 0x02)};
    const std::vector<std::pair<u16, double>> zeros = {{1, 0.0}, {2, 0.0}};
    struct Case {
        SupportSettings settings;
        std::optional<i32> override_character;
    };
    const Case cases[] = {
        {{0, 1, 0, 20}, std::nullopt},   // character 0
        {{30, 1, 0, 20}, std::nullopt},  // a character no unit row lists
        {{5, 4, 0, 20}, std::nullopt},   // no table for turn 4
        {{5, std::nullopt, 0, 20}, std::nullopt},
        {{std::nullopt, 1, 0, 20}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            compute_world_bloom_support_bonuses(cards, f.view(), c.settings, c.override_character)
                .bonuses,
            zeros);
    EXPECT_TRUE(compute_world_bloom_support_bonuses(cards, f.view(), {5, 1, 0, 0}, std::nullopt)
                    .bonuses.empty());
    // An override stands in for the request's character.
    const auto by_override =
        compute_world_bloom_support_bonuses(cards, f.view(), {std::nullopt, 1, 0, 20}, 6);
    EXPECT_EQ(by_override.bonuses, (std::vector<std::pair<u16, double>>{{2, 15.0}, {1, 10.0}}));
}

}  // namespace
}  // namespace vdz
