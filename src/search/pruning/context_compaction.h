// Compaction of a search context by a keep mask, the companion of
// `retain_card_pool`: the two are always made with one mask, so entry j of
// every per-card vector of the new context describes card j of the new pool.
// The full pool and context stay untouched for mapping decks back.
#pragma once

#include <span>
#include <vector>

#include "pool/search_context.h"

namespace vdz {

// A copy of `context` whose per-card vectors keep the entries whose keep
// byte is 1. Every per-card vector except `card_enabled` must have one entry
// per keep byte; `card_enabled` is compacted over the shorter length.
SearchContext remap_search_context(const SearchContext& context, std::span<const u8> keep);

// The entries of `column` whose keep byte is 1, in order, over the shorter of
// the two lengths.
template <class T>
std::vector<T> compact_column(const std::vector<T>& column, std::span<const u8> keep) {
    std::vector<T> out;
    const usize n = column.size() < keep.size() ? column.size() : keep.size();
    for (usize i = 0; i < n; ++i)
        if (keep[i] == 1) out.push_back(column[i]);
    return out;
}

// The ascending indices whose keep byte is 1: entry j is the full-pool index
// of card j of the compacted pool.
std::vector<u16> kept_indices(std::span<const u8> keep);

}  // namespace vdz
