// Throughput of the JSON reader on a master-data-like card table (written by
// bench/json_bench.py): typed rows, typed rows whose parameters go through
// the two-shape capture, and generic values.
//   json_bench FILE [REPEATS]
// Prints one JSON object with the text size, the best time of each reading
// in milliseconds and its throughput in MB/s.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "json/typed.h"
#include "json/value.h"

namespace {

using namespace vdz;

struct ParameterRow {
    i32 card_level = 0;
    std::string type;
    i32 power = 0;
};
constexpr auto json_layout(json::Of<ParameterRow>) {
    return json::record("RawCardParameterRow",
                        json::required("cardLevel", &ParameterRow::card_level),
                        json::required("cardParameterType", &ParameterRow::type),
                        json::required("power", &ParameterRow::power));
}

struct Grouped {
    std::vector<i32> param1;
    std::vector<i32> param2;
    std::vector<i32> param3;
};
constexpr auto json_layout(json::Of<Grouped>) {
    return json::record("RawGroupedCardParameters", json::defaulted("param1", &Grouped::param1),
                        json::defaulted("param2", &Grouped::param2),
                        json::defaulted("param3", &Grouped::param3));
}

using Parameters = std::variant<Grouped, std::vector<ParameterRow>>;

bool read_parameters(json::Reader& in, Parameters& out) {
    return json::read_one_of(in, out,
                             "data did not match any variant of untagged enum RawCardParameters");
}

// The card row, with its parameters read either directly as rows or through
// the two-shape reader.
template <class Params>
struct Card {
    i32 id = 0;
    i32 character_id = 0;
    std::string rarity;
    std::string attr;
    std::optional<std::string> support_unit;
    i32 skill_id = 0;
    std::optional<i32> special_training_skill_id;
    std::optional<std::string> asset;
    i32 bonus1 = 0;
    i32 bonus2 = 0;
    i32 bonus3 = 0;
    Params parameters;
};

template <class C, class ParamsField>
constexpr auto card_layout(ParamsField parameters) {
    return json::record(
        "RawCard", json::required("id", &C::id), json::required("characterId", &C::character_id),
        json::required("cardRarityType", &C::rarity), json::required("attr", &C::attr),
        json::nullable("supportUnit", &C::support_unit), json::required("skillId", &C::skill_id),
        json::nullable("specialTrainingSkillId", &C::special_training_skill_id),
        json::nullable("assetbundleName", &C::asset),
        json::defaulted("specialTrainingPower1BonusFixed", &C::bonus1),
        json::defaulted("specialTrainingPower2BonusFixed", &C::bonus2),
        json::defaulted("specialTrainingPower3BonusFixed", &C::bonus3), parameters);
}

using RowsCard = Card<std::vector<ParameterRow>>;
using ShapesCard = Card<Parameters>;

constexpr auto json_layout(json::Of<RowsCard>) {
    return card_layout<RowsCard>(json::required("cardParameters", &RowsCard::parameters));
}
constexpr auto json_layout(json::Of<ShapesCard>) {
    return card_layout<ShapesCard>(
        json::required("cardParameters", &ShapesCard::parameters).read_with(read_parameters));
}

// Best wall time of `repeats` runs of `read`, in milliseconds.
template <class Read>
double best_ms(int repeats, Read read) {
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!read()) {
            std::fprintf(stderr, "reading failed\n");
            std::exit(1);
        }
        const auto stop = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(stop - start).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: json_bench FILE [REPEATS]\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;

    usize checksum = 0;
    const double typed = best_ms(repeats, [&] {
        auto rows = json::read_rows<RowsCard>(text);
        if (rows.ok()) checksum += rows->size();
        return rows.ok();
    });
    const double shapes = best_ms(repeats, [&] {
        auto rows = json::read_rows<ShapesCard>(text);
        if (rows.ok()) checksum += rows->size();
        return rows.ok();
    });
    const double generic = best_ms(repeats, [&] {
        auto value = json::parse_value(text);
        if (value.ok()) checksum += value->as_array()->size();
        return value.ok();
    });

    const double mb = static_cast<double>(text.size()) / 1e6;
    std::printf(
        "{\"bytes\":%zu,\"typed_ms\":%.3f,\"typed_mb_s\":%.1f,\"shapes_ms\":%.3f,"
        "\"shapes_mb_s\":%.1f,\"generic_ms\":%.3f,\"generic_mb_s\":%.1f,\"checksum\":%zu}\n",
        text.size(), typed, mb / typed * 1e3, shapes, mb / shapes * 1e3, generic,
        mb / generic * 1e3, checksum);
    return 0;
}
