// The checks and the final order of the pool builder. The order fixes every
// card's pool index, which the searches use for their own tie-breaks, so it
// is part of the result: best first by the target's keys, fixed cards and
// characters ahead of everything else.
#pragma once

#include <vector>

#include "common/result.h"
#include "handler/pool_candidate.h"
#include "pool/pool_trimming.h"

namespace vdz {

// The fixed constraints after validation, as the search context keeps them.
struct FixedConstraints {
    std::vector<u16> cards;
    std::vector<u8> characters;
};

// The builder's checks on the trimmed candidates, in order; the error text is
// the PoolBuildError's display text.
Result<FixedConstraints> check_candidates(const std::vector<PoolCandidate>& candidates,
                                          const PoolShape& shape);

// Stable sort of the candidates into pool order.
void order_candidates(std::vector<PoolCandidate>& candidates, const PoolShape& shape,
                      const FixedConstraints& fixed);

}  // namespace vdz
