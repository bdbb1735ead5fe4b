// Fuzz target for the options reader: any bytes either fail with a message
// or give a record that passes its own validation and survives the reading
// limits (list sizes, ranges), so the preparation can trust it.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "handler/options.h"
#include "handler/options_validation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vdz;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Result<RecommendOptions> parsed = parse_recommend_options(text);
    if (!parsed.ok()) {
        if (parsed.error().message.empty()) std::abort();
        return 0;
    }
    const RecommendOptions& o = parsed.value();
    if (validate_recommend_options(o)) std::abort();
    if (o.limit < 1 || o.limit > 100 || o.timeout_ms < 1 || o.timeout_ms > 300000) std::abort();
    if (o.target_bonus_list.size() > 32 || o.custom_bonus_character_ids.size() > 26) std::abort();
    if (o.specific_skill_order)
        for (const u64 index : *o.specific_skill_order)
            if (index >= 5) std::abort();
    return 0;
}
