// A card's power by level. "cards.json" gives it in one of two shapes under
// `cardParameters`; this file owns both raw shapes and their flattening into
// one record per (card, level), which is what power calculations look up.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "common/types.h"

namespace vdz {

// Grouped shape: position i of each list is the value at level i + 1.
struct RawGroupedCardParameters {
    std::vector<i32> param1;
    std::vector<i32> param2;
    std::vector<i32> param3;
};

// Row shape: one value of one parameter type at one level.
struct RawCardParameterRow {
    i32 card_level = 0;
    std::string card_parameter_type;
    i32 power = 0;
};

// The value of a card row's `cardParameters`, in whichever shape it came.
using RawCardParameters = std::variant<RawGroupedCardParameters, std::vector<RawCardParameterRow>>;

// One card's three power values at one level. Owned by MasterData.
struct CardParameter {
    i32 card_id = 0;
    i32 level = 0;
    i32 param1 = 0;
    i32 param2 = 0;
    i32 param3 = 0;

    friend bool operator==(const CardParameter&, const CardParameter&) = default;
};

// Appends the records of one card to `out`, in ascending level. Incomplete
// data (uneven lists, a level missing a type, unknown types) only yields fewer
// records; it is never an error.
void group_card_parameters(i32 card_id, const RawCardParameters& params,
                           std::vector<CardParameter>& out);

}  // namespace vdz
