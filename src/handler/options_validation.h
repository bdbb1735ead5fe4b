// Whole-record checks of the request options, run as the options reader's
// last step and again by the card power step on the record it is given.
#pragma once

#include <optional>

#include "handler/options.h"
#include "handler/pool_build_error.h"

namespace vdz {

// The first failing check as InvalidParams, or none when the record passes.
std::optional<PoolBuildError> validate_recommend_options(const RecommendOptions& options);

}  // namespace vdz
