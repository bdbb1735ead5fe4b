// The trimming phases of the pool builder: a fixed sequence of cuts, each
// keyed to the target, the live type and the event, that bring the candidate
// list down before it is checked, ordered and packed. The order the phases
// leave behind feeds the builder's stable sort, so it is part of the result.
#pragma once

#include <vector>

#include "common/types.h"
#include "handler/enums.h"
#include "pool/pool_candidate.h"

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
    std::vector<i32> fixed_cards;       // card ids as the options give them
    std::vector<i32> fixed_characters;  // character ids as the options give them
};

// Runs phases a, a', b, c and d in order on `candidates`.
void trim_candidates(std::vector<PoolCandidate>& candidates, const PoolShape& shape);

// Stable sort used by the builder: insertion sort below 21 elements, a
// top-down merge sort otherwise. `less` need not be a strict weak order.
template <class T, class Less>
void builder_stable_sort(std::vector<T>& items, Less less);

// ----------------------------------------------------------------------------

namespace detail {

template <class T, class Less>
void insertion_sort(T* items, usize n, Less& less) {
    for (usize i = 1; i < n; ++i) {
        if (!less(items[i], items[i - 1])) continue;
        T moving = std::move(items[i]);
        usize j = i;
        do {
            items[j] = std::move(items[j - 1]);
            --j;
        } while (j > 0 && less(moving, items[j - 1]));
        items[j] = std::move(moving);
    }
}

template <class T, class Less>
void merge_sort(T* items, T* scratch, usize n, Less& less) {
    if (n < 21) {
        insertion_sort(items, n, less);
        return;
    }
    const usize mid = n / 2;
    merge_sort(items, scratch, mid, less);
    merge_sort(items + mid, scratch, n - mid, less);
    // Merge, taking from the left run unless the right element is less.
    for (usize i = 0; i < mid; ++i)
        scratch[i] = std::move(items[i]);
    usize a = 0, b = mid, out = 0;
    while (a < mid && b < n) {
        if (less(items[b], scratch[a])) {
            items[out++] = std::move(items[b++]);
        } else {
            items[out++] = std::move(scratch[a++]);
        }
    }
    while (a < mid)
        items[out++] = std::move(scratch[a++]);
}

}  // namespace detail

template <class T, class Less>
void builder_stable_sort(std::vector<T>& items, Less less) {
    if (items.size() < 21) {
        detail::insertion_sort(items.data(), items.size(), less);
        return;
    }
    std::vector<T> scratch(items.size() / 2 + 1);
    detail::merge_sort(items.data(), scratch.data(), items.size(), less);
}

}  // namespace vdz
