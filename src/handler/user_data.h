// One player's data, parsed once from JSON and then only read: every request
// that names the player shares it by reference.
#pragma once

#include <string_view>

#include "common/result.h"
#include "json/value.h"

namespace vdz {

// Owned through `std::shared_ptr<const UserData>` by the Python object that
// wraps it, by every running call that uses it and by every card pool built
// from it; freed with the last of them.
struct UserData {
    json::Value root;  // the whole document, whatever its shape
};

// Parses the user-data text. Fails only when the text is not one JSON value;
// the error is the JSON reader's message with its line and column.
Result<UserData> parse_user_data(std::string_view text);

}  // namespace vdz
