#include "engine/area_item_levels.h"

#include <gtest/gtest.h>

namespace vdz {
namespace {

TEST(AreaItemLevels, NormalisesTargets) {
    const std::optional<std::string> none;
    struct Case {
        std::optional<std::string> in, out;
    };
    const Case cases[] = {
        {none, none}, {" none ", none}, {"any", none},  {"\u3000", none},
        {"", none},   {"None", "None"}, {"ANY", "ANY"}, {" light sound\t", "light sound"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(normalize_optional_target(c.in), c.out) << c.in.value_or("<absent>");
}

TEST(AreaItemLevels, CanonicalOrderIsStable) {
    auto level = [](i32 item, i32 lv, std::optional<std::string> unit,
                    std::optional<std::string> attr, std::optional<i32> character, double rate) {
        return AreaItemLevel{item, lv, std::move(unit), std::move(attr), character, rate, 0.0};
    };
    const std::optional<std::string> no_text;
    const std::optional<i32> no_char;
    const std::vector<AreaItemLevel> rows = {
        level(1, 2, "street", no_text, no_char, 1),
        level(1, 1, "idol", no_text, no_char, 2),
        level(1, 1, "idol", "cute", no_char, 3),
        level(1, 1, no_text, no_text, 5, 4),
        level(1, 1, no_text, no_text, no_char, 5),
        level(1, 1, " none", no_text, no_char, 6),  // sorts as absent, after row 5 (file order)
        level(1, 1, "idols", no_text, no_char, 7),  // a longer text after its prefix
        level(-3, 9, no_text, no_text, no_char, 8),
        level(1, 1, no_text, no_text, 3, 9),
        level(1, 1, no_text, no_text, 3, 10),  // equal keys keep file order
    };
    const auto sorted = index_area_item_levels(rows);
    std::vector<double> order;
    for (const auto& r : sorted)
        order.push_back(r.power1_bonus_rate);
    EXPECT_EQ(order, (std::vector<double>{8, 5, 6, 9, 10, 4, 2, 3, 7, 1}));
    EXPECT_EQ(sorted[2].target_unit, no_text);
    EXPECT_EQ(sorted[6].target_unit, "idol");
}

}  // namespace
}  // namespace vdz
