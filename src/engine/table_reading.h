// The loader's frame around every table: lookup by exact file name, the rule
// for an absent table, and the message families that name the table. The
// family files declare their rows and their JSON layouts; this file turns
// them into table readers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/raw_tables.h"
#include "json/typed.h"

namespace vdz {

// What an absent table means.
enum class TableRule : u8 {
    Required,  // the load fails with "缺少 masterdata 表 {}"
    Optional,  // an empty list
};

// "缺少 masterdata 表 {name}"
Error missing_table_error(std::string_view name);

// "解析 {name} 失败: {reader's text}"; the reader's text ends with the line
// and column where reading stopped.
Error table_parse_error(std::string_view name, const Error& reader_error);

// The table's text, looked up byte for byte ("cards.json", never "cards");
// null when the tables do not hold it.
const std::string* find_table(const RawTables& tables, std::string_view name);

// Looks a table up and reads its rows by the JSON layout of `Row`, applying
// the absent-table rule and the table's message families. The layout must be
// declared before the call.
template <class Row>
Result<std::vector<Row>> read_table(const RawTables& tables, std::string_view name,
                                    TableRule rule) {
    const std::string* text = find_table(tables, name);
    if (text == nullptr) {
        if (rule == TableRule::Required) return missing_table_error(name);
        return std::vector<Row>{};
    }
    Result<std::vector<Row>> rows = json::read_rows<Row>(*text);
    if (!rows) return table_parse_error(name, rows.error());
    return rows;
}

}  // namespace vdz
