#include "engine/table_directory.h"

#include <gtest/gtest.h>

namespace vdz {
namespace {

TEST(TableDirectory, TableNamesEndInJson) {
    struct Case {
        std::string_view name;
        bool table;
    };
    const Case cases[] = {
        {"cards.json", true}, {"..json", true}, {".a.json", true},  {"a..json", true},
        {".json", false},     {"..", false},    {"a.JSON", false},  {"a.json.bak", false},
        {"x.", false},        {"json", false},  {"a.jsonx", false}, {"\xFF.json", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(is_table_file_name(c.name), c.table) << c.name;
}

}  // namespace
}  // namespace vdz
