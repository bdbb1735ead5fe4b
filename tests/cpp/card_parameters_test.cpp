#include "engine/card_parameters.h"

#include <gtest/gtest.h>

namespace vdz {
namespace {

std::vector<CardParameter> group(const RawCardParameters& params) {
    std::vector<CardParameter> out;
    group_card_parameters(100, params, out);
    return out;
}

TEST(CardParameters, GroupedShapeStopsAtTheShortestList) {
    EXPECT_EQ(group(RawGroupedCardParameters{{10, 20, 30}, {1, 2}, {5, 6, 7, 8}}),
              (std::vector<CardParameter>{{100, 1, 10, 1, 5}, {100, 2, 20, 2, 6}}));
    EXPECT_TRUE(group(RawGroupedCardParameters{{10}, {1}, {}}).empty());
}

TEST(CardParameters, RowShapeKeepsCompleteLevelsInOrder) {
    const std::vector<RawCardParameterRow> rows = {
        {2, "param1", 21}, {2, "param2", 22}, {2, "param3", 23},  // level 2 first in the file
        {1, "param1", 5},  {1, "param2", 12}, {1, "param3", 13}, {1, "param1", 9},  // later wins
        {3, "param1", 31}, {3, "param2", 32},  // no param3: dropped
        {4, "param1", 1},  {4, "Param2", 1},  {4, " param2", 1}, {4, "param3", 1},
        {-1, "param1", 7}, {-1, "param2", 8}, {-1, "param3", 9},  // kept like any level
        {5, "other", 1},
    };
    EXPECT_EQ(group(rows), (std::vector<CardParameter>{
                               {100, -1, 7, 8, 9}, {100, 1, 9, 12, 13}, {100, 2, 21, 22, 23}}));
    EXPECT_TRUE(group(std::vector<RawCardParameterRow>{}).empty());
}

}  // namespace
}  // namespace vdz
