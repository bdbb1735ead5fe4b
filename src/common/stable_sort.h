// The stable sort of the preparation's orderings: insertion sort below 21
// elements, a top-down merge sort otherwise. Written out rather than taken
// from the library because some of the orderings it applies are not strict
// weak orders, for which the library's sorts promise nothing.
#pragma once

#include <utility>
#include <vector>

#include "common/types.h"

namespace vdz {

// Sorts `items` so that no element is placed after one it is `less` than;
// elements `less` leaves unordered keep their order.
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

template <class T, class Less>
void sort_in_place(std::vector<T>& items, Less& less) {
    if (items.size() < 21) {
        insertion_sort(items.data(), items.size(), less);
        return;
    }
    std::vector<T> scratch(items.size() / 2 + 1);
    merge_sort(items.data(), scratch.data(), items.size(), less);
}

}  // namespace detail

template <class T, class Less>
void builder_stable_sort(std::vector<T>& items, Less less) {
    if constexpr (sizeof(T) <= 4 * sizeof(u32)) {
        detail::sort_in_place(items, less);
    } else {
        // Large elements (a pool candidate is some 180 bytes) are sorted as
        // indices and moved once. The same sort asks the same questions of
        // the same elements, so the order is the one sorting them in place
        // gives, ties and orderings that are not strict weak orders included.
        std::vector<u32> order(items.size());
        for (usize i = 0; i < order.size(); ++i)
            order[i] = static_cast<u32>(i);
        auto by_item = [&](u32 a, u32 b) { return less(items[a], items[b]); };
        detail::sort_in_place(order, by_item);
        std::vector<T> sorted;
        sorted.reserve(items.size());
        for (const u32 i : order)
            sorted.push_back(std::move(items[i]));
        items = std::move(sorted);
    }
}

}  // namespace vdz
