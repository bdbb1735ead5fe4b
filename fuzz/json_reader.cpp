// Fuzz target for the JSON layer: any bytes go through the generic reader,
// the typed reader (a row table with nested records, optional and defaulted
// keys and a two-shape key) and, when accepted, a write and re-read that
// must give back an equal value and the same text. Crashes, sanitizer
// reports and broken round trips are failures.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "json/typed.h"
#include "json/writer.h"

namespace {

using namespace vdz;

struct Level {
    i32 level = 0;
    double rate = 0;
};
constexpr auto json_layout(json::Of<Level>) {
    return json::record("Level", json::required("level", &Level::level),
                        json::defaulted("rate", &Level::rate));
}

using Shape = std::variant<std::vector<std::vector<i32>>, std::vector<Level>>;

bool read_shape(json::Reader& in, Shape& out) {
    return json::read_one_of(in, out, "data did not match any variant of untagged enum Shape");
}

struct Row {
    i32 id = 0;
    std::string name;
    std::optional<u32> group;
    std::vector<Level> levels;
    std::array<double, 2> pair{};
    bool flag = false;
    i64 big = 0;
    std::optional<json::Value> extra;
    Shape shape;
};
constexpr auto json_layout(json::Of<Row>) {
    return json::record("Row", json::required("id", &Row::id), json::defaulted("name", &Row::name),
                        json::nullable("group", &Row::group),
                        json::defaulted("levels", &Row::levels),
                        json::defaulted("pair", &Row::pair), json::defaulted("flag", &Row::flag),
                        json::defaulted("big", &Row::big), json::defaulted("extra", &Row::extra),
                        json::defaulted("shape", &Row::shape).read_with(read_shape));
}

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // 1. Generic reading; what is accepted writes and re-reads to itself.
    auto value = json::parse_value(text);
    if (value.ok()) {
        const std::string written = json::to_json(*value);
        auto again = json::parse_value(written);
        check(again.ok());
        check(*again == *value);
        check(json::to_json(*again) == written);
    } else {
        check(!value.error().message.empty());
    }

    // 2. Typed reading of a row table.
    auto rows = json::read_rows<Row>(text);
    if (!rows.ok()) check(!rows.error().message.empty());
    return 0;
}
