// The accepted live-type texts, "cheerful_live" among them as an alias of
// "cheerful"; every other text is refused with the text echoed.
#include "auxiliary/exact_live_type.h"

#include <array>
#include <utility>

#include "common/text.h"

namespace vdz {

Result<LiveType> parse_exact_live_type(std::string_view text) {
    static constexpr std::array<std::pair<std::string_view, LiveType>, 7> NAMES = {{
        {"solo", LiveType::SOLO},
        {"auto", LiveType::AUTO},
        {"multi", LiveType::MULTI},
        {"cheerful", LiveType::CHEERFUL},
        {"cheerful_live", LiveType::CHEERFUL},
        {"challenge", LiveType::CHALLENGE},
        {"challenge_auto", LiveType::CHALLENGE_AUTO},
    }};
    if (const std::optional<LiveType> type = find_name(NAMES, text)) return *type;
    std::string message = "invalid live type: ";
    message += echoed_input(text);
    return make_error(std::move(message));
}

}  // namespace vdz
