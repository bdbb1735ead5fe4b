// One guarded lookup per process; its value is never parsed.
#include "search/dfs/force_scalar.h"

#include <cstdlib>
#include <mutex>

namespace vdz {
namespace {

std::once_flag force_scalar_once;
bool force_scalar_flag = false;

}  // namespace

bool force_scalar_enabled() {
    std::call_once(force_scalar_once, [] {
        (void)std::getenv(FORCE_SCALAR_VARIABLE);
        force_scalar_flag = false;
    });
    return force_scalar_flag;
}

}  // namespace vdz
