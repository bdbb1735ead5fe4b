// Fuzz target for the user-data reader: any bytes either fail with the JSON
// reader's message or give a UserData; valid JSON of any shape never fails.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "handler/user_data.h"
#include "json/value.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vdz;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Result<UserData> parsed = parse_user_data(text);
    const bool is_json = json::parse_value(text).ok();
    if (parsed.ok() != is_json) std::abort();
    if (parsed.ok())
        for (const UserCard& card : parsed->user_cards)
            if (card.canvas != CanvasState::UNSET || card.not_owned) std::abort();
    return 0;
}
