// The bounded list of result decks: at most `limit` decks, never two of one
// card set, in deck order (best first) or, in reverse mode, in exactly the
// opposite order. The enumeration kernels keep their results in it; the
// depth-first searches use it through DfsTopDecks.
#pragma once

#include <iterator>
#include <set>
#include <span>
#include <unordered_map>
#include <vector>

#include "search/evaluation/deck_entry.h"

namespace vdz {

// Owned by one search run on one thread; filled only through `record` and
// consumed by taking its entries. Recording costs O(log n) in the number of
// entries kept (an ordered tree for the order, a hash map for the card
// sets), so a `limit` far above the options' 100 never makes the list
// quadratic in its size.
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
    usize size() const { return order_.size(); }
    bool empty() const { return order_.empty(); }
    // The entries in list order (a copy).
    std::vector<DeckEntry> entries() const;
    std::vector<DeckEntry> take_entries() && { return entries(); }
    // Full: at least one entry and `limit` of them; the last is the worst kept.
    bool full() const { return !order_.empty() && order_.size() >= limit_; }
    const DeckEntry& last() const { return std::prev(order_.end())->deck; }

  private:
    // An entry with its arrival number: of two entries that rank neither way
    // the earlier stays ahead.
    struct Kept {
        DeckEntry deck;
        u64 arrival = 0;
    };
    // List order: deck order, or its exact reverse; then arrival.
    struct ListOrder {
        bool reverse = false;
        bool operator()(const Kept& a, const Kept& b) const {
            if (reverse ? ranks_before(b.deck, a.deck) : ranks_before(a.deck, b.deck)) return true;
            if (reverse ? ranks_before(a.deck, b.deck) : ranks_before(b.deck, a.deck)) return false;
            return a.arrival < b.arrival;
        }
    };
    struct CardSetHash {
        usize operator()(const CardSetKey& key) const {
            u64 h = 0xcbf29ce484222325ull;
            for (const u16 id : key)
                h = (h ^ id) * 0x100000001b3ull;
            return static_cast<usize>(h ^ (h >> 32));
        }
    };
    using Order = std::set<Kept, ListOrder>;

    std::span<const u16> card_ids_;
    Order order_;
    std::unordered_map<CardSetKey, Order::iterator, CardSetHash> by_card_set_;
    u64 arrivals_ = 0;
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
        if (full_ && !ranks_before(deck, list_.last())) return;
        list_.record(deck);
        full_ = list_.full();
        if (full_) worst_score_ = list_.last().score;
    }

    bool full() const { return full_; }
    bool empty() const { return list_.empty(); }
    // The threshold of the searches' bounds; meaningful only when full. Kept
    // beside the list, since the tiered search reads it for every tier at
    // every node.
    u64 worst_score() const { return worst_score_; }
    const DeckEntry& worst() const { return list_.last(); }
    std::vector<DeckEntry> entries() const { return list_.entries(); }
    std::vector<DeckEntry> take_entries() && { return std::move(list_).take_entries(); }

  private:
    TopDecks list_;
    bool full_ = false;
    u64 worst_score_ = 0;
};

}  // namespace vdz
