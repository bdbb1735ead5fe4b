// Variants are built in ascending slot order, each recorded before its own
// further variants, and a deck whose key falls below a full list's worst
// entry widens no further: a replacement card is dominated by the card it
// replaces, so its variants are rarely better. Before that, a deck found is
// widened from each choice of its cards' kept skill variants: the search
// lists the best choice of each card set, and a removed card may do best
// beside another choice, which no replacement alone reaches. Every
// evaluation is a step of the request's deadline.
#include "search/pruning/dominance_expansion.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "common/check.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/evaluation/final_deck_order.h"
#include "search/evaluation/top_decks.h"

namespace vdz {
namespace {

bool is_fixed_card(const SearchContext& context, u16 card_id) {
    return std::find(context.fixed_cards.begin(), context.fixed_cards.end(), card_id) !=
           context.fixed_cards.end();
}

// A leader swap keeps the card set, so it keeps the fixed cards and
// characters; what it may break is who leads. The final-chapter search lays
// out only the leader: the designated character's card, else the first
// fixed card, else a card of the first fixed character.
bool keeps_final_leader(const CardPool& pool, const SearchContext& context, const DeckSlots& deck) {
    if (context.designated_character)
        return pool.character_id(deck[0]) == *context.designated_character;
    if (!context.fixed_cards.empty()) return pool.card_id(deck[0]) == context.fixed_cards[0];
    if (!context.fixed_characters.empty())
        return pool.character_id(deck[0]) == context.fixed_characters[0];
    return true;
}

// Per pool card, the removed cards its slot may take: those set aside for
// any pool card of its id, owners in pool order. The skill variants of one
// card share its id, and the search keeps one deck per card set, so the deck
// it kept may hold another variant than the one a removed card's chain ends at.
DominatedLists lists_by_card_id(const CardPool& pool, const DominatedLists& first) {
    std::unordered_map<u16, std::vector<u16>> of_id;
    for (usize i = 0; i < first.size(); ++i) {
        if (first[i].empty()) continue;
        auto& merged = of_id[pool.card_id(static_cast<u16>(i))];
        merged.insert(merged.end(), first[i].begin(), first[i].end());
    }
    DominatedLists out(first.size());
    for (usize i = 0; i < first.size(); ++i) {
        const auto found = of_id.find(pool.card_id(static_cast<u16>(i)));
        if (found != of_id.end()) out[i] = found->second;
    }
    return out;
}

// Per pool card, the other pool cards of its id that pruning kept: its
// skill variants that decks of its card set may hold instead.
DominatedLists kept_variants(const CardPool& pool, const DominatedLists& first) {
    std::vector<u8> removed(first.size(), 0);
    for (const std::vector<u16>& list : first)
        for (const u16 card : list)
            removed[card] = 1;
    std::unordered_map<u16, std::vector<u16>> of_id;
    for (usize i = 0; i < first.size(); ++i)
        if (!removed[i]) of_id[pool.card_id(static_cast<u16>(i))].push_back(static_cast<u16>(i));
    DominatedLists out(first.size());
    for (usize i = 0; i < first.size(); ++i) {
        if (removed[i]) continue;
        for (const u16 other : of_id[pool.card_id(static_cast<u16>(i))])
            if (other != i) out[i].push_back(other);
    }
    return out;
}

// One re-admission run: what it reads, the list it fills and its deadline.
class Readmission {
  public:
    Readmission(const CardPool& pool, const SearchContext& context, const DominatedLists& first,
                const DominatedLists& second, u64 limit, Deadline& deadline, SearchStats& stats)
        : pool_(pool),
          context_(context),
          own_(first),
          first_(lists_by_card_id(pool, first)),
          second_(second),
          variants_(kept_variants(pool, first)),
          best_(limit, pool_card_ids(pool)),
          deadline_(deadline),
          stats_(stats) {}

    bool needed(const std::vector<DeckEntry>& decks) const {
        if (context_.final_chapter) return true;
        for (const DeckEntry& deck : decks) {
            for (const u16 card : deck.slots) {
                VDZ_ASSERT(card < first_.size());
                if (!first_[card].empty()) return true;
            }
        }
        return false;
    }

    void push(const DeckEntry& deck) { best_.push(deck); }

    // Records every variant of `deck` that replaces, from `start_slot` on,
    // one or more non-fixed slots; `deck` is restored before it returns.
    void widen(DeckSlots& deck, u64 base_key, usize start_slot);

    // Widens `deck` and, when some slot may take a removed card, each other
    // choice of kept skill variants, from `slot` on, that holds its cards'
    // ids; `deck` is restored before it returns.
    void widen_variants(DeckSlots& deck, u64 key, usize slot = 0, bool changed = false);

    // The leader swaps of a final-chapter deck as found, each widened.
    void swap_leaders(const DeckSlots& found);

    bool stopped() const { return stopped_; }
    std::vector<DeckEntry> take() && { return std::move(best_).take_entries(); }

  private:
    // The deck's entry; a final-chapter deck in its best order, as the
    // search keeps it, so that its key is its card set's and its order the
    // one that gives the key.
    std::optional<DeckEntry> evaluate(const DeckSlots& deck) {
        if (stopped_ || deadline_.step()) {
            stopped_ = true;
            return std::nullopt;
        }
        ++stats_.evaluations;
        DeckSlots slots = deck;
        if (context_.final_chapter) arrange_final_deck(pool_, context_, slots);
        const std::optional<u64> key = evaluate_deck_key(pool_, context_, slots);
        if (!key) return std::nullopt;
        return DeckEntry{*key, slots};
    }

    // Some slot of `deck` may take a removed card, with any of its kept
    // skill variants in the other slots.
    bool replaceable(const DeckSlots& deck) const {
        const auto has_second = [&](u16 c) { return c < second_.size() && !second_[c].empty(); };
        for (usize s = 0; s < 5; ++s) {
            const u16 card = deck[s];
            if (!first_[card].empty()) return true;
            // The leader slot never takes a card of the second pass.
            if (s == 0) continue;
            if (has_second(card)) return true;
            for (const u16 other : variants_[card])
                if (has_second(other)) return true;
        }
        return false;
    }

    const CardPool& pool_;
    const SearchContext& context_;
    const DominatedLists& own_;  // the first lists as pruning made them
    DominatedLists first_;       // per card, the lists of every card of its id
    const DominatedLists& second_;
    DominatedLists variants_;  // per kept card, the other kept cards of its id
    DfsTopDecks best_;
    Deadline& deadline_;
    SearchStats& stats_;
    bool stopped_ = false;
};

void Readmission::widen(DeckSlots& deck, u64 base_key, usize start_slot) {
    // 1-2. Equal keys go on: a variant may still win on its slots.
    if (best_.full() && base_key < best_.worst_score()) return;
    // 3. A fixed card is never replaced, wherever the search placed it.
    for (usize s = start_slot; s < 5 && !stopped_; ++s) {
        if (is_fixed_card(context_, pool_.card_id(deck[s]))) continue;
        const u16 original = deck[s];
        VDZ_ASSERT(original < first_.size());
        const auto try_candidate = [&](u16 candidate, bool extend) {
            deck[s] = candidate;
            // In the final chapter slot 0 leads, and a designated leader stays.
            if (s == 0 && context_.final_chapter && !keeps_final_leader(pool_, context_, deck))
                return;
            const std::optional<DeckEntry> entry = evaluate(deck);
            if (!entry) return;
            best_.push(*entry);
            if (extend) widen(deck, entry->score, s + 1);
        };
        for (const u16 candidate : first_[original]) {
            if (stopped_) break;
            // A copy of the card itself (same id, set aside for it) forms the
            // card sets the card forms, never with a higher key: its own
            // further variants would only repeat the card's, so duplicates
            // that tie cost one evaluation each instead of every combination.
            const bool copy =
                pool_.card_id(candidate) == pool_.card_id(original) &&
                std::binary_search(own_[original].begin(), own_[original].end(), candidate);
            try_candidate(candidate, !copy);
        }
        // The leader slot never takes a card of the second pass.
        if (s != 0 && original < second_.size()) {
            for (const u16 candidate : second_[original]) {
                if (stopped_) break;
                try_candidate(candidate, true);
            }
        }
        deck[s] = original;
    }
}

void Readmission::widen_variants(DeckSlots& deck, u64 key, usize slot, bool changed) {
    if (slot == 0 && !replaceable(deck)) return;
    if (slot == 5) {
        if (!changed) {
            widen(deck, key, 0);
            return;
        }
        const std::optional<DeckEntry> own = evaluate(deck);
        if (!own) return;
        best_.push(*own);
        widen(deck, own->score, 0);
        return;
    }
    widen_variants(deck, key, slot + 1, changed);
    const u16 original = deck[slot];
    VDZ_ASSERT(original < variants_.size());
    for (const u16 other : variants_[original]) {
        if (stopped_) break;
        deck[slot] = other;
        widen_variants(deck, key, slot + 1, true);
    }
    deck[slot] = original;
}

void Readmission::swap_leaders(const DeckSlots& found) {
    for (usize i = 1; i < 5 && !stopped_; ++i) {
        DeckSlots swapped = found;
        std::swap(swapped[0], swapped[i]);
        if (!keeps_final_leader(pool_, context_, swapped)) continue;
        const std::optional<DeckEntry> entry = evaluate(swapped);
        if (!entry) continue;
        best_.push(*entry);
        widen_variants(swapped, entry->score);
    }
}

}  // namespace

std::vector<DeckEntry> expand_dominated_decks(const CardPool& pool, const SearchContext& context,
                                              const DominatedLists& first,
                                              const DominatedLists& second, u64 limit,
                                              std::vector<DeckEntry> decks, Deadline& deadline,
                                              SearchStats& stats) {
    // 1-2.
    if (limit < 2) return decks;
    Readmission run(pool, context, first, second, limit, deadline, stats);
    if (!run.needed(decks)) return decks;
    // 3. The decks found enter as they are.
    for (const DeckEntry& deck : decks)
        run.push(deck);
    // 4.
    for (const DeckEntry& found : decks) {
        if (run.stopped()) break;
        DeckSlots slots = found.slots;
        run.widen_variants(slots, found.score);
        if (context.final_chapter) run.swap_leaders(found.slots);
    }
    if (run.stopped()) stats.timed_out = true;
    // 5.
    return std::move(run).take();
}

}  // namespace vdz
