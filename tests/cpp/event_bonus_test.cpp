#include <gtest/gtest.h>

#include "handler/card_power.h"
#include "prep_fixture.h"

namespace vdz {
namespace {

using testing::owned;
using testing::PrepFixture;

// Candidates of the fixture's cards, all owned, under `options`.
std::vector<CardCandidate> candidates(const PrepFixture& f, const RecommendOptions& options) {
    UserData user;
    for (const Card& card : f.master.cards)
        user.user_cards.push_back(owned(static_cast<u32>(card.id)));
    auto out = f.power(user, options);
    EXPECT_TRUE(out.ok()) << out.error().message;
    std::vector<CardCandidate> result;
    for (const PoweredCard& c : out->cards)
        result.push_back(c.candidate);
    return result;
}

const CardCandidate& find(const std::vector<CardCandidate>& all, u32 id) {
    for (const CardCandidate& c : all)
        if (c.card.card_id == id) return c;
    static const CardCandidate none;
    ADD_FAILURE() << "no candidate " << id;
    return none;
}

TEST(EventBonus, CustomCharacterAndAttributeBonuses) {
    PrepFixture f;
    f.add_card(1, 3, 2, "cute");
    f.add_card(2, 3, 2, "cool");
    f.add_card(3, 4, 2, "cute");
    RecommendOptions options;
    options.custom_bonus_character_ids = {3};
    options.custom_bonus_attr = "cute";
    const auto all = candidates(f, options);
    EXPECT_EQ(find(all, 1).base_x10, 500);  // h = 100: 50 %
    EXPECT_EQ(find(all, 2).base_x10, 250);
    EXPECT_EQ(find(all, 3).base_x10, 250);
    EXPECT_TRUE(find(all, 1).character_bonus && find(all, 1).attribute_bonus);
    EXPECT_FALSE(find(all, 3).character_bonus);

    options.custom_bonus_attr.reset();
    const auto characters_only = candidates(f, options);
    EXPECT_EQ(find(characters_only, 1).base_x10, 250);
    EXPECT_EQ(find(characters_only, 3).base_x10, 0);
}

TEST(EventBonus, DeckBonusRowsEventCardsAndRarityBonus) {
    PrepFixture f;
    f.add_card(1, 9, 4, "pure");                         // street
    f.add_card(2, 21, 4, "pure");                        // piapro without support unit
    f.add_card(3, 22, 4, "pure").support_unit = "idol";  // piapro with support idol
    f.add_card(4, 22, 4, "cool").support_unit = "street";
    f.master.events = {{70, "marathon"}};
    f.master.event_deck_bonuses = {
        {"street", std::nullopt, 9, 70, 10},           // character 9 of street
        {std::nullopt, "pure", std::nullopt, 70, 15},  // any pure card
        {"street", std::nullopt, 22, 70, 20},
        {std::nullopt, "pure", std::nullopt, 71, 99},  // another event
    };
    f.master.event_cards = {{70, 1, 20, 5}, {70, 2, -3, -1}, {70, 1, 90, 90}};
    f.master.event_rarity_bonuses =
        EventRarityBonuses({{0, 4, 0, 25}, {0, 4, 3, 50}, {0, 4, 3, 60}}, {70});
    RecommendOptions options;
    options.event_id = 70;
    const auto all = candidates(f, options);
    const CardCandidate& street = find(all, 1);
    EXPECT_EQ(street.limited_x10, 200);
    EXPECT_EQ(street.leader_limit_bonus, 5);
    EXPECT_EQ(street.base_x10, 5 * 30 + 25);  // max(2 x 10, 2 x 15) = 30, not 50
    EXPECT_TRUE(street.character_bonus && street.attribute_bonus);
    const CardCandidate& plain_vs = find(all, 2);
    EXPECT_EQ(plain_vs.limited_x10, 0);
    EXPECT_EQ(plain_vs.leader_limit_bonus, 0);
    EXPECT_EQ(plain_vs.base_x10, 5 * 30 + 25);  // the street row of character 9 needs character 9
    EXPECT_EQ(find(all, 3).base_x10, 5 * 30 + 25);
    EXPECT_EQ(find(all, 4).base_x10, 5 * 40 + 25);  // character 22, support unit street
}

TEST(EventBonus, SupportUnitOfTheSixthUnit) {
    PrepFixture f;
    f.add_card(1, 21, 2).support_unit = "idol";
    f.add_card(2, 22, 2);
    f.master.events = {{80, "marathon"}};
    f.master.event_deck_bonuses = {{"idol", std::nullopt, 21, 80, 10},
                                   {"piapro", std::nullopt, 22, 80, 10}};
    RecommendOptions options;
    options.event_id = 80;
    options.custom_bonus_character_ids = {21, 22};
    options.custom_bonus_character_support_units = {{21, 3}};  // street: not card 1's
    const auto all = candidates(f, options);
    EXPECT_EQ(find(all, 1).base_x10, 100);  // the idol row; no custom bonus
    EXPECT_EQ(find(all, 2).base_x10, 100 + 250);
}

TEST(EventBonus, FiltersRunForOrdinaryEventsAndChallengeLivesAlways) {
    PrepFixture f;
    for (i32 id = 1; id <= 6; ++id)
        f.add_card(id, id, 2, id % 2 ? "cool" : "cute");
    f.master.events = {{90, "marathon"}, {91, "world_bloom"}};
    RecommendOptions options;
    options.excluded_cards = {1};
    options.attr_filter = "cute";
    options.unit_filter = "light_sound";
    options.fixed_cards = {3};
    // Exclusion holds for every request; the other filters only for events.
    EXPECT_EQ(candidates(f, options).size(), 5u);  // no event: only card 1 goes
    options.event_id = 90;
    EXPECT_EQ(candidates(f, options).size(), 3u);  // 2, 4 and the fixed 3
    options.event_id = 91;
    EXPECT_EQ(candidates(f, options).size(), 5u);
    options.target = Target::POWER;
    options.event_id = 90;
    EXPECT_EQ(candidates(f, options).size(), 5u);
    options.excluded_cards = {3};  // a fixed card is excluded too
    EXPECT_EQ(candidates(f, options).size(), 5u);
    for (const CardCandidate& c : candidates(f, options))
        EXPECT_NE(c.card.card_id, 3u);
    options.challenge_live_character_id = 5;  // without a filtered event too
    options.fixed_cards.clear();
    const auto challenge = candidates(f, options);
    ASSERT_EQ(challenge.size(), 1u);
    EXPECT_EQ(challenge[0].card.card_id, 5u);
}

// Cards of characters the pool has no place for, and repeated entries of one
// card, never become candidates; the last entry of a repeated card counts.
TEST(EventBonus, LaterCharactersAndRepeatedCardsDropOut) {
    PrepFixture f;
    f.add_card(1, 26, 2);
    f.add_card(2, 27, 2);
    f.add_card(3, 40, 2);
    f.add_card(4, 5, 2);
    f.master.character_units.push_back({"idol", 27});
    f.master.character_units.push_back({"idol", 40});
    RecommendOptions options;
    const auto all = candidates(f, options);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].card.card_id, 1u);
    EXPECT_EQ(all[1].card.card_id, 4u);

    UserData user;
    user.user_cards = {owned(4, 7), owned(1), owned(4, 9), owned(1, 3), owned(4, 9)};
    const auto out = f.power(user, options);
    ASSERT_TRUE(out.ok());
    ASSERT_EQ(out->cards.size(), 2u);
    EXPECT_EQ(out->cards[0].candidate.card.level, 3u);  // card 1's last entry
    EXPECT_EQ(out->cards[1].candidate.card.level, 9u);
}

TEST(EventBonus, ThinningNeedsFiftyOneCandidatesAndOneRarityFour) {
    for (const i32 count : {50, 51}) {
        PrepFixture f;
        for (i32 id = 1; id <= count; ++id)
            f.add_card(id, id % 26 + 1, id == 7 ? 4 : 2);
        f.master.events = {{90, "marathon"}};
        RecommendOptions options;
        options.event_id = 90;
        EXPECT_EQ(candidates(f, options).size(), count == 50 ? 50u : 1u) << count;
    }
}

}  // namespace
}  // namespace vdz
