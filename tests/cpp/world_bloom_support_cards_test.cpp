#include "auxiliary/world_bloom_support_cards.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vdz {
namespace {

// Characters 1 and 2 sing in light_sound, 5 in idol, 21 is a virtual singer.
// The support table values rarity 4 as: specific 15, others 10, master rank 5
// +2.5, skill level 4 +2.5; rarity 3 as specific 6, others 4, nothing else.
MasterData support_master() {
    MasterData master;
    const auto card = [](i32 id, i32 character, u32 rarity, std::optional<std::string> support) {
        Card c;
        c.id = id;
        c.character_id = character;
        c.rarity = rarity;
        c.support_unit = std::move(support);
        return c;
    };
    master.cards = {card(10, 1, 4, {}),      card(11, 2, 4, {}),
                    card(12, 5, 4, {}),      card(13, 21, 3, "light_sound"),
                    card(14, 21, 3, "idol"), card(15, 21, 3, {}),
                    card(16, 2, 3, {}),      card(17, 1, 1, {})};
    master.character_units = {{"light_sound", 1}, {"LIGHT_SOUND", 2}, {"idol", 5},
                              {"piapro", 21},     {"idol", 21},       {"piapro", 22}};
    master.card_rarities = {{3, 0, 0, 7}, {4, 0, 0, 6}};
    master.master_lessons = {{4, 5, 0, 0, 0}, {4, 9, 0, 0, 0}, {4, -3, 0, 0, 0}};
    master.world_blooms = {{140, 5, 1}, {141, 1, 1}, {141, 2, 2}, {1000, 99, 1}, {7, {}, 1}};
    WBSupportDeckBonus rarity4;
    rarity4.card_rarity_type = " RARITY_4 ";
    rarity4.world_bloom_support_deck_character_bonuses = {
        {"Others", 10.0}, {"specific", 15.0}, {"others", 99.0}};
    rarity4.world_bloom_support_deck_master_rank_bonuses = {{5, 2.5}, {9, 4.0}};
    rarity4.world_bloom_support_deck_skill_level_bonuses = {{4, 2.5}, {6, 3.0}};
    WBSupportDeckBonus rarity3;
    rarity3.card_rarity_type = "3";
    rarity3.world_bloom_support_deck_character_bonuses = {
        {"specific ", 99.0}, {"specific", 6.0}, {"others", 4.0}};
    WBSupportDeckBonus unknown;
    unknown.card_rarity_type = "rarity_5";
    unknown.world_bloom_support_deck_character_bonuses = {{"others", 50.0}};
    master.world_bloom_support_wl1 = {unknown, rarity4, rarity3};
    master.world_bloom_support_wl2 = {rarity3};
    master.world_bloom_unit_event_bonuses = {
        {141, 1, 11, 3.0}, {141, 1, 11, 0.5}, {141, 2, 11, 100.0}, {0, 1, 16, -20.0}};
    return master;
}

UserCard owned(u32 id, u32 skill_level = 4, u32 master_rank = 5) {
    UserCard card;
    card.card_id = id;
    card.level = 50 + id;
    card.skill_level = skill_level;
    card.master_rank = master_rank;
    return card;
}

RecommendOptions world_bloom(std::optional<i32> turn, std::optional<i32> event,
                             std::optional<i32> character) {
    RecommendOptions options;
    options.world_bloom_event_turn = turn;
    options.event_id = event;
    options.world_bloom_character_id = character;
    return options;
}

TEST(WorldBloomSupportCards, TurnAndCharacterChecks) {
    const MasterData master = support_master();
    constexpr const char* TURN =
        "构建参数非法: world_bloom_event_turn or a World Bloom event_id is required";
    constexpr const char* CHARACTER = "构建参数非法: world_bloom_character_id is required";
    struct Case {
        std::optional<i32> turn, event, character;
        const char* error;  // null: accepted
    };
    const Case cases[] = {
        {0, 141, 1, TURN},        {4, 141, 1, TURN},
        {3, {}, 26, nullptr},     {3, {}, 27, CHARACTER},
        {{}, {}, 1, TURN},        {1, {}, {}, CHARACTER},
        {{}, 180, {}, CHARACTER}, {{}, 180, 3, nullptr},
        {{}, 140, {}, nullptr},   {{}, 999, 1, TURN},
        {{}, -5, 1, TURN},        {{}, 1000, {}, CHARACTER},  // its row names character 99
        {{}, 1000, 0, CHARACTER}, {{}, 7, {}, CHARACTER},
        {{}, 1001, 1, nullptr},   {{}, 9200001, 1, nullptr},
        {{}, 9300001, 1, TURN},   {{}, 141, {}, nullptr},
    };
    for (const Case& c : cases) {
        const auto cards = list_world_bloom_support_cards(
            {}, master, world_bloom(c.turn, c.event, c.character), {});
        if (c.error) {
            ASSERT_FALSE(cards.ok());
            EXPECT_EQ(cards.error().message, c.error);
        } else {
            ASSERT_TRUE(cards.ok()) << cards.error().message;
            EXPECT_TRUE(cards->empty());
        }
    }
    // An unknown card fails the whole list, even after valid cards.
    const auto unknown =
        list_world_bloom_support_cards({owned(10), owned(99)}, master, world_bloom(1, {}, 1), {});
    ASSERT_FALSE(unknown.ok());
    EXPECT_EQ(unknown.error().message, "构建参数非法: support deck card not found for card_id=99");
}

// (card id, bonus) of every record, in list order.
std::vector<std::pair<i32, double>> bonuses(const std::vector<WorldBloomSupportCard>& cards) {
    std::vector<std::pair<i32, double>> out;
    for (const auto& card : cards)
        out.emplace_back(card.card_id, card.bonus);
    return out;
}

TEST(WorldBloomSupportCards, BonusesAndOrder) {
    const MasterData master = support_master();
    const std::vector<UserCard> user = {owned(17), owned(16), owned(15), owned(14),      owned(13),
                                        owned(12), owned(11), owned(10), owned(11, 1, 0)};
    // Turn 2 of event 141, character 1 from the event's first row.
    auto cards = list_world_bloom_support_cards(user, master, world_bloom({}, 141, {}), {});
    ASSERT_TRUE(cards.ok());
    using Line = std::vector<std::pair<i32, double>>;
    // Only rarity 3 has a row in the second table; 15 is a virtual singer
    // without a supported unit, 14 supports idol, 12 sings in idol.
    EXPECT_EQ(bonuses(*cards), (Line{{13, 4.0},
                                     {16, 4.0},
                                     {10, 0.0},
                                     {11, 0.0},
                                     {11, 0.0},
                                     {12, 0.0},
                                     {14, 0.0},
                                     {15, 0.0},
                                     {17, 0.0}}));

    // Turn 1: the limited rows of event 141 for character 1 add to card 11.
    auto options = world_bloom(1, 141, {});
    cards = list_world_bloom_support_cards(user, master, options, {});
    ASSERT_TRUE(cards.ok());
    EXPECT_EQ(bonuses(*cards), (Line{{10, 20.0},
                                     {11, 18.5},
                                     {11, 13.5},
                                     {13, 4.0},
                                     {16, 4.0},
                                     {12, 0.0},
                                     {14, 0.0},
                                     {15, 0.0},
                                     {17, 0.0}}));
    EXPECT_EQ((*cards)[1].skill_level, 4);
    EXPECT_EQ((*cards)[2].skill_level, 1);

    // Every unit counts; the maxima replace the player's values.
    cards = list_world_bloom_support_cards(user, master, options, {true, true, true});
    ASSERT_TRUE(cards.ok());
    EXPECT_EQ(bonuses(*cards), (Line{{10, 22.0},
                                     {11, 20.5},
                                     {11, 20.5},
                                     {12, 17.0},
                                     {13, 4.0},
                                     {14, 4.0},
                                     {15, 4.0},
                                     {16, 4.0},
                                     {17, 0.0}}));
    EXPECT_EQ((*cards)[0].master_rank, 9);
    EXPECT_EQ((*cards)[0].skill_level, 6);
    EXPECT_EQ((*cards)[4].master_rank, 0);  // rarity 3 has no master lessons
    EXPECT_EQ((*cards)[4].skill_level, 7);
    EXPECT_EQ((*cards)[8].skill_level, 4);  // rarity 1 has no rarity row: kept
    EXPECT_EQ((*cards)[8].level, 67);

    // A negative sum counts as nothing (card 16 in a request without an event).
    cards = list_world_bloom_support_cards(user, master, world_bloom(1, {}, 1), {});
    ASSERT_TRUE(cards.ok());
    const auto sixteen = std::find_if(cards->begin(), cards->end(),
                                      [](const auto& card) { return card.card_id == 16; });
    ASSERT_NE(sixteen, cards->end());
    EXPECT_EQ(sixteen->bonus, 0.0);
}

TEST(WorldBloomSupportCards, WritesSortedKeys) {
    WorldBloomSupportCard a{20.0, 5, 4, 5, 60, true, false};
    WorldBloomSupportCard b{0.125, -3, 1, 0, 1, false, true};
    EXPECT_EQ(write_world_bloom_support_cards({}), "[]");
    EXPECT_EQ(
        write_world_bloom_support_cards({a, b}),
        R"([{"after_training":true,"bonus":20.0,"card_id":5,"default_image":"original",)"
        R"("level":60,"master_rank":5,"skill_level":4},{"after_training":false,"bonus":0.125,)"
        R"("card_id":-3,"default_image":"special_training","level":1,"master_rank":0,)"
        R"("skill_level":1}])");
}

}  // namespace
}  // namespace vdz
