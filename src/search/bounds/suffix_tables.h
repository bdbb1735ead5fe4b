// The read-only bound tables of the branch-and-bound searches, built once per
// search from a pool and its context: per-position sums of the best
// per-character maxima, the characters ranked by their best card, each
// character's best power per unit pattern, and the live-score coefficients in
// fixed point, so that a bound is a few array reads and integer steps.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "common/types.h"
#include "handler/enums.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"

namespace vdz {

// Sums of the k best per-character maxima, k = 0..5; entry 0 is always 0.
using SuffixRow = std::array<u32, 6>;

inline constexpr usize CHARACTER_SLOT_COUNT = 27;
// Unit patterns (6 bits) x seven attribute cases (0..5, 6 = mixed).
inline constexpr usize UNIT_PATTERN_ROWS = 64 * 7;

// Owned by one search (or by the searches of one pool), read only while they
// run; nothing in it points into the pool or the context.
struct SuffixTables {
    // Rows 0..n; row i covers pool positions i..n-1, row n is all zero.
    std::vector<SuffixRow> bonus_total_sums;    // whole-percent event bonus, rounded up
    std::vector<SuffixRow> bonus_base_sums;     // its base part (final chapter), else the total
    std::vector<SuffixRow> bonus_limited_sums;  // its limited part (final chapter), else zero
    std::vector<SuffixRow> power_sums;          // card power
    std::vector<SuffixRow> plain_power_sums;    // card power in a deck sharing no unit or attribute
    std::vector<SuffixRow> skill_sums;          // skill value
    std::vector<u16> max_skill_from;            // largest skill value from position i on
    // Per unit (bit of the unit mask), power_sums over that unit's cards
    // alone; per attribute (low three bits), the rows of its cards' power in
    // a deck sharing no unit and that one attribute.
    std::array<std::vector<SuffixRow>, 6> unit_power_sums;
    std::array<std::vector<SuffixRow>, 8> same_attr_power_sums;

    // Row 7p + a, slot c: character c's best power under unit pattern p with
    // the whole deck of attribute a (a < 6) or mixed (a = 6). Only for the
    // score target without an event; empty otherwise.
    std::vector<std::array<u32, CHARACTER_SLOT_COUNT>> power_by_unit_pattern;
    // Per row of it, the character slots by their value, descending (ties:
    // lower slot), and the values in that order.
    std::vector<std::array<u8, CHARACTER_SLOT_COUNT>> unit_pattern_order;
    std::vector<std::array<u32, CHARACTER_SLOT_COUNT>> unit_pattern_by_rank;

    // Character slots by their best card, descending (ties: lower slot), and
    // the best values in that order.
    std::array<u8, CHARACTER_SLOT_COUNT> power_order{};
    std::array<u8, CHARACTER_SLOT_COUNT> skill_order{};
    std::array<u8, CHARACTER_SLOT_COUNT> bonus_order{};
    std::array<u8, CHARACTER_SLOT_COUNT> plain_power_order{};
    std::array<u32, CHARACTER_SLOT_COUNT> power_by_rank{};
    std::array<u32, CHARACTER_SLOT_COUNT> plain_power_by_rank{};
    std::array<u16, CHARACTER_SLOT_COUNT> skill_by_rank{};
    std::array<u16, CHARACTER_SLOT_COUNT> bonus_by_rank{};

    // The general World Bloom support list and how many entries a deck takes.
    std::vector<SupportEntry> support_list;
    u8 support_count = 0;

    // Live-score coefficients, times 1,000,000 and rounded up, so that a
    // bound formed from them is never below the evaluator's score; they
    // read each weight's size (see `fill_parameters`).
    i64 base_score_e6 = 0;    // the live type's base score
    i64 skill_sum_e6 = 0;     // (W0 + .. + W5) / 500
    i64 skill_first5_e6 = 0;  // W0 + .. + W4
    i64 skill_last_e6 = 0;    // W5
    i64 skill_top_e6 = 0;     // the largest of W0 .. W4
    i64 skill_rest_e6 = 0;    // W0 + .. + W4 without it, plus one for the rounding
    // Solo-formula lives ranking by the best or worst skill order: W0..W4
    // times 1,000,000 rounded up, in the order they meet the deck's skill
    // values sorted largest first.
    bool paired_skill_weights = false;
    std::array<i64, 5> paired_skill_e6{};
    // A specific order in the final chapter, where slot 0 always leads:
    // the summed weight of the places that read slot 0, and those of the
    // other four places, times 1,000,000 rounded up, largest first.
    bool leader_place_known = false;
    i64 leader_place_e6 = 0;
    std::array<i64, 4> other_places_e6{};
    // A specific order outside the final chapter, where a deck's slots are
    // its cards in the order the search placed them: where the best skill
    // leads, the place a slot plays follows from which slot leads (the
    // leader plays place 0, the first slot the leader's place). Per leading
    // slot l, each slot's weight, the leader's encore included; per depth d
    // and leading slot l, the weights of the free slots d..4 that do not
    // lead, largest first, then zeros (for d = 1 and l = 0 the weights of
    // places 1 to 4, largest first). Times 1,000,000 rounded up.
    bool slot_places_known = false;
    std::array<std::array<i64, 5>, 5> slot_weight_e6{};
    std::array<std::array<std::array<i64, 5>, 5>, 5> free_slot_weights_e6{};
    // The base score and every weight within 10,000 in size and the teammate
    // score up within 1,000,000 (songs stay near 1): the bounds' products of
    // these coefficients with skill values and powers then fit in 64 bits.
    // Outside, a bound gives the largest live score.
    bool live_score_in_range = false;
    // Multi and cheerful lives under a specific order with the teammates'
    // score up given: the summed weight of the places that read the room
    // leader's activation, and of those that read a teammate's, times
    // 1,000,000 rounded up.
    bool room_places_known = false;
    i64 room_leader_places_e6 = 0;
    i64 teammate_places_e6 = 0;
    i64 teammate_score_up_x5 = 0;  // 5 x the teammate score up's size, 0 when absent
    u64 multi_term_e6 = 0;         // 0.075 in multi and cheerful lives, else 0
    u32 cheerful_factor = 0;       // cheerful event-point factor in 1/5000, else 0
    LiveType effective_live_type = LiveType::SOLO;  // multi in a cheerful carnival: cheerful
    bool has_event = false;

    // Copies of the context values the bounds read.
    std::optional<u32> teammate_power;
    u32 wl3_power_cap = 0;  // non-zero: power is capped at `power_cap`
    u32 power_cap = 0;
    u64 limited_bonus_count = 0;
    u32 music_event_rate = 0;
    u32 boost_rate = 0;
    u32 other_score = 0;
    u32 bonus_bound = 0;  // the deck's extra event bonus at most, percent
    std::array<u16, 6> distinct_attr_bonus{};
    // Added to every deck power; at most i32's largest value (see the card
    // power), so the sum with five cards' powers never wraps.
    u32 honor_power = 0;
    bool world_bloom = false;
    bool final_chapter = false;
    SkillOrderChooseStrategy skill_order_choose_strategy = SkillOrderChooseStrategy::BEST;
    Target target = Target::SCORE;
};

SuffixTables build_suffix_tables(const CardPool& pool, const SearchContext& context);

// A card's in-deck power for a deck whose cards all share the units of
// pattern `p` (a shared unit may or may not fill the deck) and, when
// `same_attr` is 1, one attribute.
u32 pattern_power(const CardPool& pool, u16 card, u32 p, u32 same_attr);

// The weight each of the five skill values meets in a solo-formula live:
// the best order pairs the largest value with the largest weight and the
// worst order with the smallest, so their weights stand as they are; a
// specific order plays the value at each named place, so a place's weight
// is the sum of the weights that name it (0 for a place none names). Any
// pairing of five values with these weights sums to at most the largest
// with the largest, in turn.
std::array<double, 5> activation_weights(const SearchContext& context,
                                         const std::array<double, 6>& w);

// Whole percent, rounded up, of a bonus in tenths of a percent.
inline u32 ceil_percent(u32 x10) {
    return (x10 + 9) / 10;
}

}  // namespace vdz
