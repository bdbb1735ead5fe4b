// Why the bound holds. In solo and auto lives a deck's event points are
// f(e x (q + 100)), f growing, e = 100 + its event bonus in whole percent and
// q its live score / 20,000 truncated. For decks of one set of groups, with
// the skill values at the group bound's, which give the score's rate k,
//   e <= X = X0 + sum of x(c),  x(c) = the card's bonus (base and limited) / 10,
//   X0 = 100 + attribute bonus + (leader's bonus + support + 9) / 10,
// and in a deck of shape j (every deck has one its leader allows, and each
// of its cards fits it and plays its variant for it)
//   q + 100 <= Y = Y0 + k sum of y(c, j),  y(c, j) = 4 p(c, j) / 10^6 / 20,000,
//   Y0 = 100 + (4 k (leader's p(j) + honor power) / 10^6 + 1) / 20,000,
// as the score is at most ceil(4 k P / 10^6) for a power P (the cap only
// lowers it). For any positive A and B, X Y <= ((X / A + Y / B) / 2)^2 A B
// (the means of two numbers), and with B = k beta, X / A + Y / B is
// X0 / A + Y0 / B plus, per card, x / A + y / beta, for an open group at
// most its largest such scalar over its cards that fit the shape, which
// reads no k. A and beta are per leader, near each part's largest: the
// bound is the exact product where one card of each group is best in both,
// and it falls as they part (a normalizer a few percent off costs only the
// square of that). Every deck's product is at most the largest over the
// shapes its cards fit, taken up by a relative margin far above the
// doubles' rounding, and its points at most f of that. Any rate k at least
// the deck's own bounds its Y, and with it any B: in the card search the
// skill values a child's decks can hold give a rate often below the set's,
// and per shape the bound (S + W / k)^2 k beta (S the sum without the
// constant W / k, W = (100 + 1 / 20,000) / beta) is least over k >= that
// rate at the larger of the rate and W / S.
#include "search/final_chapter/final_tied_bound.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

#include "common/check.h"
#include "search/bounds/final_bound.h"

namespace vdz {
namespace {

// 4 / 10^6 / 20,000: y per power point.
constexpr double Y_PER_POWER = 2e-10;

double bonus_of(const GroupSearchState& gs, u16 card) {
    return gs.pool->event_bonus(card).total_x10() / 10.0;
}

u16 fit_mask(const TiedLeader& tl, const GroupSearchState& gs, u16 card) {
    const CardPool& pool = *gs.pool;
    return tl.fits[pool.unit_mask(card) & 0x3Fu][pool.attr(card) == gs.shapes->shapes.attr ? 1 : 0];
}

// The four largest of `values` summed.
double top_four_sum(std::vector<double> values) {
    const usize n = std::min<usize>(values.size(), 4);
    std::partial_sort(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(n), values.end(),
                      std::greater<>());
    double sum = 0.0;
    for (usize i = 0; i < n; ++i)
        sum += values[i];
    return sum;
}

// The key bound of decks whose e x (q + 100) is at most `product`.
u64 points_key(const SuffixTables& t, double product) {
    if (!(product < 1e15)) return UINT64_MAX;
    const i64 bound = static_cast<i64>(std::floor(product * (1.0 + 1e-9))) + 1;
    const i64 points = bound * t.music_event_rate / 10000 * t.boost_rate / 100;
    if (points >= i64{UINT32_MAX}) return UINT64_MAX;
    return (static_cast<u64>(points) << 32) | UINT32_MAX;
}

}  // namespace

TiedLeader tied_leader(const GroupSearchState& gs) {
    TiedLeader tl;
    const SuffixTables& t = *gs.tables;
    const LeaderShapes& shapes = *gs.shapes;
    if (t.target != Target::SCORE || !t.has_event || !shapes.shapes.known ||
        shapes.card_shapes.empty() || t.music_event_rate >= (1u << 20) ||
        t.boost_rate >= (1u << 16) || gs.groups.size() < 4 || gs.group_suffix.empty()) {
        return tl;
    }
    // The rate of the best skills any deck of the leader can hold sets beta
    // (any positive one is sound).
    const LeaderValues& leader = gs.leader;
    TopFive skills = gs.group_suffix[0].top_skill;
    insert_top_five(skills, leader.skill);
    const std::optional<i64> rate = solo_score_rate(t, skills, leader.skill);
    if (!rate || *rate <= 0) return tl;
    const LeaderShapeSet& set = shapes.shapes;
    const usize n = 2 * set.count;
    for (usize units = 0; units < 64; ++units)
        for (usize f = 0; f < 2; ++f)
            for (usize j = 0; j < n; ++j)
                if ((set.units[j / 2] & ~units) == 0 && (j % 2 == 0 || f == 1))
                    tl.fits[units][f] |= static_cast<u16>(1u << j);
    tl.x0 = 100.0 + leader.attr_bonus +
            (leader.bonus_x10 + leader.limited_x10 + leader.support_x10 + 9) / 10.0;
    // 1. Each group's largest bonus and power per shape.
    std::vector<double> x_max(gs.groups.size(), 0.0);
    std::vector<std::array<double, 16>> y_max(gs.groups.size());
    for (usize g = 0; g < gs.groups.size(); ++g)
        for (const u16 card : gs.groups[g].cards) {
            x_max[g] = std::max(x_max[g], bonus_of(gs, card));
            const u16 fits = fit_mask(tl, gs, card);
            const ShapeSums& p = shapes.card_shapes[card];
            for (usize j = 0; j < n; ++j)
                if ((fits >> j) & 1u)
                    y_max[g][j] = std::max(y_max[g][j], Y_PER_POWER * p[j / 2][j % 2]);
        }
    // 2. Normalizers near the best four groups' sums.
    tl.a = tl.x0 + top_four_sum(x_max);
    const double k = static_cast<double>(*rate);
    for (usize j = 0; j < n; ++j) {
        tl.y0_rate[j] =
            Y_PER_POWER * (static_cast<double>(shapes.leader_shape_power[j]) + t.honor_power);
        std::vector<double> column(gs.groups.size());
        for (usize g = 0; g < gs.groups.size(); ++g)
            column[g] = y_max[g][j];
        tl.beta[j] = (100.0 + 1.0 / 20000.0) / k + tl.y0_rate[j] + top_four_sum(std::move(column));
        tl.inv_beta[j] = Y_PER_POWER / tl.beta[j];
        tl.rate_free_sum[j] = tl.x0 / tl.a + tl.y0_rate[j] / tl.beta[j];
        tl.w[j] = (100.0 + 1.0 / 20000.0) / tl.beta[j];
    }
    // 3. Per card and shape its scalar, and per group and shape its best
    // card's.
    tl.card_scalar.assign(gs.pool->count() * n, 0.0);
    tl.card_fits.assign(gs.pool->count(), 0);
    tl.group_scalar.assign(gs.groups.size(), {});
    for (usize g = 0; g < gs.groups.size(); ++g) {
        std::array<double, 16>& best = tl.group_scalar[g];
        best.fill(-1.0);
        for (const u16 card : gs.groups[g].cards) {
            const double x = bonus_of(gs, card) / tl.a;
            const u16 fits = fit_mask(tl, gs, card);
            const ShapeSums& p = shapes.card_shapes[card];
            double* scalar = &tl.card_scalar[card * n];
            tl.card_fits[card] = fits;
            for (usize j = 0; j < n; ++j) {
                scalar[j] = x + p[j / 2][j % 2] * tl.inv_beta[j];
                if ((fits >> j) & 1u) best[j] = std::max(best[j], scalar[j]);
            }
        }
    }
    std::array<std::array<double, 4>, 16> none;
    for (auto& top : none)
        top.fill(-1.0);
    tl.suffix_top.assign(gs.groups.size() + 1, none);
    for (usize g = gs.groups.size(); g-- > 0;) {
        tl.suffix_top[g] = tl.suffix_top[g + 1];
        for (usize j = 0; j < n; ++j) {
            std::array<double, 4>& top = tl.suffix_top[g][j];
            double v = tl.group_scalar[g][j];
            for (usize i = 0; i < 4 && v >= 0.0; ++i)
                if (v > top[i]) std::swap(v, top[i]);
        }
    }
    tl.shape_count = n;
    return tl;
}

TiedBound tied_bound(const GroupSearchState& gs, const std::array<usize, 4>& order,
                     const ChosenGroupsPart& part) {
    TiedBound tb;
    const TiedLeader* tl = gs.tied;
    if (tl == nullptr || tl->shape_count == 0) return tb;
    const std::optional<i64> rate = solo_score_rate(*gs.tables, part.skills, part.leader_skill);
    if (!rate || *rate <= 0) return tb;
    const double k = static_cast<double>(*rate);
    const usize n = tl->shape_count;
    tb.shape_count = n;
    tb.a = tl->a;
    tb.rate = k;
    for (usize j = 0; j < n; ++j) {
        tb.b[j] = k * tl->beta[j];
        tb.base[j] = tl->x0 / tl->a + (100.0 + 1.0 / 20000.0 + k * tl->y0_rate[j]) / tb.b[j];
    }
    for (usize q = 4; q-- > 0;) {
        const std::array<double, 16>& best = tl->group_scalar[order[q]];
        for (usize j = 0; j < n; ++j)
            tb.open[q][j] =
                tb.open[q + 1][j] < 0.0 || best[j] < 0.0 ? -1.0 : tb.open[q + 1][j] + best[j];
    }
    tb.valid = true;
    return tb;
}

u64 tied_group_key(const GroupSearchState& gs, const std::array<usize, 4>& chosen, usize depth,
                   usize start, const TopFive& skills, u32 leader_skill) {
    const TiedLeader* tl = gs.tied;
    if (tl == nullptr || tl->shape_count == 0) return UINT64_MAX;
    VDZ_ASSERT(depth <= 4 && start < tl->suffix_top.size());
    const std::optional<i64> rate = solo_score_rate(*gs.tables, skills, leader_skill);
    if (!rate || *rate <= 0) return UINT64_MAX;
    const double k = static_cast<double>(*rate);
    const usize r = 4 - depth;
    double product = 0.0;
    for (usize j = 0; j < tl->shape_count; ++j) {
        const double b = k * tl->beta[j];
        double sum = tl->x0 / tl->a + (100.0 + 1.0 / 20000.0 + k * tl->y0_rate[j]) / b;
        bool possible = true;
        for (usize c = 0; c < depth; ++c) {
            const double v = tl->group_scalar[chosen[c]][j];
            possible = possible && v >= 0.0;
            sum += v;
        }
        for (usize i = 0; i < r; ++i) {
            const double v = tl->suffix_top[start][j][i];
            possible = possible && v >= 0.0;
            sum += v;
        }
        if (possible) product = std::max(product, sum * sum * b);
    }
    return points_key(*gs.tables, product * tl->a / 4.0);
}

TiedPlaced tied_with(const GroupSearchState& gs, const TiedPlaced& placed, u16 card) {
    const TiedLeader& tl = *gs.tied;
    TiedPlaced out = placed;
    const double* scalar = &tl.card_scalar[card * tl.shape_count];
    for (usize j = 0; j < tl.shape_count; ++j)
        out.sum[j] += scalar[j];
    out.shapes &= tl.card_fits[card];
    return out;
}

TiedPlaced tied_placed(const GroupSearchState& gs, const DeckSlots& deck, usize d) {
    TiedPlaced out;
    for (usize i = 1; i <= d; ++i)
        out = tied_with(gs, out, deck[i]);
    return out;
}

u64 tied_key(const TiedBound& tb, const GroupSearchState& gs, const TiedPlaced& placed, usize p) {
    if (!tb.valid) return UINT64_MAX;
    VDZ_ASSERT(p <= 4);
    double product = 0.0;
    for (usize j = 0; j < tb.shape_count; ++j) {
        if (!((placed.shapes >> j) & 1u) || tb.open[p][j] < 0.0) continue;
        const double sum = tb.base[j] + placed.sum[j] + tb.open[p][j];
        product = std::max(product, sum * sum * tb.b[j]);
    }
    return points_key(*gs.tables, product * tb.a / 4.0);
}

u64 tied_key_at(const TiedBound& tb, const GroupSearchState& gs, const TiedPlaced& placed, usize p,
                const TopFive& skills, u32 leader_skill) {
    if (!tb.valid) return UINT64_MAX;
    VDZ_ASSERT(p <= 4);
    const std::optional<i64> rate = solo_score_rate(*gs.tables, skills, leader_skill);
    // At or above the set's rate the bound is the set's own, which the
    // caller has asked already: no second walk over the shapes for it.
    if (!rate || *rate <= 0 || static_cast<double>(*rate) >= tb.rate) return UINT64_MAX;
    // Per shape the least bound over k >= `rate` (see above), never above
    // the one at the set's rate: at k = `rate` where W / S is at most it,
    // else at k = W / S, where (S + W / k)^2 k beta is 4 S W beta.
    const TiedLeader& tl = *gs.tied;
    const double k = static_cast<double>(*rate);
    const double inv_k = 1.0 / k;
    double product = 0.0;
    for (usize j = 0; j < tb.shape_count; ++j) {
        if (!((placed.shapes >> j) & 1u) || tb.open[p][j] < 0.0) continue;
        const double s = tl.rate_free_sum[j] + placed.sum[j] + tb.open[p][j];
        const double sum = s + tl.w[j] * inv_k;
        const double at =
            k * s >= tl.w[j] ? sum * sum * k * tl.beta[j] : 4.0 * s * tl.w[j] * tl.beta[j];
        product = std::max(product, at);
    }
    return points_key(*gs.tables, product * tb.a / 4.0);
}

}  // namespace vdz
