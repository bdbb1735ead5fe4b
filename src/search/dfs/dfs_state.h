// The state of one depth-first search, shared by its driver, its recursive
// kernel and its bounds: the read-only inputs, the store of best decks (one
// list, or one list per event-bonus tier), the deadline and the stop flag.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/bounds/bonus_total_bound.h"
#include "search/bounds/card_suffix_bound.h"
#include "search/bounds/dfs_bounds.h"
#include "search/bounds/last_card_bound.h"
#include "search/bounds/last_card_units.h"
#include "search/bounds/reachable_bonus.h"
#include "search/bounds/score_up_reach.h"
#include "search/bounds/score_up_suffix.h"
#include "search/bounds/tier_reach.h"
#include "search/bounds/world_bloom_pair_bound.h"
#include "search/deadline.h"
#include "search/evaluation/deck_entry.h"
#include "search/evaluation/top_decks.h"
#include "search/search_result.h"

namespace vdz {

// One requested event-bonus tier and its best decks.
struct TierRecord {
    u32 tier_key = 0;  // twice the tier value: the high half of a bonus key
    DfsTopDecks decks;
};

// Where a search records its decks: one list, or tiers sorted by ascending,
// distinct key. Fixed for the whole search.
struct DfsStore {
    std::optional<DfsTopDecks> single;
    std::vector<TierRecord> tiers;

    // Records `deck` into the single list or into the tier its high half
    // names; a deck of no tier is dropped.
    void record(const DeckEntry& deck);

    // The position of the tier of `tier_key` in `tiers`; `tiers.size()` when
    // no tier has that key.
    usize tier_at(u32 tier_key) const;
};

// Debug builds check at every complete deck that its key is at most every
// bound met on its way down.
#if !defined(NDEBUG) || defined(VDZ_CHECKS)
inline constexpr bool CHECK_BOUNDS = true;
#else
inline constexpr bool CHECK_BOUNDS = false;
#endif

// What decides where the last cards that take a support entry of four
// placed cards' deck land: the placed cards' entries, total and attributes,
// the first free position and the characters in use.
struct TakerPlace {
    u64 support_taken = 0;
    u32 bonus_x10 = 0;
    u32 used = 0;
    u32 row = 0;
    u8 attr_mask = 0;

    bool operator==(const TakerPlace&) const = default;
};

struct TakerPlaceHash {
    usize operator()(const TakerPlace& p) const {
        u64 h = p.support_taken * 0x9E3779B97F4A7C15ull;
        h ^= (u64{p.bonus_x10} << 32 | p.used) * 0xC2B2AE3D27D4EB4Full;
        h ^= (u64{p.row} << 8 | p.attr_mask) * 0x165667B19E3779F9ull;
        return static_cast<usize>(h ^ (h >> 29));
    }
};

// A free card of a node of two free cards that takes a support entry the
// placed cards' deck counts, and the tiers (bits of positions in
// `store.tiers`) the decks that hold it may land on (`pair_takers.h`).
struct PairTaker {
    u16 card = 0;
    u64 tiers = 0;

    bool operator==(const PairTaker&) const = default;
};

// Built once per search by the driver and passed by reference to every node.
struct SearchNodeState {
    const CardPool& pool;
    const SearchContext& context;
    DfsStore& store;
    Deadline& deadline;
    SearchStats& stats;
    BoundModel bounds;
    // Set where a deck may hold several cards of one character; then every
    // bound comes from these per-card rows, none from the per-character ones.
    const CardSuffixSums* card_sums = nullptr;
    // Set for tiers outside the final chapter: which tiers a partial deck's
    // completions can still land on.
    const TierReach* tier_reach = nullptr;
    const LastCardBound* last_card = nullptr;  // beside tier_reach
    // Set for one list of distinct characters outside the final chapter.
    const LastCardUnits* last_units = nullptr;
    const BonusTotalBound* bonus_total = nullptr;  // beside tier_reach
    // Set beside tier_reach in World Bloom events without fixed cards or
    // characters whose pool is listed by bonus: the two free cards of a
    // partial deck of three by run, attribute and character.
    const WorldBloomPairBound* world_bloom_pair = nullptr;
    // Set under tiers: the doubled bonuses some deck of the pool can have.
    const ReachableBonuses* reachable = nullptr;
    // Set under tiers where the pool lists fixed slots in runs: the tiers a
    // node's completions can land on, asked of nodes whose cards lie in the
    // runs; `tier_keys` are the tiers' keys in order.
    const CompletionBonusReach* completion_reach = nullptr;
    std::vector<u32> tier_keys{};
    // Set beside tier_reach where a score-up lower bound is asked: the best
    // score up the cards of each bonus total can add.
    const ScoreUpReach* score_up = nullptr;
    // Set where a score-up lower bound is asked of decks of distinct
    // characters: the skill values each position on can add at most.
    const ScoreUpSuffix* score_up_suffix = nullptr;
    // Tiers filled by this search alone, which meets decks in ascending slot
    // order (no seeds, no leaders placed first).
    bool tiers_in_slot_order = false;
    bool stop = false;          // the deadline has passed; never cleared
    bool force_scalar = false;  // copy of the process-wide switch
    // Per depth, the positions whose cards may fill that slot: where the
    // slot holds a fixed card or character, the pool lists their cards
    // first and in turn, so only that card's or character's run; the whole
    // pool elsewhere. A node scans nothing outside its slot's range.
    std::array<usize, 5> slot_begin{};
    std::array<usize, 5> slot_end{};
    // Per depth, the bound the current node was entered with.
    std::array<u64, 6> entry_bound{~u64{0}, ~u64{0}, ~u64{0}, ~u64{0}, ~u64{0}, ~u64{0}};
    // Under tiers, per depth, the tiers the current node's completions may
    // land on (bit i for tier i; the rest known to take none of them).
    std::array<u64, 6> entry_tiers{~u64{0}, ~u64{0}, ~u64{0}, ~u64{0}, ~u64{0}, ~u64{0}};
    // Per depth, the smallest bound met on the way to the current node
    // (kept only when CHECK_BOUNDS).
    std::array<u64, 6> bound_above{~u64{0}, ~u64{0}, ~u64{0}, ~u64{0}, ~u64{0}, ~u64{0}};
    // The tiers (positions in `store.tiers`) such last cards land on: many
    // nodes ask the same, each of tens of cards.
    std::unordered_map<TakerPlace, std::vector<u16>, TakerPlaceHash> taker_tiers{};
    // The same for two free cards: their takers by the placed cards' place
    // (the free cards' first position in `row`), with the tiers of each;
    // `pair_takers_kept` counts the takers their vectors hold room for.
    std::unordered_map<TakerPlace, std::vector<PairTaker>, TakerPlaceHash> pair_taker_tiers{};
    usize pair_takers_kept = 0;

    // Counts one step of the search (a node entry, a root, a bounded-loop
    // step) and sets `stop` once the deadline has passed, whatever the store
    // holds. The one place where steps are counted.
    bool count_step() {
        ++stats.nodes;
        if (deadline.step()) stop = true;
        return stop;
    }
};

// The recursive kernel: fills slot `depth` of `partial` with every admitted
// card from pool index `start` on and recurses; records complete decks.
void dfs_expand(SearchNodeState& state, usize depth, usize start, DeckSlots& partial,
                u32 used_characters, const PartialSums& sums, bool has_leader, u16 leader_index);

}  // namespace vdz
