// Power and skill kept together in the live-score bound. Taking each
// character's best power and, apart, its best skill overstates decks whose
// strongest cards are not also their most skilled; this bound keeps each
// card's power and skill in one value, so the depth-first search can cut
// where the separate maxima cannot.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "common/types.h"
#include "pool/card_pool.h"
#include "search/bounds/suffix_tables.h"
#include "search/evaluation/deck_entry.h"

namespace vdz {

// The live score grows with P x M, the deck power times the skill
// multiplier (times 1,000,000), and M <= a + b x best + l x lead + r x S,
// S the skill sum, best the largest skill value and lead the leader's. For any t > 0, P x M <= (t P
// + M / t)^2 / 4 (the arithmetic mean bounds the geometric one), and t P + M / t is a constant plus
// one value per card, t p + r s / t: each card brings its power and skill together. The per-card
// values are ranked and summed like the other suffix tables.
struct Coupling {
    bool on = false;
    double t = 1.0;
    double a = 0.0, b = 0.0, l = 0.0, r = 0.0;
    double floor = 0.0;        // M may instead be this constant (a multi live's teammates)
    std::vector<double> card;  // per pool card: t p + r s / t
    std::array<u8, CHARACTER_SLOT_COUNT> order{};
    std::array<double, CHARACTER_SLOT_COUNT> by_rank{};
    std::vector<std::array<double, 6>> sums;  // per position, like the suffix rows
};

// Off where the skill multiplier has no skill-sum term (mysekai lives, and
// solo-formula lives whose places' weights are unknown) or the target ranks
// by no live score; under a specific order a solo-formula live's weights are
// paired with the values sorted, which holds whichever card plays which slot. `reference`,
// when given, is a good deck: t is chosen so that the bound is tightest for
// decks like it.
Coupling make_coupling(const CardPool& pool, const SuffixTables& t, u64 power_extra,
                       const std::optional<DeckSlots>& reference);

// The same mean bound where a specific order fixes each slot's place, so
// that the weight of a slot's skill is known once the leading slot is:
// M <= a + sum over slots of w_s v_s / 100, and a free slot's card brings
// t p + (w_s / 100) v / t. Per weight a slot may meet and per position, the
// largest such value of the cards from there on (one card may stand for
// several slots: the bound only grows).
struct SlotCoupling {
    bool on = false;
    double t = 1.0;
    std::array<u8, 5> weight_index{};         // per slot, the first slot leading
    std::vector<i64> weights_e6;              // the distinct slot weights
    std::vector<std::array<double, 5>> best;  // per position, per weight
};

// On where the suffix tables know the slots' places and the best skill
// leads; `reference` as for `make_coupling`.
SlotCoupling make_slot_coupling(const CardPool& pool, const SuffixTables& t, u64 power_extra,
                                bool first_slot_leads, const std::optional<DeckSlots>& reference);

// Bound of P x M over decks whose first `placed` slots hold cards of power
// columns summing to `placed_power` and skill values at most `values`, and
// whose other slots hold cards from position `row` on; rounded up with a
// margin far above the floating-point error.
double slot_coupled_product_bound(const SlotCoupling& c, const SuffixTables& t, u64 power_extra,
                                  u64 placed_power, const std::array<u8, 5>& values, usize placed,
                                  usize row);

// The honor power's term of the coupled sum, c.t times the honor power.
inline double coupled_power_extra_term(const Coupling& c, u64 power_extra) {
    // The powers are far below 2^63: read as signed, they convert in one
    // step to the same doubles.
    return c.t * static_cast<double>(static_cast<i64>(power_extra));
}

// Bound of P x M over decks whose deck power is at most `power`, whose best
// skill value is at most `best`, whose leader's is at most `lead` and whose
// card values sum to at most `coupled`, with `power_extra_term` the honor
// power's term (taken once per search), before its rounding up: the mean
// bound, or the floor's product where that is larger.
inline double coupled_square(const Coupling& c, double power_extra_term, u64 power, u32 best,
                             u32 lead, double coupled) {
    const double x = power_extra_term + (c.a + c.b * best + c.l * lead) / c.t + coupled;
    double product = x * x / 4.0;
    if (c.floor > 0.0)
        product = std::max(product, static_cast<double>(static_cast<i64>(power)) * c.floor);
    return product;
}

// `coupled_square`'s value rounded up with a margin far above the
// floating-point error; never below it.
inline double coupled_rounded_up(double product) {
    // Relative rounding of a few operations on values below 2^53 stays far
    // below the margin.
    const double margin = product * (1.0 + 1e-9);
    // std::ceil's result, by truncation where it is exact (non-negative and
    // below 2^62; any double from 2^52 on is whole).
    if (!(margin >= 0.0 && margin < 0x1p62)) return std::ceil(margin) + 1.0;
    const double whole = static_cast<double>(static_cast<i64>(margin));
    return (whole < margin ? whole + 1.0 : whole) + 1.0;
}

// The bound of P x M itself.
inline double coupled_product_bound_at(const Coupling& c, double power_extra_term, u64 power,
                                       u32 best, u32 lead, double coupled) {
    return coupled_rounded_up(coupled_square(c, power_extra_term, power, best, lead, coupled));
}

// The same for the honor power `power_extra`.
inline double coupled_product_bound(const Coupling& c, u64 power_extra, u64 power, u32 best,
                                    u32 lead, double coupled) {
    return coupled_product_bound_at(c, coupled_power_extra_term(c, power_extra), power, best, lead,
                                    coupled);
}

}  // namespace vdz
