// Values of the search context that follow from the options by fixed rules.
#include "pool/search_context.h"

namespace vdz {

u32 boost_rate_from_option(std::optional<i32> boost) {
    if (!boost || *boost <= 0 || *boost > 10) return 100;
    const u32 b = static_cast<u32>(*boost);
    return b <= 5 ? 500 * b : 1500 + 200 * b;
}

}  // namespace vdz
