// Each column is built backwards: position p's entry is p itself when its
// value reaches the column's, else the entry of p + 1.
#include "search/kernels/next_at_least.h"

#include <algorithm>

namespace vdz {

NextAtLeast::NextAtLeast(std::span<const u8> values)
    : distinct_(values.begin(), values.end()), size_(static_cast<u32>(values.size())) {
    std::sort(distinct_.begin(), distinct_.end());
    distinct_.erase(std::unique(distinct_.begin(), distinct_.end()), distinct_.end());
    next_.assign(distinct_.size(), std::vector<u32>(values.size() + 1, size_));
    for (usize k = 0; k < distinct_.size(); ++k)
        for (usize p = values.size(); p-- > 0;)
            next_[k][p] = values[p] >= distinct_[k] ? static_cast<u32>(p) : next_[k][p + 1];
}

}  // namespace vdz
