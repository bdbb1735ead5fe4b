#include "handler/user_data.h"

namespace vdz {

Result<UserData> parse_user_data(std::string_view text) {
    Result<json::Value> root = json::parse_value(text);
    if (!root) return std::move(root).error();
    return UserData{std::move(root).value()};
}

}  // namespace vdz
