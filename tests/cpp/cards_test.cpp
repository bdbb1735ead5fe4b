#include "engine/cards.h"

#include <gtest/gtest.h>

namespace vdz {
namespace {

TEST(Cards, RarityCodes) {
    struct Case {
        std::string_view text;
        u32 code;
    };
    const Case cases[] = {
        {"rarity_1", 1}, {"rarity_2", 2}, {"RARITY_3", 3},
        {"rarity_4", 4}, {"birthday", 5}, {" \u3000Rarity_Birthday\t", 5},
        {"rarity_5", 4}, {"", 4},         {"rarity_ 1", 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse_card_rarity_type(c.text), c.code) << c.text;
}

RawCard card(i32 id, i32 character, i32 skill) {
    RawCard row;
    row.id = id;
    row.character_id = character;
    row.skill_id = skill;
    return row;
}

TEST(Cards, AssetNameIsKeptOrMadeFromTheId) {
    std::vector<RawCard> rows(5, card(5, 1, 1));
    rows[0].special_training_skill_id = 7;
    rows[2].assetbundle_name = "";
    rows[3].assetbundle_name = "res_x";
    rows[4].id = -5;
    const auto cards = build_cards(rows);
    EXPECT_EQ(cards[0].asset_name, "card_000005_normal");
    EXPECT_EQ(cards[1].asset_name, "chara_000005");
    EXPECT_EQ(cards[2].asset_name, "");
    EXPECT_EQ(cards[3].asset_name, "res_x");
    EXPECT_EQ(cards[4].asset_name, "chara_-00005");

    RawCard long_id = card(12345678, 1, 1);
    EXPECT_EQ(build_cards({long_id})[0].asset_name, "chara_12345678");
}

TEST(Cards, SupportUnitIsTrimmedAndNoneDropped) {
    const std::optional<std::string> none;
    EXPECT_EQ(normalize_support_unit(none), none);
    EXPECT_EQ(normalize_support_unit(std::string("  none ")), none);
    EXPECT_EQ(normalize_support_unit(std::string(" \t")), none);
    EXPECT_EQ(normalize_support_unit(std::string(" None ")), "None");
    EXPECT_EQ(normalize_support_unit(std::string(" idol\u3000")), "idol");
}

TEST(Cards, CardRecordsKeepFileOrderAndDuplicates) {
    std::vector<RawCard> rows = {card(2, 1, 10), card(1, 1, 11), card(2, 3, 12)};
    rows[0].card_rarity_type = " rarity_birthday";
    rows[0].attr = " Cute";
    const auto cards = build_cards(rows);
    ASSERT_EQ(cards.size(), 3u);
    EXPECT_EQ(cards[0].id, 2);
    EXPECT_EQ(cards[0].rarity, 5u);
    EXPECT_EQ(cards[0].card_rarity_type, " rarity_birthday");
    EXPECT_EQ(cards[0].attr, " Cute");
    EXPECT_EQ(cards[1].id, 1);
    EXPECT_EQ(cards[2].character_id, 3);
}

TEST(Cards, SkillUnitsFollowCharactersFirstCardAndVirtualSingers) {
    // Character 21 is listed twice: the last row (street) wins. Character 22
    // is a virtual singer; character 9 has no unit at all.
    const std::vector<RawGameCharacterUnit> units = {
        {1, 21, "piapro"}, {2, 21, "street"}, {3, 22, "piapro"}, {4, 1, "idol"}};
    const auto character_units = build_character_units(units);
    EXPECT_EQ(character_units.at(21), "street");

    std::vector<RawCard> cards = {card(1, 21, 100), card(2, 22, 200), card(3, 22, 201),
                                  card(4, 22, 202), card(5, 1, 200),  card(6, 9, 300)};
    cards[0].support_unit = "idol";    // not a virtual singer any more: ignored
    cards[1].support_unit = " idol ";  // trimmed
    cards[2].support_unit = " none";   // no support: stays piapro
    const auto skill_units = build_skill_units(cards, character_units);
    EXPECT_EQ(skill_units.at(100), "street");
    EXPECT_EQ(skill_units.at(200), "idol");  // first card with skill 200 decides
    EXPECT_EQ(skill_units.at(201), "piapro");
    EXPECT_EQ(skill_units.at(202), "piapro");
    EXPECT_EQ(skill_units.count(300), 0u);

    const auto list = list_character_units(units);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[1].unit, "street");
    EXPECT_EQ(list[1].game_character_id, 21);
}

}  // namespace
}  // namespace vdz
