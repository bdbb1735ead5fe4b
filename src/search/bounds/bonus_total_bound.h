// Bound of the completions of a partial deck whose free cards add an exact
// bonus total. Under tiers a full tier's decks must beat its worst live score,
// and the bounds that take the best power and skill of any later cards, of
// whatever bonus, let through the many subtrees whose cards of the tier's
// bonus are weak; per bonus total, the best power, skill sum and largest
// skill of the cards that make it cut them.
#pragma once

#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "common/types.h"
#include "search/bounds/bonus_total_tables.h"
#include "search/bounds/dfs_bounds.h"
#include "search/bounds/partial_sums.h"

namespace vdz {

// Built once per tiered search from its bound model; read only afterwards.
class BonusTotalBound {
  public:
    explicit BonusTotalBound(const BoundModel& m);

    // Bound of every completion of `sums` by `free` (1..4) cards from
    // position `row` on whose totals (tenths of a percent) add `lo`..=`hi`,
    // with the extra bonus `bonus_extra`; 0 where no such cards exist. None
    // (the largest key) where the tables were not built or `free` is 5.
    // `placed_unit`, where known, bounds the placed cards' power in a deck
    // that fills a unit (`LastCardBound::placed_unit_power`). Where the
    // caller cuts at live scores up to `cut_at`, a key above it may be
    // returned as soon as one is found, which tells the same.
    // `placed_characters` holds characters of the placed cards, which no
    // free card of a deck of distinct characters has (0: none known).
    u64 bound(const PartialSums& sums, usize row, usize free, i64 lo, i64 hi, u64 bonus_extra,
              std::optional<u64> placed_unit = std::nullopt,
              std::optional<u32> cut_at = std::nullopt, u32 placed_characters = 0) const;

  private:
    // Classes of choices by their largest skill value: the choices that hold
    // one of the pool's few largest values bring less power than the best.
    static constexpr usize CLASSES = 4;

    // Of the choices of some cards with one sum of totals: the largest sums
    // of their power columns, plain powers, powers without a unit under a
    // shared attribute, skill values and coupled values, per unit the
    // largest sum of power columns of choices all of whose cards have that
    // unit (0 where none), the same with each card's largest variant
    // without the shared attribute for its own units, and per rank j their
    // j-th largest skill value.
    struct Entry {
        bool reached = false;
        std::array<u8, 4> rank{};
        u16 skill = 0;
        u32 power = 0;
        u32 plain = 0;
        u32 same_attr = 0;
        std::array<u32, 6> unit{};
        std::array<u32, 6> unit_mixed{};
        double coupled = 0.0;
        // The coupled values plus, times the coupling's weight of the
        // deck's best skill value (and of the leader's, where the best
        // leads), the choice's largest value.
        double coupled_best = 0.0;
        double coupled_lead = 0.0;
        // Per class k, the largest power column sum, plain power sum,
        // power sum without a unit under a shared attribute and coupled
        // value sum of the choices holding a card of skill value at least
        // `top_[k]`, where one does (bit k of `holds`).
        u8 holds = 0;
        std::array<u32, CLASSES> power_with{};
        std::array<u32, CLASSES> plain_with{};
        std::array<u32, CLASSES> same_attr_with{};
        std::array<double, CLASSES> coupled_with{};
        void keep_best(const Entry& o) {
            holds = static_cast<u8>(holds | o.holds);
            for (usize k = 0; k < CLASSES; ++k) {
                power_with[k] = std::max(power_with[k], o.power_with[k]);
                plain_with[k] = std::max(plain_with[k], o.plain_with[k]);
                same_attr_with[k] = std::max(same_attr_with[k], o.same_attr_with[k]);
                coupled_with[k] = std::max(coupled_with[k], o.coupled_with[k]);
            }
            for (usize u = 0; u < 6; ++u) {
                unit[u] = std::max(unit[u], o.unit[u]);
                unit_mixed[u] = std::max(unit_mixed[u], o.unit_mixed[u]);
            }
            reached = true;
            for (usize j = 0; j < rank.size(); ++j)
                rank[j] = std::max(rank[j], o.rank[j]);
            skill = std::max(skill, o.skill);
            power = std::max(power, o.power);
            plain = std::max(plain, o.plain);
            same_attr = std::max(same_attr, o.same_attr);
            coupled = std::max(coupled, o.coupled);
            coupled_best = std::max(coupled_best, o.coupled_best);
            coupled_lead = std::max(coupled_lead, o.coupled_lead);
        }
        bool operator==(const Entry&) const = default;
    };

    // The key of a deck whose free cards' parts are `best`'s.
    u64 key_of(const Entry& best, const PartialSums& sums, usize free, i64 hi, u64 bonus_extra,
               std::optional<u64> placed_unit) const;

    // Two free cards, per sum of their totals: the pairs from a first
    // position on that no pair of that sum from the same or a later first
    // position beats in every part, as the leaves of a tree whose inner
    // nodes join the pairs below them (bonus_total_pairs.cpp).
    struct PairNode {
        Entry best;          // joins every pair below
        u16 last_first = 0;  // the largest first position of a pair below
        u32 left = 0;        // children; 0 for a leaf
        u32 right = 0;
        // A leaf's: its pair's characters, its first card's, and where its
        // two joins of the pairs it beats (per card, those without that
        // card's character) are in `pair_shadows_` (0: none).
        u32 characters = 0;
        u32 first_character = 0;
        u32 shadow = 0;
        // The parts in which each child's entry differs from this node's
        // (`PairParts`): a question that reads none of them finds the
        // child's key the node's.
        u32 left_differs = 0;
        u32 right_differs = 0;
    };
    // The parts of an entry a pair's key may read, as bits: power, plain
    // power, power under a shared attribute, skill values, coupled values,
    // then per unit its power and its power of mixed attributes.
    struct PairParts {
        static constexpr u32 POWER = 1u, PLAIN = 2u, SAME_ATTR = 4u, SKILLS = 8u, COUPLED = 16u;
        static constexpr u32 UNIT = 32u;             // << unit
        static constexpr u32 UNIT_MIXED = 32u << 6;  // << unit
        static u32 differing(const Entry& a, const Entry& b);
    };
    // A sum some two cards' totals make, in tenths of a percent, and its
    // tree's root (0 for none): built once the sum has been asked `wait`
    // times, as a short search reads a sum seldom; until then the tables
    // answer (bonus_total_pairs.cpp).
    struct PairSum {
        i64 total = 0;
        u32 root = 0;
        u64 asked = 0;
        u64 wait = 0;  // pairs of the sum, then the questions before building
        // The leaf of the last pair found above a question's cut (0: none).
        u32 witness = 0;
        // Per row, its join of the kept pairs from the row on
        // (`pair_join_rows_[join_rows + row]`).
        u32 join_rows = 0;
    };
    // Per first position some kept pair of a sum starts at, the join of the
    // sum's kept pairs from there on: bounds every pair a question from a
    // row up to it leaves in, closer than the root, which joins them all,
    // and the parts in which it differs from the root's (`PairParts`).
    struct PairJoinFrom {
        Entry best;
        u32 root_differs = 0;
    };
    // Keeps what the pairs are built from: `ones[i]`, the entry of the
    // choice of card i alone, and the sums the pool's pairs make; none
    // where they would cost more than they save.
    void prepare_pairs(std::vector<Entry> ones);
    // The entry of cards a < b from their own: the tables' join of a to b's
    // choice, in the parts the key reads.
    Entry pair_entry(usize a, usize b) const;
    // Builds the tree of `pair_sums_[at]`.
    void build_pair_sum(usize at) const;
    // What the key of a pair's deck reads of its question, taken once per
    // question, which reads the keys of several pairs: `key_of` of two
    // free cards, less what depends on the pair (`pair_key`).
    struct PairKeyBase {
        const PartialSums* sums = nullptr;
        u64 plain = 0;    // the placed cards' plain power
        u64 columns = 0;  // their power columns, or plain power where `all_plain`
        bool all_plain = false;
        bool shaped = false;    // the deck's shape caps its power
        bool one_attr = false;  // a deck of one attribute remains
        u64 unitless = 0;
        u64 placed_unit = 0;
        bool mixed = false;
        u8 unit_count = 0;
        std::array<u8, 6> units{};  // the units the placed cards share
        u64 bonus = 0;
        u32 reads = 0;  // the parts the key reads (`PairParts`)
        bool coupled = false;
        double placed_best = 0.0;  // the weight of the placed cards' best value
    };
    PairKeyBase pair_key_base(const PartialSums& sums, i64 hi, u64 bonus_extra,
                              std::optional<u64> placed_unit) const;
    // `key_of(e, sums, 2, hi, bonus_extra, placed_unit)` of `base`'s question.
    u64 pair_key(const Entry& e, const PairKeyBase& base) const;
    // With two free cards from `row` on whose totals add `lo`..=`hi`, of
    // none of `placed_characters`: a key above `cut_at` where some pair's own
    // key is above it, else a key at most `cut_at` that bounds every such
    // pair's deck; none where a sum of the window has no tree yet.
    std::optional<u64> pair_bound(const PartialSums& sums, usize row, i64 lo, i64 hi,
                                  u64 bonus_extra, std::optional<u64> placed_unit, u32 cut_at,
                                  u32 placed_characters) const;

    const BoundModel* m_;
    // The pool's largest distinct skill values, largest first, then zeros;
    // `top_[CLASSES]` the one after them.
    std::array<u8, CLASSES + 1> top_{};
    BonusTotalTables<Entry, 4> tables_;
    // The coupling's weights of the deck's best skill value, the leader's
    // and both, over its t: each key reads them.
    double best_weight_ = 0.0, lead_weight_ = 0.0, both_weight_ = 0.0;
    // The pairs' trees, built as the search asks (see `PairSum`).
    std::vector<Entry> ones_;
    std::vector<u16> by_total_;               // pool positions by total, then position
    mutable std::vector<PairSum> pair_sums_;  // ascending
    mutable std::vector<PairNode> pair_nodes_;
    mutable std::vector<Entry> pair_shadows_;            // from index 1
    mutable std::vector<PairJoinFrom> pair_joins_from_;  // from index 1
    // Per built sum, per row 0..=n, where its join from the row is in
    // `pair_joins_from_` (0: no kept pair from the row on).
    mutable std::vector<u32> pair_join_rows_;
    // Wide windows' joins, kept as they are first read.
    mutable WindowJoins<Entry, 4> window_joins_;
};

}  // namespace vdz
