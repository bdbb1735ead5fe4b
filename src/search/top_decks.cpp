// Insertion into the bounded deck list: one scan for the card set, one for
// the position, and a drop of the last entry when the list overflows.
#include "search/top_decks.h"

#include <algorithm>

namespace vdz {
namespace {

// Room kept from the start: the options allow at most 100 decks, and a larger
// `limit` grows the list only as far as decks actually arrive.
constexpr u64 INITIAL_ROOM = 100;

}  // namespace

TopDecks::TopDecks(u64 limit, bool reverse, std::span<const u16> card_ids)
    : card_ids_(card_ids), limit_(limit), reverse_(reverse) {
    const usize room = static_cast<usize>(std::min(limit, INITIAL_ROOM)) + 1;
    entries_.reserve(room);
    keys_.reserve(room);
}

void TopDecks::record(const DeckEntry& deck) {
    // 1. One entry per card set: the newcomer must beat the one kept.
    const CardSetKey key = card_set_key(card_ids_, deck.slots);
    const auto same = std::find(keys_.begin(), keys_.end(), key);
    if (same != keys_.end()) {
        const usize i = static_cast<usize>(same - keys_.begin());
        if (!comes_before(deck, entries_[i])) return;
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
        keys_.erase(same);
    }
    // 2. Before the first entry it comes strictly before; equal ones stay ahead.
    usize pos = 0;
    while (pos < entries_.size() && !comes_before(deck, entries_[pos]))
        ++pos;
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(pos), deck);
    keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(pos), key);
    // 3. Overflow drops the worst kept, which may be the newcomer itself.
    if (entries_.size() > limit_) {
        entries_.pop_back();
        keys_.pop_back();
    }
}

}  // namespace vdz
