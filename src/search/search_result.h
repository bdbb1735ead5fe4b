// What a search hands back: the decks it kept, best first, and counts of the
// work it did. Only the decks reach the result; the counts are for benches
// and tests.
#pragma once

#include <vector>

#include "common/types.h"
#include "search/evaluation/deck_entry.h"

namespace vdz {

struct SearchStats {
    u64 evaluations = 0;     // complete decks given to the evaluator
    u64 nodes = 0;           // steps counted toward the deadline (nodes, scans, decks)
    u64 clock_reads = 0;     // reads of the clock by the deadline
    bool timed_out = false;  // the deadline passed before the search ended
};

// Owned by the caller of a search; decks index the pool that was searched.
struct SearchResult {
    std::vector<DeckEntry> decks;  // best first
    SearchStats stats;
};

}  // namespace vdz
