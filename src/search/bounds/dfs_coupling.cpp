// The multiplier's terms per live type and skill order, then t from a
// reference deck, then the card values' tables.
#include "search/bounds/dfs_coupling.h"

#include <algorithm>
#include <cmath>

namespace vdz {
namespace {

// M <= a + b x best + l x lead + r x S: the multiplier of the live score
// bound, with its best-value, leader and sum terms apart. False where it has
// no sum term.
bool multiplier_terms(const SuffixTables& t, u32 best, u64 sum, Coupling& c) {
    c.a = static_cast<double>(t.base_score_e6);
    switch (t.effective_live_type) {
        case LiveType::MYSEKAI:
            return false;
        case LiveType::MULTI:
        case LiveType::CHEERFUL:
            if (t.teammate_score_up_x5 > 0 && t.room_places_known) {
                // M = a + teammates' places x 5 teammate / 500 + (room
                // leader's places + encore) x (4 lead + S) / 500.
                c.a += static_cast<double>(t.teammate_places_e6) *
                       static_cast<double>(t.teammate_score_up_x5) / 500.0;
                c.r = static_cast<double>(t.room_leader_places_e6 + t.skill_last_e6) / 500.0;
                c.l = 4 * c.r;
                return true;
            }
            // M = a + rate x max(5 x teammate, 4 best + S).
            c.r = static_cast<double>(t.skill_sum_e6);
            c.l = 4 * c.r;
            if (t.teammate_score_up_x5 > 0)
                c.floor = c.a + c.r * static_cast<double>(t.teammate_score_up_x5);
            return true;
        case LiveType::SOLO:
        case LiveType::AUTO:
        case LiveType::CHALLENGE:
        case LiveType::CHALLENGE_AUTO:
            // A challenge live scores as a solo (or auto) one.
            if (t.skill_order_choose_strategy == SkillOrderChooseStrategy::AVERAGE) {
                c.r = static_cast<double>(t.skill_first5_e6) / 500.0;
                c.l = static_cast<double>(t.skill_last_e6) / 100.0;
                return true;
            }
            break;
        default:
            break;
    }
    if (!t.paired_skill_weights) return false;
    // Values sorted largest first meet weights u_i: sum u_i v_i <= w S +
    // best x sum max(u_i - w, 0) for any w >= 0; take the w among the
    // weights that is least for the reference values. The leader's encore
    // adds its weight times the leader's value.
    c.l = static_cast<double>(t.skill_last_e6) / 100.0;
    double best_total = INFINITY;
    for (const i64 w : t.paired_skill_e6) {
        double excess = 0.0;
        for (const i64 u : t.paired_skill_e6)
            excess += static_cast<double>(std::max<i64>(u - w, 0));
        const double r = static_cast<double>(w) / 100.0, b = excess / 100.0;
        const double total = b * best + r * static_cast<double>(sum);
        if (total < best_total) {
            best_total = total;
            c.r = r;
            c.b = b;
        }
    }
    return true;
}

}  // namespace

Coupling make_coupling(const CardPool& pool, const SuffixTables& t, u64 power_extra,
                       const std::optional<DeckSlots>& reference) {
    Coupling c;
    if (t.target != Target::SCORE && t.target != Target::BONUS) return c;
    const usize n = pool.count();
    if (n == 0) return c;
    // The reference deck's power and skills, or the pool's best ones.
    double power = static_cast<double>(t.power_sums[0][5]);
    u32 best = t.max_skill_from[0];
    u64 sum = t.skill_sums[0][5];
    if (reference) {
        power = 0.0;
        best = 0;
        sum = 0;
        for (const u16 card : *reference) {
            power += pool.power(card);
            best = std::max<u32>(best, pool.skill_value(card));
            sum += pool.skill_value(card);
        }
    }
    if (!multiplier_terms(t, best, sum, c) || c.r <= 0.0) return c;
    power += static_cast<double>(power_extra);
    const double m = c.a + (c.b + c.l) * best + c.r * static_cast<double>(sum);
    if (power <= 0.0 || m <= 0.0) return c;
    // Equality of the mean bound at P x M holds where t P = M / t.
    c.t = std::sqrt(m / power);
    c.card.resize(n);
    std::array<double, CHARACTER_SLOT_COUNT> best_of{};
    for (u16 i = 0; i < n; ++i) {
        c.card[i] = c.t * pool.power(i) + c.r * pool.skill_value(i) / c.t;
        const u8 slot = std::min<u8>(pool.character_id(i), CHARACTER_SLOT_COUNT - 1);
        best_of[slot] = std::max(best_of[slot], c.card[i]);
    }
    for (usize s = 0; s < CHARACTER_SLOT_COUNT; ++s)
        c.order[s] = static_cast<u8>(s);
    std::stable_sort(c.order.begin(), c.order.end(),
                     [&](u8 x, u8 y) { return best_of[x] > best_of[y]; });
    for (usize j = 0; j < CHARACTER_SLOT_COUNT; ++j)
        c.by_rank[j] = best_of[c.order[j]];
    // Per position, the sums of the best per-character values from there on.
    c.sums.assign(n + 1, {});
    std::array<double, CHARACTER_SLOT_COUNT> running{};
    for (usize i = n; i-- > 0;) {
        const u8 slot =
            std::min<u8>(pool.character_id(static_cast<u16>(i)), CHARACTER_SLOT_COUNT - 1);
        running[slot] = std::max(running[slot], c.card[i]);
        std::array<double, CHARACTER_SLOT_COUNT> sorted = running;
        std::partial_sort(sorted.begin(), sorted.begin() + 5, sorted.end(), std::greater<double>());
        for (usize k = 1; k <= 5; ++k)
            c.sums[i][k] = c.sums[i][k - 1] + sorted[k - 1];
    }
    c.on = true;
    return c;
}

SlotCoupling make_slot_coupling(const CardPool& pool, const SuffixTables& t, u64 power_extra,
                                bool first_slot_leads, const std::optional<DeckSlots>& reference) {
    SlotCoupling c;
    const usize n = pool.count();
    if (!t.slot_places_known || first_slot_leads || n == 0 || !t.live_score_in_range) return c;
    if (t.target != Target::SCORE && t.target != Target::BONUS) return c;
    // 1. The distinct weights a slot may meet: slot l leading trades the
    // weights of slots 0 and l of the first slot's choice.
    for (usize s = 0; s < 5; ++s) {
        const i64 w = t.slot_weight_e6[0][s];
        auto at = std::find(c.weights_e6.begin(), c.weights_e6.end(), w);
        if (at == c.weights_e6.end()) at = c.weights_e6.insert(at, w);
        c.weight_index[s] = static_cast<u8>(at - c.weights_e6.begin());
    }
    // 2. t from the reference deck, or from the pool's best cards: the
    // bound is tightest for decks whose P x t^2 is near M.
    const double base = static_cast<double>(t.base_score_e6);
    double power = static_cast<double>(power_extra);
    double m = base;
    if (reference) {
        usize lead = 0;
        for (usize s = 1; s < 5; ++s)
            if (pool.skill_value((*reference)[s]) > pool.skill_value((*reference)[lead])) lead = s;
        for (usize s = 0; s < 5; ++s) {
            const u16 card = (*reference)[s];
            power += pool.power(card);
            m += static_cast<double>(t.slot_weight_e6[lead][s]) * pool.skill_value(card) / 100.0;
        }
    } else {
        power += static_cast<double>(t.power_sums[0][5]);
        for (const i64 w : t.slot_weight_e6[0])
            m += static_cast<double>(w) * t.max_skill_from[0] / 100.0;
    }
    if (power <= 0.0 || m <= 0.0) return c;
    c.t = std::sqrt(m / power);
    // 3. Per position, the best card value at each weight from there on.
    const usize k = c.weights_e6.size();
    c.best.assign(n + 1, {});
    for (usize i = n; i-- > 0;) {
        c.best[i] = c.best[i + 1];
        const u16 card = static_cast<u16>(i);
        for (usize q = 0; q < k; ++q) {
            const double value = c.t * pool.power(card) + static_cast<double>(c.weights_e6[q]) *
                                                              pool.skill_value(card) /
                                                              (100.0 * c.t);
            c.best[i][q] = std::max(c.best[i][q], value);
        }
    }
    c.on = true;
    return c;
}

double slot_coupled_product_bound(const SlotCoupling& c, const SuffixTables& t, u64 power_extra,
                                  u64 placed_power, const std::array<u8, 5>& values, usize placed,
                                  usize row) {
    // Whichever slot leads, each slot meets that choice's weight, and the
    // deck's P x M is at most the mean bound at those weights: the largest
    // over the leading slots bounds it. Slot l leading only trades the
    // weights of slots 0 and l of the first slot's choice, so each choice
    // is that sum with two terms exchanged.
    const std::array<double, 5>& best = c.best[row];
    const std::array<u8, 5>& index = c.weight_index;
    const double scale = 1.0 / (100.0 * c.t);
    // Slot s's term at the weight of index q.
    const auto term = [&](usize s, u8 q) {
        return s < placed ? static_cast<double>(c.weights_e6[q] * values[s]) * scale : best[q];
    };
    std::array<double, 5> own{};
    double sum = c.t * static_cast<double>(power_extra + placed_power) +
                 static_cast<double>(t.base_score_e6) / c.t;
    for (usize s = 0; s < 5; ++s) {
        own[s] = term(s, index[s]);
        sum += own[s];
    }
    double top = sum;
    for (usize l = 1; l < 5; ++l)
        top = std::max(top, sum - own[0] - own[l] + term(0, index[l]) + term(l, index[0]));
    return std::ceil(top * top / 4.0 * (1.0 + 1e-9)) + 1.0;
}

}  // namespace vdz
