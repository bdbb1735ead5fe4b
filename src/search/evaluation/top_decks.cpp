// Insertion into the bounded deck list: one hash probe for the card set, one
// tree insertion for the position, and a drop of the last entry when the list
// overflows; each O(log n) at most in the number of entries kept.
#include "search/evaluation/top_decks.h"

namespace vdz {

TopDecks::TopDecks(u64 limit, bool reverse, std::span<const u16> card_ids)
    : card_ids_(card_ids), order_(ListOrder{reverse}), limit_(limit), reverse_(reverse) {}

void TopDecks::record(const DeckEntry& deck) {
    if (limit_ == 0) return;
    const Kept newcomer{deck, arrivals_};
    // 1. A newcomer that a full list would drop at once changes nothing.
    if (full() && !order_.key_comp()(newcomer, *std::prev(order_.end()))) return;
    // 2. One entry per card set: the newcomer must beat the one kept.
    const CardSetKey key = card_set_key(card_ids_, deck.slots);
    const auto same = by_card_set_.find(key);
    if (same != by_card_set_.end()) {
        const DeckEntry& kept = same->second->deck;
        if (!(reverse_ ? ranks_before(kept, deck) : ranks_before(deck, kept))) return;
        order_.erase(same->second);
        by_card_set_.erase(same);
    }
    // 3. Behind every entry it does not come strictly before.
    ++arrivals_;
    by_card_set_.emplace(key, order_.insert(newcomer).first);
    // 4. Overflow drops the worst kept.
    if (order_.size() > limit_) {
        const auto worst = std::prev(order_.end());
        by_card_set_.erase(card_set_key(card_ids_, worst->deck.slots));
        order_.erase(worst);
    }
}

std::vector<DeckEntry> TopDecks::entries() const {
    std::vector<DeckEntry> out;
    out.reserve(order_.size());
    for (const Kept& kept : order_)
        out.push_back(kept.deck);
    return out;
}

}  // namespace vdz
