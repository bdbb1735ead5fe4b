// Table lookup and the message families of the master-data loader.
#include "engine/table_reading.h"

namespace vdz {

Error missing_table_error(std::string_view name) {
    return make_error("缺少 masterdata 表 " + std::string(name));
}

Error table_parse_error(std::string_view name, const Error& reader_error) {
    return make_error("解析 " + std::string(name) + " 失败: " + reader_error.message);
}

const std::string* find_table(const RawTables& tables, std::string_view name) {
    const auto it = tables.find(name);
    return it == tables.end() ? nullptr : &it->second;
}

}  // namespace vdz
