// Display texts of the pool build errors.
#include "handler/pool_build_error.h"

namespace vdz {

void fmt_pool_build_error(const PoolBuildError& error, std::string& out) {
    if (std::holds_alternative<PoolBuildError::Empty>(error.kind)) {
        out += "候选卡池为空";
    } else if (const auto* capacity = std::get_if<PoolBuildError::CapacityExceeded>(&error.kind)) {
        out += "候选卡数量超过 mask 容量: ";
        out += std::to_string(capacity->count);
    } else {
        out += "构建参数非法: ";
        out += std::get<PoolBuildError::InvalidParams>(error.kind).message;
    }
}

std::string pool_build_error_to_string(const PoolBuildError& error) {
    std::string text;
    fmt_pool_build_error(error, text);
    return text;
}

Error option_error_from_pool_error(PoolBuildError error) {
    return make_error(pool_build_error_to_string(error));
}

}  // namespace vdz
