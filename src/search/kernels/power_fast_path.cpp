// Patterns are walked unit-major: no unit, then units 0..5; within each, no
// attribute, then attributes 0..5; after those, each set of two or more
// units that some card belongs to, in ascending mask order, with the same
// seven attribute choices. Per pattern the work is bounded by `limit`: 26
// characters x five levels x at most limit x limit entries before each cut,
// and at most `limit` exact evaluations.
//
// Why the best decks are found: a shared unit or attribute only adds to a
// card's value, so a pattern never prices a deck it admits above the deck's
// power, and it prices exactly every deck whose five cards share just the
// pattern's units and attribute. Each deck is admitted by the pattern of
// what it shares, priced there at its power; unless it is among that
// pattern's best `limit` by price, `limit` other decks are priced, and so
// worth, at least as much. A card of two units takes the better of its two
// variants when the deck shares both, which no one-unit pattern prices: the
// patterns of unit sets are there for those decks.
#include "search/kernels/power_fast_path.h"

#include <algorithm>
#include <array>
#include <bit>
#include <optional>
#include <vector>

#include "search/evaluation/deck_evaluator.h"
#include "search/evaluation/top_decks.h"
#include "search/kernels/unit_sets.h"

namespace vdz {
namespace {

struct CompositionPattern {
    u32 units = 0;  // the units every card of the deck counts for, bits 0..5
    std::optional<u8> attr;
};

// One card as a pattern prices it.
struct CharacterCandidate {
    u32 pattern_power = 0;
    u16 index = 0;
};

// A deck under construction: `count` cards of different characters, slot j
// holding the (j+1)-th character taken in ascending character order.
struct PartialDeckEntry {
    u64 count = 0;
    u32 power_sum = 0;  // saturating
    DeckSlots slots{};
};

u32 saturating_add(u32 a, u32 b) {
    const u32 s = a + b;
    return s < a ? UINT32_MAX : s;
}

// The card's power when the deck matches the pattern.
u32 pattern_power(const CardPool& pool, u16 card, const CompositionPattern& p) {
    return shape_power(pool, card, p.units, p.attr.has_value());
}

using CandidateLists = std::array<std::vector<CharacterCandidate>, 27>;

// Steps 1-3 of a pattern: each character's cards under the pattern, best
// first (ties: lower index), one per card id, at most `limit`.
CandidateLists candidate_lists(const CardPool& pool, const CompositionPattern& p, u64 limit) {
    CandidateLists lists;
    for (u16 i = 0; i < pool.count(); ++i) {
        if ((pool.unit_mask(i) & p.units) != p.units) continue;
        if (p.attr && pool.attr(i) != *p.attr) continue;
        lists[std::min<u8>(pool.character_id(i), 26)].push_back({pattern_power(pool, i, p), i});
    }
    for (auto& list : lists) {
        std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
            if (a.pattern_power != b.pattern_power) return a.pattern_power > b.pattern_power;
            return a.index < b.index;
        });
        std::vector<CharacterCandidate> kept;
        for (const CharacterCandidate& c : list) {
            const bool seen = std::any_of(kept.begin(), kept.end(), [&](const auto& k) {
                return pool.card_id(k.index) == pool.card_id(c.index);
            });
            if (!seen) kept.push_back(c);
        }
        if (kept.size() > limit) kept.resize(limit);
        list = std::move(kept);
    }
    return lists;
}

// Steps 4-5: levels L0..L5 over characters 1..26; k runs downwards so that
// L(k-1) holds no card of the current character when read. Empty once the
// deadline has passed: an unfinished level is not the pattern's best.
std::vector<PartialDeckEntry> five_card_level(const CandidateLists& lists, u64 limit,
                                              Deadline& deadline, SearchStats& stats) {
    std::array<std::vector<PartialDeckEntry>, 6> level;
    level[0].push_back({});
    for (usize character = 1; character < 27; ++character) {
        const auto& list = lists[character];
        if (list.empty()) continue;
        for (usize k = 5; k >= 1; --k) {
            if (level[k - 1].empty()) continue;
            auto& out = level[k];
            for (const PartialDeckEntry& prev : level[k - 1]) {
                for (const CharacterCandidate& c : list) {
                    ++stats.nodes;
                    if (deadline.step()) return {};
                    PartialDeckEntry e = prev;
                    e.count = k;
                    e.power_sum = saturating_add(prev.power_sum, c.pattern_power);
                    e.slots[k - 1] = c.index;
                    out.push_back(e);
                }
            }
            if (out.size() >= 2) {
                std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
                    if (a.power_sum != b.power_sum) return a.power_sum > b.power_sum;
                    return a.slots < b.slots;
                });
            }
            if (out.size() > limit) out.resize(limit);
        }
    }
    return std::move(level[5]);
}

}  // namespace

SearchResult search_power_fast(const CardPool& pool, const SearchContext& context, u64 limit,
                               Deadline& deadline) {
    SearchResult result;
    // 1. The result list.
    TopDecks best(limit, false, pool_card_ids(pool));
    // 2. The patterns, in walk order.
    std::vector<u32> unit_sets = {0, 1, 2, 4, 8, 16, 32};
    for (const u32 set : shared_unit_sets(pool))
        if (std::popcount(set) >= 2) unit_sets.push_back(set);
    std::vector<CompositionPattern> patterns;
    for (const u32 units : unit_sets) {
        for (int attr = -1; attr < 6; ++attr) {
            CompositionPattern p;
            p.units = units;
            if (attr >= 0) p.attr = static_cast<u8>(attr);
            patterns.push_back(p);
        }
    }
    // 3. Each pattern's decks, evaluated exactly.
    for (const CompositionPattern& p : patterns) {
        if (deadline.expired()) break;
        const CandidateLists lists = candidate_lists(pool, p, limit);
        for (const PartialDeckEntry& deck : five_card_level(lists, limit, deadline, result.stats)) {
            ++result.stats.nodes;
            if (deadline.step()) break;
            ++result.stats.evaluations;
            if (const auto key = evaluate_deck_key(pool, context, deck.slots))
                best.record({*key, deck.slots});
        }
    }
    // 4. Best first.
    result.decks = std::move(best).take_entries();
    result.stats.clock_reads = deadline.clock_reads();
    result.stats.timed_out = deadline.expired();
    return result;
}

}  // namespace vdz
