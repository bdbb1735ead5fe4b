// The bounded list of result decks: at most `limit` decks, never two of one
// card set, in deck order (best first) or, in reverse mode, in exactly the
// opposite order. The enumeration kernels keep their results in it; the
// depth-first searches use it through DfsTopDecks.
#pragma once

#include <span>
#include <vector>

#include "search/deck_entry.h"

namespace vdz {

// Owned by one search run on one thread; filled only through `record` and
// consumed by taking its entries.
class TopDecks {
  public:
    // `card_ids` is the card_id column of the pool the decks index; it must
    // outlive the list. No memory is reserved in proportion to `limit`, which
    // may be far larger than any list will grow.
    TopDecks(u64 limit, bool reverse, std::span<const u16> card_ids);

    // Offers one deck. A deck of a card set already kept replaces that entry
    // only when it comes strictly before it; a deck that does not belong among
    // the best `limit` leaves the list as it was.
    void record(const DeckEntry& deck);

    u64 limit() const { return limit_; }
    bool reverse() const { return reverse_; }
    const std::vector<DeckEntry>& entries() const { return entries_; }
    std::vector<DeckEntry> take_entries() && { return std::move(entries_); }
    // Full: at least one entry and `limit` of them; the last is the worst kept.
    bool full() const { return !entries_.empty() && entries_.size() >= limit_; }
    const DeckEntry& last() const { return entries_.back(); }

  private:
    // List order: deck order, or its exact reverse.
    bool comes_before(const DeckEntry& a, const DeckEntry& b) const {
        return reverse_ ? ranks_before(b, a) : ranks_before(a, b);
    }

    std::span<const u16> card_ids_;
    std::vector<DeckEntry> entries_;
    std::vector<CardSetKey> keys_;  // key i is the card set of entry i
    u64 limit_;
    bool reverse_;
};

// The best-decks list of the depth-first searches: a TopDecks in deck order
// that turns a deck away from a full list with one comparison, before any
// card-set key is built, since the searches offer far more decks than enter.
class DfsTopDecks {
  public:
    DfsTopDecks(u64 limit, std::span<const u16> card_ids) : list_(limit, false, card_ids) {}

    void push(const DeckEntry& deck) {
        if (list_.full() && !ranks_before(deck, list_.last())) return;
        list_.record(deck);
    }

    bool full() const { return list_.full(); }
    // The threshold of the searches' bounds; meaningful only when full.
    u64 worst_score() const { return list_.last().score; }
    const std::vector<DeckEntry>& entries() const { return list_.entries(); }
    std::vector<DeckEntry> take_entries() && { return std::move(list_).take_entries(); }

  private:
    TopDecks list_;
};

}  // namespace vdz
