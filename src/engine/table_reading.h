// The loader's frame around every table: lookup by exact file name, the rule
// for an absent table, and the message families that name the table. The
// family files declare their rows; this file turns a row reader into a table
// reader.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/raw_tables.h"

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

// Looks a table up and reads it with `parse` (text -> rows or the reader's
// error), applying the absent-table rule and the table's message families.
template <class Row, class Parse>
Result<std::vector<Row>> read_table(const RawTables& tables, std::string_view name, TableRule rule,
                                    Parse parse) {
    const std::string* text = find_table(tables, name);
    if (text == nullptr) {
        if (rule == TableRule::Required) return missing_table_error(name);
        return std::vector<Row>{};
    }
    Result<std::vector<Row>> rows = parse(*text);
    if (!rows) return table_parse_error(name, rows.error());
    return rows;
}

}  // namespace vdz
