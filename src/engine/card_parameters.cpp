// Flattening of both `cardParameters` shapes into per-level records.
#include "engine/card_parameters.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>

namespace vdz {
namespace {

void group_lists(i32 card_id, const RawGroupedCardParameters& lists,
                 std::vector<CardParameter>& out) {
    const usize n = std::min({lists.param1.size(), lists.param2.size(), lists.param3.size()});
    for (usize i = 0; i < n; ++i) {
        out.push_back(CardParameter{card_id, static_cast<i32>(i + 1), lists.param1[i],
                                    lists.param2[i], lists.param3[i]});
    }
}

// Index 0..2 for "param1".."param3" (exact bytes), or -1 for any other type.
int parameter_slot(const std::string& type) {
    if (type == "param1") return 0;
    if (type == "param2") return 1;
    if (type == "param3") return 2;
    return -1;
}

void group_rows(i32 card_id, const std::vector<RawCardParameterRow>& rows,
                std::vector<CardParameter>& out) {
    // Levels ascending; a later row for the same level and type wins.
    std::map<i32, std::array<std::optional<i32>, 3>> levels;
    for (const RawCardParameterRow& row : rows) {
        const int slot = parameter_slot(row.card_parameter_type);
        if (slot < 0) continue;
        levels[row.card_level][slot] = row.power;
    }
    for (const auto& [level, values] : levels) {
        if (!values[0] || !values[1] || !values[2]) continue;
        out.push_back(CardParameter{card_id, level, *values[0], *values[1], *values[2]});
    }
}

}  // namespace

void group_card_parameters(i32 card_id, const RawCardParameters& params,
                           std::vector<CardParameter>& out) {
    if (const auto* lists = std::get_if<RawGroupedCardParameters>(&params)) {
        group_lists(card_id, *lists, out);
    } else {
        group_rows(card_id, std::get<std::vector<RawCardParameterRow>>(params), out);
    }
}

}  // namespace vdz
