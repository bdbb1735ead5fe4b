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

}  // namespace vdz
