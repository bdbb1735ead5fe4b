// Reads the live type a caller names for an exact live score. Mysekai lives
// have no exact score, so that kind is not among the accepted texts.
#pragma once

#include <string_view>

#include "common/result.h"
#include "handler/enums.h"

namespace vdz {

// Trims Unicode white space, ignores ASCII case and accepts "solo", "auto",
// "multi", "cheerful" (also "cheerful_live"), "challenge" and
// "challenge_auto". Anything else is "invalid live type: {}" quoting `text`
// as given.
Result<LiveType> parse_exact_live_type(std::string_view text);

}  // namespace vdz
