// The exact-total bound of two free cards, pair by pair. The tables join
// every choice of a sum into one entry, which pairs the power of the strong
// cards with the skills of others; with two free cards the choices are few
// enough to keep, so each pair's own key bounds its decks, through a tree
// that cuts whole groups of pairs at once.
//
// Why it holds. A pair's entry is the tables' entry of that choice alone,
// so its key bounds every deck the pair completes, as the tables' keys do.
// A pair is dropped only where a kept pair of the same sum, from the same
// or a later first position (so present wherever the dropped one is), is
// at least as large in every part the key reads: the key grows with each
// part, so the kept pair's key bounds the dropped pair's decks. An inner
// node's entry joins the entries below it, so its key bounds every pair
// below, and a node whose largest first position is before the row holds
// no pair from it. The search keeps one card per character here, so a
// pair of one character completes no deck it forms and is left out, and so
// is, at a question, a kept pair that holds a placed card's character. The
// pairs it beats that the question leaves in do not hold that character:
// per card of a kept pair, the join of the pairs it beats that do not hold
// that card's character stands in for it where that character is placed
// (the first card's where both are). A pair that starts before the row
// still counts in the join, which only loosens it. A question that finds
// a pair's own key above its cut says only that: the pair remembered from
// an earlier question is read as any other pair of the question is, and
// the walk stops at it only where the question leaves it in and its key is
// above the cut. The key of a node is `key_of`'s, in the same steps, with
// the parts fixed by the question taken once; a child whose entry equals
// its node's in every part the question's key reads has the node's key, so
// it is not worked out again (a leaf that stands in its shadow for a placed
// character is, as the shadow differs). A question reads first, in place of
// the root's, the join of the sum's kept pairs that start at or after its
// row: every pair it leaves in is one of them, or a shadow of one, which is
// at most its pair in every part, so that key bounds them all; it is the
// root's own where it equals the root's entry in every part the key reads.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "common/check.h"
#include "search/bounds/bonus_total_bound.h"

namespace vdz {
namespace {

// Pairs beyond this cost more to build than the cuts save.
constexpr usize PAIR_BUDGET = usize{1} << 17;
// A sum's tree is built once it has been asked a sixteenth as many times as
// it has pairs, and at least 16 times: a short search asks most sums a few
// times, and their trees cost it more than they save (a card-config request
// of 40 k nodes ran twice its instructions building them). Debug builds
// build each at its first question, so that the tests' small searches read
// the trees.
// They also check each join from a row against every pair it bounds.
#if !defined(NDEBUG) || defined(VDZ_CHECKS)
constexpr u64 PAIR_BUILD_ASKS = 1;
constexpr u64 PAIR_BUILD_DIV = UINT64_MAX;
constexpr bool CHECK_JOINS_FROM = true;
#else
constexpr u64 PAIR_BUILD_ASKS = 16;
constexpr u64 PAIR_BUILD_DIV = 16;
constexpr bool CHECK_JOINS_FROM = false;
#endif
// The power one skill value point weighs about as much as in a pair's key,
// for the trees' splits alone: any weight keeps the bound, this one makes
// it walk the fewest nodes on the requests measured.
constexpr u64 SKILL_POWER = 250;
// The power a step of first position weighs in the same splits: a question
// from a row skips at no cost a subtree whose pairs all start before it,
// and reads the pairs of a subtree that start before it only through its
// join, so pairs of near first positions share subtrees. Any weight keeps
// the bound; this one makes the walks ask the fewest keys on the requests
// measured.
constexpr u64 FIRST_POWER = 500;

}  // namespace

u32 BonusTotalBound::PairParts::differing(const Entry& a, const Entry& b) {
    u32 parts = 0;
    if (a.power != b.power) parts |= POWER;
    if (a.plain != b.plain) parts |= PLAIN;
    if (a.same_attr != b.same_attr) parts |= SAME_ATTR;
    if (a.skill != b.skill || a.rank[0] != b.rank[0] || a.rank[1] != b.rank[1]) parts |= SKILLS;
    if (a.coupled != b.coupled || a.coupled_best != b.coupled_best ||
        a.coupled_lead != b.coupled_lead)
        parts |= COUPLED;
    for (u32 u = 0; u < 6; ++u) {
        if (a.unit[u] != b.unit[u]) parts |= UNIT << u;
        if (a.unit_mixed[u] != b.unit_mixed[u]) parts |= UNIT_MIXED << u;
    }
    return parts;
}

void BonusTotalBound::prepare_pairs(std::vector<Entry> ones) {
    const CardPool& pool = *m_->pool;
    const usize n = pool.count();
    if (n < 2 || n * (n - 1) / 2 > PAIR_BUDGET) return;
    ones_ = std::move(ones);
    const auto total = [&](usize i) { return pool.event_bonus(static_cast<u16>(i)).total_x10(); };
    for (usize i = 0; i < n; ++i)
        by_total_.push_back(static_cast<u16>(i));
    std::stable_sort(by_total_.begin(), by_total_.end(),
                     [&](u16 a, u16 b) { return total(a) < total(b); });
    // The pool's totals and their cards; per sum of two, its pairs.
    std::vector<std::pair<u32, u64>> totals;
    for (const u16 i : by_total_) {
        if (totals.empty() || totals.back().first != total(i)) totals.push_back({total(i), 0});
        ++totals.back().second;
    }
    std::vector<std::pair<i64, u64>> sums;
    for (usize x = 0; x < totals.size(); ++x) {
        for (usize y = x; y < totals.size(); ++y) {
            const u64 cards = totals[x].second;
            sums.push_back({i64{totals[x].first} + totals[y].first,
                            x == y ? cards * (cards - 1) / 2 : cards * totals[y].second});
        }
    }
    std::sort(sums.begin(), sums.end());
    for (const auto& [sum, pairs] : sums) {
        if (pair_sums_.empty() || pair_sums_.back().total != sum) pair_sums_.push_back({sum, 0});
        pair_sums_.back().wait += pairs;
    }
    for (PairSum& sum : pair_sums_)
        sum.wait = std::max(PAIR_BUILD_ASKS, sum.wait / PAIR_BUILD_DIV);
    pair_nodes_.assign(1, PairNode{});  // index 0 marks a leaf's children
    pair_shadows_.assign(1, Entry{});
    pair_joins_from_.assign(1, PairJoinFrom{});
}

BonusTotalBound::Entry BonusTotalBound::pair_entry(usize a, usize b) const {
    const CardPool& pool = *m_->pool;
    const Entry& one_a = ones_[a];
    const Entry& one_b = ones_[b];
    Entry e;
    e.reached = true;
    e.power = one_b.power + one_a.power;
    e.plain = one_b.plain + one_a.plain;
    e.same_attr = one_b.same_attr + one_a.same_attr;
    e.skill = static_cast<u16>(one_b.skill + one_a.skill);
    e.rank[0] = std::max(one_a.rank[0], one_b.rank[0]);
    e.rank[1] = std::min(one_a.rank[0], one_b.rank[0]);
    // Both cards of a unit: the first card's own part joins the second's.
    const u16 card = static_cast<u16>(a);
    for (u32 u = 0; u < 6; ++u) {
        if (!((pool.unit_mask(card) >> u) & 1u) || one_b.unit[u] == 0) continue;
        e.unit[u] = one_b.unit[u] + one_a.power;
        e.unit_mixed[u] = one_b.unit_mixed[u] + one_a.unit_mixed[u];
    }
    const Coupling& c = m_->coupling;
    if (c.on) {
        const double w = c.card[card], v = pool.skill_value(card);
        const double best = c.b / c.t, lead = (c.b + c.l) / c.t;
        e.coupled_best = std::max(one_b.coupled_best + w, one_b.coupled + w + best * v);
        e.coupled_lead = std::max(one_b.coupled_lead + w, one_b.coupled + w + lead * v);
        e.coupled = one_b.coupled + w;
    }
    return e;
}

void BonusTotalBound::build_pair_sum(usize at) const {
    const CardPool& pool = *m_->pool;
    const i64 sum = pair_sums_[at].total;
    const auto total = [&](u16 i) { return i64{pool.event_bonus(i).total_x10()}; };
    // 1. The pairs of the sum, of two characters, by first position from
    // the last down.
    std::vector<std::pair<u16, u16>> pairs;
    for (auto x = by_total_.begin(); x != by_total_.end() && 2 * total(*x) <= sum; ++x) {
        const auto y = std::lower_bound(by_total_.begin(), by_total_.end(), sum - total(*x),
                                        [&](u16 i, i64 t) { return total(i) < t; });
        for (auto z = y; z != by_total_.end() && total(*z) == sum - total(*x); ++z) {
            if (*z == *x || (total(*z) == total(*x) && *z < *x)) continue;
            if (pool.character_id(*x) == pool.character_id(*z)) continue;
            pairs.emplace_back(std::min(*x, *z), std::max(*x, *z));
        }
    }
    std::sort(pairs.begin(), pairs.end(), std::greater<>());
    // 2. The pairs no kept one beats in every part; kept ones come from the
    // same or a later first position.
    const auto covers = [](const Entry& q, const Entry& p) {
        if (q.power < p.power || q.plain < p.plain || q.same_attr < p.same_attr ||
            q.skill < p.skill || q.rank[0] < p.rank[0] || q.rank[1] < p.rank[1] ||
            q.coupled < p.coupled || q.coupled_best < p.coupled_best ||
            q.coupled_lead < p.coupled_lead)
            return false;
        for (usize u = 0; u < 6; ++u)
            if (q.unit[u] < p.unit[u] || q.unit_mixed[u] < p.unit_mixed[u]) return false;
        return true;
    };
    struct Leaf {
        Entry entry;
        u16 first = 0;
        std::array<u32, 2> character{};  // its cards' characters
        // Per card of the pair, the join of the pairs it beats that do not
        // hold that card's character (see the top of the file).
        std::array<Entry, 2> shadow{};
    };
    // The kept pairs' power and skill parts, by power, largest first: only
    // those of at least a pair's power may beat it.
    struct Quick {
        u32 power = 0;
        u32 plain = 0;
        u16 skill = 0;
        u8 top = 0;
        u8 second = 0;
        u32 leaf = 0;
    };
    std::vector<Leaf> kept;
    std::vector<Quick> parts;
    const auto character = [&](u16 card) { return u32{1} << pool.character_id(card); };
    for (const auto& [first, second] : pairs) {
        const Entry e = pair_entry(first, second);
        const u32 own = character(first) | character(second);
        usize to = 0;
        for (; to < parts.size() && parts[to].power >= e.power; ++to) {
            const Quick& q = parts[to];
            if (q.plain >= e.plain && q.skill >= e.skill && q.top >= e.rank[0] &&
                q.second >= e.rank[1] && covers(kept[q.leaf].entry, e))
                break;
        }
        if (to < parts.size() && parts[to].power >= e.power) {
            Leaf& by = kept[parts[to].leaf];
            for (usize c = 0; c < 2; ++c)
                if ((by.character[c] & own) == 0) by.shadow[c].keep_best(e);
            continue;
        }
        parts.insert(
            parts.begin() + static_cast<std::ptrdiff_t>(to),
            Quick{e.power, e.plain, e.skill, e.rank[0], e.rank[1], static_cast<u32>(kept.size())});
        kept.push_back({e, first, {character(first), character(second)}, {}});
    }
    if (kept.empty()) return;
    // 3. A tree over the kept pairs whose nodes join pairs alike: each
    // node's pairs split at the median of the part they spread over most,
    // power or, at the power a skill value point weighs in a key (about
    // SKILL_POWER), the skill sum or the largest value, or, at FIRST_POWER
    // a step, their first position. The splits move the leaves' places in
    // `order`, not the leaves.
    std::vector<u32> order(kept.size());
    for (usize i = 0; i < order.size(); ++i)
        order[i] = static_cast<u32>(i);
    const auto split = [&](usize l, usize mid, usize r) {
        u32 power_lo = UINT32_MAX, power_hi = 0, sum_lo = UINT32_MAX, sum_hi = 0;
        u32 top_lo = UINT32_MAX, top_hi = 0, first_lo = UINT32_MAX, first_hi = 0;
        for (usize i = l; i < r; ++i) {
            const Entry& e = kept[order[i]].entry;
            first_lo = std::min<u32>(first_lo, kept[order[i]].first);
            first_hi = std::max<u32>(first_hi, kept[order[i]].first);
            power_lo = std::min(power_lo, e.power);
            power_hi = std::max(power_hi, e.power);
            sum_lo = std::min<u32>(sum_lo, e.skill);
            sum_hi = std::max<u32>(sum_hi, e.skill);
            top_lo = std::min<u32>(top_lo, e.rank[0]);
            top_hi = std::max<u32>(top_hi, e.rank[0]);
        }
        const u64 power = power_hi - power_lo, sum = u64{sum_hi - sum_lo} * SKILL_POWER,
                  top = u64{top_hi - top_lo} * SKILL_POWER,
                  firsts = u64{first_hi - first_lo} * FIRST_POWER;
        const auto at = [&](const auto& part) {
            std::nth_element(order.begin() + static_cast<std::ptrdiff_t>(l),
                             order.begin() + static_cast<std::ptrdiff_t>(mid),
                             order.begin() + static_cast<std::ptrdiff_t>(r),
                             [&](u32 x, u32 y) { return part(kept[x]) > part(kept[y]); });
        };
        if (firsts > std::max({power, sum, top})) {
            at([](const Leaf& x) { return u32{x.first}; });
        } else if (top > std::max(power, sum)) {
            at([](const Leaf& x) { return u32{x.entry.rank[0]}; });
        } else if (sum > power) {
            at([](const Leaf& x) { return u32{x.entry.skill}; });
        } else {
            at([](const Leaf& x) { return x.entry.power; });
        }
    };
    const auto build = [&](const auto& self, usize l, usize r) -> u32 {
        const u32 node = static_cast<u32>(pair_nodes_.size());
        pair_nodes_.emplace_back();
        if (r - l == 1) {
            const Leaf& leaf = kept[order[l]];
            pair_nodes_[node].best = leaf.entry;
            pair_nodes_[node].last_first = leaf.first;
            pair_nodes_[node].characters = leaf.character[0] | leaf.character[1];
            pair_nodes_[node].first_character = leaf.character[0];
            if (leaf.shadow[0].reached || leaf.shadow[1].reached) {
                pair_nodes_[node].shadow = static_cast<u32>(pair_shadows_.size());
                pair_shadows_.push_back(leaf.shadow[0]);
                pair_shadows_.push_back(leaf.shadow[1]);
            }
            return node;
        }
        const usize mid = l + (r - l) / 2;
        split(l, mid, r);
        const u32 left = self(self, l, mid);
        const u32 right = self(self, mid, r);
        PairNode joined = pair_nodes_[left];
        joined.best.keep_best(pair_nodes_[right].best);
        joined.last_first = std::max(joined.last_first, pair_nodes_[right].last_first);
        joined.characters = 0;
        joined.first_character = 0;
        joined.shadow = 0;
        joined.left = left;
        joined.right = right;
        joined.left_differs = PairParts::differing(pair_nodes_[left].best, joined.best);
        joined.right_differs = PairParts::differing(pair_nodes_[right].best, joined.best);
        pair_nodes_[node] = joined;
        return node;
    };
    const usize nodes = pair_nodes_.size() + 2 * kept.size();
    if (nodes > pair_nodes_.capacity())
        pair_nodes_.reserve(std::max(nodes, 2 * pair_nodes_.capacity()));
    pair_sums_[at].root = build(build, 0, kept.size());
    // 4. Per row, the join of the kept pairs from it on, kept once per
    // first position of a kept pair; `kept` runs by first position from
    // the last down.
    const Entry& root = pair_nodes_[pair_sums_[at].root].best;
    const usize rows = pool.count() + 1;
    const usize join_rows = pair_join_rows_.size();
    pair_sums_[at].join_rows = static_cast<u32>(join_rows);
    pair_join_rows_.resize(join_rows + rows, 0);
    Entry from;
    for (usize i = 0; i < kept.size(); ++i) {
        from.keep_best(kept[i].entry);
        const usize first = kept[i].first;
        if (i + 1 < kept.size() && kept[i + 1].first == first) continue;
        const u32 join = static_cast<u32>(pair_joins_from_.size());
        pair_joins_from_.push_back({from, PairParts::differing(from, root)});
        const usize next = i + 1 < kept.size() ? usize{kept[i + 1].first} + 1 : 0;
        for (usize row = next; row <= first; ++row)
            pair_join_rows_[join_rows + row] = join;
    }
    VDZ_ASSERT(from == root);
}

BonusTotalBound::PairKeyBase BonusTotalBound::pair_key_base(const PartialSums& sums, i64 hi,
                                                            u64 bonus_extra,
                                                            std::optional<u64> placed_unit) const {
    PairKeyBase b;
    b.sums = &sums;
    b.plain = sums.plain_power_sum;
    b.all_plain = sums.plain();
    b.columns = b.all_plain ? b.plain : u64{sums.power_sum};
    b.shaped = !sums.plain() && sums.first_attr != 0xFF;
    b.one_attr = !sums.mixed_attrs;
    b.unitless = sums.unitless_power_sum;
    b.placed_unit = placed_unit ? *placed_unit : u64{sums.power_sum};
    b.mixed = sums.mixed_attrs;
    for (u8 u = 0; u < 6; ++u)
        if ((sums.common_units >> u) & 1u) b.units[b.unit_count++] = u;
    b.bonus = u64{sums.bonus_sum} + ceil_percent(static_cast<u32>(std::max<i64>(hi, 0))) + 2 +
              bonus_extra;
    b.coupled = m_->coupling.on;
    // The parts `pair_key` reads: plain power alone where no completion
    // shares a unit or an attribute, else the power columns, capped by the
    // shapes left where the first card's attribute is known.
    using P = PairParts;
    b.reads = P::SKILLS | (b.coupled ? P::COUPLED : 0u) | (b.all_plain ? P::PLAIN : P::POWER);
    if (b.shaped) {
        b.reads |= P::PLAIN | (b.one_attr ? P::SAME_ATTR : 0u);
        for (usize i = 0; i < b.unit_count; ++i)
            b.reads |= (b.mixed ? P::UNIT_MIXED : P::UNIT) << b.units[i];
    }
    b.placed_best = (sums.lead_known ? best_weight_ : both_weight_) * sums.max_skill;
    return b;
}

u64 BonusTotalBound::pair_key(const Entry& e, const PairKeyBase& base) const {
    // As `key_of` with two free cards, in the same steps, so the same key.
    const PartialSums& sums = *base.sums;
    const u64 plain = base.plain + e.plain;
    u64 power = base.all_plain ? plain : base.columns + e.power;
    if (base.shaped) {
        u64 shape = plain;
        if (base.one_attr) shape = std::max(shape, base.unitless + e.same_attr);
        const auto& free_unit = base.mixed ? e.unit_mixed : e.unit;
        for (usize i = 0; i < base.unit_count; ++i)
            shape = std::max(shape, base.placed_unit + free_unit[base.units[i]]);
        power = std::min(power, shape);
    }
    // The pair's values, largest first (its second value is at most its
    // first, as is half its sum at most its sum), among the placed ones:
    // the j-th largest of the two sorted lists is the largest of the
    // placed j-th, the smaller of the first value and the placed one
    // before, and the smaller of the second and the placed one two before.
    const u32 v0 = std::min<u32>(e.rank[0], e.skill), v1 = std::min<u32>(e.rank[1], e.skill / 2u);
    VDZ_ASSERT(v0 >= v1);
    const std::array<u8, 5>& s = sums.skills;
    const SkillValues skills{
        std::max<u32>(s[0], v0), std::max({u32{s[1]}, std::min<u32>(s[0], v0), v1}),
        std::max({u32{s[2]}, std::min<u32>(s[1], v0), std::min<u32>(s[0], v1)}),
        std::max({u32{s[3]}, std::min<u32>(s[2], v0), std::min<u32>(s[1], v1)}),
        std::max({u32{s[4]}, std::min<u32>(s[3], v0), std::min<u32>(s[2], v1)})};
    VDZ_ASSERT(skills == merge_skills(sums, std::array<u32, 2>{v0, v1}, 2));
    const u32 lead = lead_bound(sums, skills);
    double coupled = INFINITY;
    if (base.coupled) {
        const Coupling& c = m_->coupling;
        const double free_cards = sums.coupled + e.coupled;
        const double together =
            sums.lead_known
                ? std::max(free_cards + base.placed_best, sums.coupled + e.coupled_best) +
                      lead_weight_ * lead
                : std::max(free_cards + base.placed_best, sums.coupled + e.coupled_lead);
        coupled = std::min(free_cards, together - (c.b * skills[0] + c.l * lead) / c.t);
    }
    return bound_key(*m_, power, skills, lead, base.bonus, coupled);
}

std::optional<u64> BonusTotalBound::pair_bound(const PartialSums& sums, usize row, i64 lo, i64 hi,
                                               u64 bonus_extra, std::optional<u64> placed_unit,
                                               u32 cut_at, u32 placed_characters) const {
    const auto first = std::lower_bound(pair_sums_.begin(), pair_sums_.end(), lo,
                                        [](const PairSum& p, i64 x) { return p.total < x; });
    bool ready = true;
    for (auto at = first; at != pair_sums_.end() && at->total <= hi; ++at) {
        if (at->asked >= at->wait) continue;  // built
        if (++at->asked < at->wait) {
            ready = false;
            continue;
        }
        build_pair_sum(static_cast<usize>(at - pair_sums_.begin()));
    }
    if (!ready) return std::nullopt;
    u64 bound = 0;
    const usize pool_rows = m_->pool->count() + 1;
    for (auto at = first; at != pair_sums_.end() && at->total <= hi; ++at) {
        // A sum whose pairs are all of one character keeps no tree.
        if (at->root == 0) continue;
        // A pair of this sum adds no more bonus than the sum itself.
        const PairKeyBase base = pair_key_base(sums, at->total, bonus_extra, placed_unit);
        // The key of node `id`'s pairs that the question leaves in; none
        // where it leaves none.
        const auto key_at = [&](u32 id) -> std::optional<u64> {
            const PairNode& node = pair_nodes_[id];
            if (node.last_first < row) return std::nullopt;
            const Entry* entry = &node.best;
            if ((node.characters & placed_characters) != 0) {
                if (node.shadow == 0) return std::nullopt;
                entry = &pair_shadows_[node.shadow +
                                       ((node.first_character & placed_characters) ? 0 : 1)];
                if (!entry->reached) return std::nullopt;
            }
            const u64 key = pair_key(*entry, base);
            VDZ_ASSERT(key == key_of(*entry, sums, 2, at->total, bonus_extra, placed_unit));
            return key;
        };
        // The root first, or rather the join of the pairs from the first
        // position at or after the row on (`PairJoinFrom`), which bounds
        // every pair the question leaves in (a shadow is at most its
        // leaf), and is the root's own where no kept pair starts before
        // the row: two fifths of the questions that cut end there.
        const PairNode& root = pair_nodes_[at->root];
        std::optional<u64> root_key;
        bool root_own = true;  // `root_key` is the root's own key
        if (root.left == 0) {
            root_key = key_at(at->root);
        } else {
            const u32 join = row < pool_rows ? pair_join_rows_[at->join_rows + row] : 0;
            if (join == 0) continue;  // no pair from the row on
            const PairJoinFrom& from = pair_joins_from_[join];
            root_own = (from.root_differs & base.reads) == 0;
            root_key = pair_key(from.best, base);
            VDZ_ASSERT(!root_own || root_key == key_at(at->root));
            if constexpr (CHECK_JOINS_FROM) {
                std::vector<u32> open{at->root};
                while (!open.empty()) {
                    const PairNode& node = pair_nodes_[open.back()];
                    open.pop_back();
                    if (node.left != 0) {
                        open.push_back(node.left);
                        open.push_back(node.right);
                        continue;
                    }
                    [[maybe_unused]] const std::optional<u64> leaf =
                        key_at(static_cast<u32>(&node - &pair_nodes_[0]));
                    VDZ_ASSERT(!leaf || *leaf <= *root_key);
                }
            }
        }
        if (!root_key) continue;
        if (static_cast<u32>(*root_key) <= cut_at) {
            bound = std::max(bound, *root_key);
            continue;
        }
        if (root.left == 0) return root_key;
        // Then the pair whose own key last came above a question's cut
        // (`PairSum::witness`): the next questions of a sum come from
        // nodes close by, and a pair found above theirs ends the walk
        // that would look for one.
        if (at->witness != 0) {
            const std::optional<u64> key = key_at(at->witness);
            if (key && static_cast<u32>(*key) > cut_at) return key;
        }
        // The nodes left to ask, each with its parent's key where the
        // question reads no part in which the two differ: that key is the
        // node's (`PairNode::left_differs`), and above the cut.
        // (Left uninitialized: a walk writes each before it reads it.)
        struct Open {
            u32 id;
            bool same;
            u64 parent;
        };
        std::array<Open, 64> stack;
        usize depth = 0;
        const auto open_children = [&](const PairNode& node, u64 key, bool own) {
            stack[depth++] = {node.right, own && (node.right_differs & base.reads) == 0, key};
            stack[depth++] = {node.left, own && (node.left_differs & base.reads) == 0, key};
        };
        open_children(root, *root_key, root_own);
        while (depth > 0) {
            const Open open = stack[--depth];
            const PairNode& node = pair_nodes_[open.id];
            // A leaf whose characters the question holds reads its shadow.
            const bool own =
                open.same && node.last_first >= row && (node.characters & placed_characters) == 0;
            VDZ_ASSERT(!own || key_at(open.id) == open.parent);
            const std::optional<u64> key = own ? std::optional<u64>(open.parent) : key_at(open.id);
            if (!key) continue;
            if (static_cast<u32>(*key) <= cut_at) {
                bound = std::max(bound, *key);
                continue;
            }
            if (node.left == 0) {
                at->witness = open.id;
                return key;
            }
            open_children(node, *key, true);
        }
    }
    return bound;
}

}  // namespace vdz
