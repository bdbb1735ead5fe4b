// The trimming phases of the pool builder: a fixed sequence of cuts, each
// keyed to the target, the live type and the event, that bring the candidate
// list down before it is checked, ordered and packed. The order the phases
// leave behind feeds the builder's stable sort, so it is part of the result.
#pragma once

#include <vector>

#include "common/stable_sort.h"
#include "common/types.h"
#include "handler/enums.h"
#include "handler/pool_candidate.h"

namespace vdz {

// What the trimming, the checks and the ordering read of the request.
struct PoolShape {
    Target target = Target::SCORE;
    LiveType live_type = LiveType::SOLO;
    bool has_event = false;
    bool world_bloom = false;    // the event is a World Bloom event
    bool final_chapter = false;  // the event's id is 180
    bool prefiltered = false;    // the card power step already thinned the event's cards
    bool minimize = false;
    bool score_up_bound = false;        // a multi live score up lower bound is set
    std::vector<i32> fixed_cards;       // card ids as the options give them
    std::vector<i32> fixed_characters;  // character ids as the options give them
};

// Runs phases a, a', b, c and d in order on `candidates`; when more than a
// pool's capacity remain, a last per-character ranking with fewer places
// brings them down to it, protected cards aside. Under a score up lower
// bound, each character's card of the largest skill value is protected too.
void trim_candidates(std::vector<PoolCandidate>& candidates, const PoolShape& shape);

}  // namespace vdz
