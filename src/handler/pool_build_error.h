// The one error type of request preparation after the options are read. The
// options validation, the card power step and the pool builder return it; the
// module front shows its text as a RuntimeError, the options reader as a
// ValueError.
#pragma once

#include <string>
#include <variant>

#include "common/result.h"
#include "common/types.h"

namespace vdz {

struct PoolBuildError {
    // No candidate card is left to search.
    struct Empty {};
    // More candidates are left than the pool's card masks hold.
    struct CapacityExceeded {
        usize count;
    };
    // A failed check of the options, the card power step or the pool builder.
    struct InvalidParams {
        std::string message;
    };

    std::variant<Empty, CapacityExceeded, InvalidParams> kind;

    static PoolBuildError empty() { return {Empty{}}; }
    static PoolBuildError capacity_exceeded(usize count) { return {CapacityExceeded{count}}; }
    static PoolBuildError invalid_params(std::string message) {
        return {InvalidParams{std::move(message)}};
    }
};

// Appends the error's display text to `out`.
void fmt_pool_build_error(const PoolBuildError& error, std::string& out);

std::string pool_build_error_to_string(const PoolBuildError& error);

// The options error carrying the error's text, with no other prefix.
Error option_error_from_pool_error(PoolBuildError error);

}  // namespace vdz
