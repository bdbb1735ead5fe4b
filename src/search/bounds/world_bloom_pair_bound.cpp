// Why the bound holds. A deck of the three placed cards and two free cards x
// and y lands on a tier only where x and y add a total of the tier's window
// for the deck's attribute count, which the attributes they add to the
// placed ones decide; they are of distinct characters outside the placed
// ones and come from the row on. Each lies in one run of equal total with
// one attribute, and every such pair of runs and attributes whose totals
// fit the window and whose attributes bring an asked count is visited. Per
// part (power column, plain power, power under a shared attribute, power of
// each unit's cards, skill value) the pair's sum is at most the largest sum
// of a card of each list of distinct characters outside the placed ones:
// the best card of a character bounds every card of it, and of the first
// five characters by that part at most three are placed and one is the
// other card's. Its larger skill value is at most the larger of the two
// lists' best, its smaller at most the smaller (two cards of one list: the
// second best). A deck fills a unit only where all five cards have it, one
// the placed cards share: then the free cards are that unit's, each at its
// variant without the shared attribute where the deck's attributes differ,
// and the placed cards have at most `placed_unit`; else every card has its
// power under the shared attribute where all five share it, else its plain
// power; the power column bounds every card. Each pair of runs and
// attributes is bounded apart, its parts read from its own lists, and the
// largest of those keys bounds every pair; the largest of each part over
// all of them, which mixes the power of one with the skills of another,
// bounds that in turn and is asked first. The key grows with
// the power, each skill value and the bonus (a free card's rounded-up bonus
// is at most its total rounded up plus one), as every bound of the search
// uses.
#include "search/bounds/world_bloom_pair_bound.h"

#include <algorithm>

#include "common/check.h"
#include "common/numeric.h"
#include "search/bounds/suffix_tables.h"

namespace vdz {
namespace {

constexpr i64 NONE = -1;

}  // namespace

void WorldBloomPairBound::Best::add(u32 v, u8 c) {
    for (usize i = 0; i < count; ++i) {
        if (character[i] != c) continue;
        if (value[i] >= v) return;
        for (usize j = i; j + 1 < count; ++j) {
            value[j] = value[j + 1];
            character[j] = character[j + 1];
        }
        --count;
        break;
    }
    usize at = 0;
    while (at < count && value[at] >= v)
        ++at;
    if (at == LIST) return;
    for (usize j = std::min<usize>(count, LIST - 1); j > at; --j) {
        value[j] = value[j - 1];
        character[j] = character[j - 1];
    }
    value[at] = v;
    character[at] = c;
    count = static_cast<u8>(std::min<usize>(count + 1u, LIST));
}

WorldBloomPairBound::WorldBloomPairBound(const BoundModel& m) : m_(&m) {
    const CardPool& pool = *m.pool;
    const usize n = pool.count();
    const auto total = [&](usize i) { return pool.event_bonus(static_cast<u16>(i)).total_x10(); };
    // 1. The positions from which the pool is listed by bonus, its runs of
    // equal total there and the attributes of their cards.
    sorted_from_ = n;
    while (sorted_from_ > 0 &&
           (sorted_from_ == n || total(sorted_from_ - 1) >= total(sorted_from_)))
        --sorted_from_;
    std::array<u8, 8> attr_index;  // per attribute code, its index
    attr_index.fill(0xFF);
    for (usize i = sorted_from_; i < n; ++i) {
        const u8 code = pool.attr(static_cast<u16>(i)) & 7u;
        if (attr_index[code] != 0xFF) continue;
        attr_index[code] = static_cast<u8>(attrs_);
        attr_code_[attrs_++] = code;
    }
    class_at_.assign(n, 0);
    for (usize i = sorted_from_; i < n; ++i) {
        if (i == sorted_from_ || total(i) != total(i - 1))
            classes_.push_back({total(i), static_cast<u32>(i)});
        class_at_[i] = static_cast<u16>(classes_.size() - 1);
    }
    // 2. From each run's end down, each card joins the lists of its
    // attribute from its position to the run's end.
    const usize block = attrs_ * PARTS;
    best_.assign((n - sorted_from_) * block, Best{});
    for (usize i = n; i-- > sorted_from_;) {
        Best* own = best_.data() + (i - sorted_from_) * block;
        if (i + 1 < n && class_at_[i + 1] == class_at_[i]) std::copy_n(own + block, block, own);
        const u16 card = static_cast<u16>(i);
        Best* list = own + attr_index[pool.attr(card) & 7u] * PARTS;
        const u8 character = pool.character_id(card);
        list[POWER].add(pool.power(card), character);
        list[PLAIN].add(m.power_no_unit[card], character);
        list[SAME_ATTR].add(m.power_no_unit_same_attr[card], character);
        list[SKILL].add(pool.skill_value(card), character);
        for (u32 u = 0; u < 6; ++u) {
            if (!((pool.unit_mask(card) >> u) & 1u)) continue;
            list[UNIT + u].add(pool.power(card), character);
            list[MIXED + u].add(
                std::min(pool.power(card), pattern_power(pool, card, pool.unit_mask(card), 0)),
                character);
        }
    }
}

namespace {

// The first entry of `b` from `from` on whose character is outside `used`
// and is not `other`; `count` where none is.
template <class B>
usize first_valid(const B& b, u32 used, usize from = 0, u32 other = 0xFF) {
    while (from < b.count && (((used >> b.character[from]) & 1u) || b.character[from] == other))
        ++from;
    return from;
}

// The largest sum of an entry of `x` and one of `y` of other characters,
// neither in `used`; with `same`, two entries of one list. NONE where no two
// are.
template <class B>
i64 pair_max(const B& x, const B& y, u32 used, bool same) {
    const usize a = first_valid(x, used);
    if (a == x.count) return NONE;
    if (same) {
        const usize b = first_valid(x, used, a + 1);
        return b == x.count ? NONE : i64{x.value[a]} + x.value[b];
    }
    const usize b = first_valid(y, used);
    if (b == y.count) return NONE;
    if (x.character[a] != y.character[b]) return i64{x.value[a]} + y.value[b];
    i64 out = NONE;
    if (const usize c = first_valid(y, used, b + 1, x.character[a]); c < y.count)
        out = i64{x.value[a]} + y.value[c];
    if (const usize c = first_valid(x, used, a + 1, y.character[b]); c < x.count)
        out = std::max(out, i64{x.value[c]} + y.value[b]);
    return out;
}

}  // namespace

std::optional<u64> WorldBloomPairBound::bound(const PartialSums& placed, u64 placed_unit, usize row,
                                              u32 used, i64 lo, i64 hi, u8 new_attrs,
                                              u64 bonus_extra, std::optional<u32> cut_at) const {
    VDZ_ASSERT(covers(row) && bit_count(used) <= 3);
    if (hi < 0 || lo > hi) return std::nullopt;
    const u32 placed_attrs = bit_count(placed.attr_mask);
    const u64 bonus = u64{placed.bonus_sum} + ceil_percent(static_cast<u32>(hi)) + 2 + bonus_extra;
    // Per pair of runs and attributes, its power and two skill values; the
    // largest of each bound them all, and most questions end there.
    struct Combo {
        u64 power;
        std::array<u32, 2> skill;
    };
    std::array<Combo, 256> combos;  // the first `count`, each set before read
    usize count = 0;
    bool all_kept = true;
    Combo joined{0, {0, 0}};
    const auto classes_end = classes_.end();
    for (usize k1 = class_at_[row]; k1 < classes_.size(); ++k1) {
        const i64 t1 = classes_[k1].total;
        if (2 * t1 < lo) break;  // later runs add less
        if (t1 > hi) continue;
        const usize p1 = std::max<usize>(classes_[k1].begin, row);
        // The runs of the other card: at most the first's total, within
        // the window beside it.
        auto k2 =
            std::partition_point(classes_.begin() + static_cast<std::ptrdiff_t>(k1), classes_end,
                                 [&](const Class& c) { return i64{c.total} > hi - t1; });
        for (; k2 != classes_end && t1 + k2->total >= lo; ++k2) {
            const bool one_run = static_cast<usize>(k2 - classes_.begin()) == k1;
            const usize p2 = one_run ? p1 : k2->begin;
            for (usize a1 = 0; a1 < attrs_; ++a1) {
                const Best* x = lists(p1, a1);
                if (x[PLAIN].count == 0) continue;
                for (usize a2 = one_run ? a1 : 0; a2 < attrs_; ++a2) {
                    const Best* y = lists(p2, a2);
                    if (y[PLAIN].count == 0) continue;
                    const u32 mask =
                        placed.attr_mask | (1u << attr_code_[a1]) | (1u << attr_code_[a2]);
                    if (!((new_attrs >> (bit_count(mask) - placed_attrs)) & 1u)) continue;
                    const bool same = one_run && a1 == a2;
                    const i64 plain = pair_max(x[PLAIN], y[PLAIN], used, same);
                    if (plain == NONE) continue;
                    const bool one_attr = bit_count(mask) == 1;
                    // The power of such a deck, as the other bounds take it.
                    u64 shape = u64{placed.plain_power_sum} + static_cast<u64>(plain);
                    if (one_attr)
                        shape = std::max(
                            shape, u64{placed.unitless_power_sum} +
                                       static_cast<u64>(std::max<i64>(
                                           pair_max(x[SAME_ATTR], y[SAME_ATTR], used, same), 0)));
                    const usize units = one_attr ? UNIT : MIXED;
                    for (u32 u = 0; u < 6; ++u) {
                        if (!((placed.common_units >> u) & 1u)) continue;
                        const i64 unit = pair_max(x[units + u], y[units + u], used, same);
                        if (unit > 0) shape = std::max(shape, placed_unit + static_cast<u64>(unit));
                    }
                    Combo combo{};
                    combo.power =
                        std::min(u64{placed.power_sum} +
                                     static_cast<u64>(pair_max(x[POWER], y[POWER], used, same)),
                                 shape);
                    const i64 skill_sum = pair_max(x[SKILL], y[SKILL], used, same);
                    const Best& sx = x[SKILL];
                    const Best& sy = y[SKILL];
                    const usize i = first_valid(sx, used);
                    const usize j = same ? first_valid(sx, used, i + 1) : first_valid(sy, used);
                    const u32 vx = sx.value[i];
                    const u32 vy = same ? sx.value[j] : sy.value[j];
                    combo.skill[0] = static_cast<u32>(std::min<i64>(std::max(vx, vy), skill_sum));
                    combo.skill[1] =
                        static_cast<u32>(std::min<i64>(std::min(vx, vy), skill_sum / 2));
                    joined.power = std::max(joined.power, combo.power);
                    joined.skill[0] = std::max(joined.skill[0], combo.skill[0]);
                    joined.skill[1] = std::max(joined.skill[1], combo.skill[1]);
                    if (count < combos.size()) {
                        combos[count++] = combo;
                    } else {
                        all_kept = false;
                    }
                }
            }
        }
    }
    if (count == 0 && all_kept) return std::nullopt;
    const auto key_of = [&](const Combo& c) {
        std::array<u32, 5> values{};
        values[0] = c.skill[0];
        values[1] = c.skill[1];
        const SkillValues skills = merge_skills(placed, values, 2);
        return bound_key(*m_, c.power, skills, lead_bound(placed, skills), bonus);
    };
    const u64 loose = key_of(joined);
    if (!cut_at || static_cast<u32>(loose) <= *cut_at || !all_kept) return loose;
    u64 out = 0;
    for (usize c = 0; c < count; ++c) {
        out = std::max(out, key_of(combos[c]));
        if (static_cast<u32>(out) > *cut_at) break;
    }
    return out;
}

}  // namespace vdz
