// Why the windows hold. Outside the final chapter a deck's event bonus is
// b = 0.1 X + A + S, with X its cards' totals in tenths, and, in a World Bloom
// event, A its attribute-count bonus and S its support sum; its doubled bonus
// is round(2 b), halves away from zero, so it is the tier key K exactly when
// K - 0.5 <= 2 b < K + 0.5, that is 5 K - 2.5 - 10 (A + S) <= X < 5 K + 2.5 -
// 10 (A + S). For A + S within lo..=hi, X lies within 5 K - 2.5 - 10 hi ..=
// 5 K + 2.5 - 10 lo; one tenth more on each side absorbs the rounding of the
// evaluator's floating-point sums. The attribute count of a completion lies
// between the placed cards' (at least one) and that plus the free slots,
// and A is the table's value there. The support sum takes the first `count`
// entries of the list that are not deck cards: at most the `count` largest
// not among the placed cards, and, where the list is read best first, at
// least the first `count` left once the `free_slots` largest entries whose
// cards lie at or after the free cards' first position are removed too:
// removing the largest such entries leaves every order statistic of the
// rest at its lowest.
#include "search/bounds/tier_reach.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "common/check.h"
#include "common/numeric.h"
#include "search/evaluation/deck_key.h"

namespace vdz {
namespace {

constexpr usize ATTR_CODES = 8;  // attr & 7

// The window offsets of extras `lo`..=`hi` for a tier key of 0; a tier of key
// K adds 5 K. One tenth more on each side absorbs the rounding of the
// evaluator's floating-point sums.
i64 offset_lo(double hi) {
    return saturating_cast<i64>(std::floor(-2.5 - 10.0 * hi) - 1.0);
}
i64 offset_hi(double lo) {
    return saturating_cast<i64>(std::ceil(2.5 - 10.0 * lo) + 1.0);
}

}  // namespace

TierReach::TierReach(const BoundModel& m) : m_(&m), later_(*m.pool, m.fixed_layout) {
    const SearchContext& context = *m.context;
    const CardPool& pool = *m.pool;
    // 1. The cards the fixed cards and characters lead with: once those are
    // placed, none of them fits a free slot (its character, or in challenge
    // lives its card id, is taken).
    const auto fixed_related = [&](u16 i) {
        const auto& cards = context.fixed_cards;
        const auto& characters = context.fixed_characters;
        return std::find(cards.begin(), cards.end(), pool.card_id(i)) != cards.end() ||
               std::find(characters.begin(), characters.end(), pool.character_id(i)) !=
                   characters.end();
    };
    fixed_slots_ = context.fixed_cards.size() + context.fixed_characters.size();
    while (fixed_end_ < pool.count() && fixed_related(static_cast<u16>(fixed_end_)))
        ++fixed_end_;
    // 2. The positions from which the pool is listed by bonus, largest
    // first, and there, per total, the first card with at most that total.
    sorted_from_ = pool.count();
    while (sorted_from_ > 0 && (sorted_from_ == pool.count() ||
                                pool.event_bonus(static_cast<u16>(sorted_from_ - 1)).total_x10() >=
                                    pool.event_bonus(static_cast<u16>(sorted_from_)).total_x10()))
        --sorted_from_;
    first_at_most_.assign(EventBonusHot::MAX_TOTAL_X10 + 1, pool.count());
    usize i = pool.count();
    for (usize t = 0; t <= EventBonusHot::MAX_TOTAL_X10; ++t) {
        while (i > sorted_from_ && pool.event_bonus(static_cast<u16>(i - 1)).total_x10() <= t)
            --i;
        first_at_most_[t] = static_cast<u16>(i);
    }
    world_bloom_ = context.world_bloom;
    if (!world_bloom_) return;
    attrs_from_.assign(usize{pool.count()} + 1, 0);
    for (usize i = pool.count(); i-- > 0;)
        attrs_from_[i] =
            static_cast<u8>(attrs_from_[i + 1] | (1u << (pool.attr(static_cast<u16>(i)) & 7u)));
    u32 largest = 0;
    for (u16 i = 0; i < pool.count(); ++i)
        largest = std::max<u32>(largest, pool.event_bonus(i).total_x10());
    total_words_ = largest / 64 + 1;
    const usize row_words = ATTR_CODES * total_words_;
    totals_from_.assign((usize{pool.count()} + 1) * row_words, 0);
    for (usize i = pool.count(); i-- > 0;) {
        std::copy_n(totals_from_.begin() + static_cast<std::ptrdiff_t>((i + 1) * row_words),
                    row_words, totals_from_.begin() + static_cast<std::ptrdiff_t>(i * row_words));
        const u16 card = static_cast<u16>(i);
        const usize total = pool.event_bonus(card).total_x10();
        totals_from_[i * row_words + (pool.attr(card) & 7u) * total_words_ + total / 64] |=
            u64{1} << (total % 64);
    }
    const std::vector<SupportEntry>& given = context.world_bloom_support.general.entries;
    std::vector<u16> ids;
    bool sorted = true;
    for (usize i = 0; i < given.size(); ++i) {
        if (given[i].value < 0.0) support_negative_sum_ += given[i].value;
        sorted =
            sorted && given[i].value >= 0.0 && (i == 0 || given[i].value <= given[i - 1].value);
        ids.push_back(given[i].card_id);
    }
    std::sort(ids.begin(), ids.end());
    const bool distinct = std::adjacent_find(ids.begin(), ids.end()) == ids.end();
    support_floor_sorted_ = sorted && distinct;
    // The bounds' list is the given one sorted best first; where that keeps
    // the given order and each card has one entry, the support sum a deck
    // takes is that list's, summed in the same order.
    support_in_given_order_ =
        distinct && std::is_sorted(given.begin(), given.end(),
                                   [](const SupportEntry& a, const SupportEntry& b) {
                                       return a.value > b.value;
                                   });
    // Places the sums mark: the first 64 entries. A walk passes the placed
    // cards, the removed ones and `count` more; it must stay among them.
    const SupportDeckList& list = m.support_lists[0];
    const usize marked = std::min<usize>(list.entries.size(), 64);
    support_walk_marked_ = list.entries.size() <= 64 || usize{list.count} + 10 <= 64;
    support_last_position_.assign(marked, -1);
    support_character_.assign(marked, 0);
    support_positions_.assign(marked, {});
    for (usize e = 0; e < marked; ++e) {
        for (u16 i = 0; i < pool.count(); ++i) {
            if (pool.card_id(i) != list.entries[e].card_id) continue;
            support_positions_[e].push_back(i);
            support_last_position_[e] = i;
            support_character_[e] = pool.character_id(i);
        }
    }
    support_run_.assign(marked, 0);
    if (m.fixed_layout.on()) {
        for (usize e = 0; e < marked; ++e)
            if (support_last_position_[e] >= 0)
                support_run_[e] = static_cast<u8>(
                    m.fixed_layout.slot_at(static_cast<usize>(support_last_position_[e])));
    }
    one_per_character_ = context.dominance_pruning;
    // The entries whose cards lie at a position from a row on, a set that
    // only shrinks as the row grows, are named by how many lie before it;
    // the characters of the entries' cards.
    support_row_class_.assign(usize{pool.count()} + 1, 0);
    for (usize row = 0; row <= pool.count(); ++row) {
        for (usize e = 0; e < marked; ++e)
            support_row_class_[row] += support_last_position_[e] < static_cast<i32>(row);
    }
    for (usize e = 0; e < marked; ++e)
        if (support_last_position_[e] >= 0) support_characters_ |= 1u << support_character_[e];
    // A list whose entries within a deck's reach all hold one value gives
    // every deck the same support sum, summed as the evaluator sums it.
    const usize reach = usize{list.count} + 5;
    uniform_support_ = support_in_given_order_ && given.size() >= reach;
    for (usize e = 1; uniform_support_ && e < reach; ++e)
        uniform_support_ = given[e].value == given[0].value;
    if (uniform_support_) {
        for (usize e = 0; e < list.count; ++e)
            uniform_support_sum_ += given[0].value;
        for (usize c = 0; c < uniform_slack_.size(); ++c) {
            const double sum = context.distinct_attr_bonus[c] + uniform_support_sum_;
            uniform_slack_[c] = {offset_lo(sum), offset_hi(sum)};
        }
    }
}

BonusExtras TierReach::extras(const PartialSums& placed, usize free_slots, usize row,
                              u32 used) const {
    if (!world_bloom_) {
        BonusExtras out;
        out.hull_lo = -2;
        out.hull_hi = 2;
        return out;
    }
    return cached_extras(placed, free_slots, row, used, false);
}

BonusExtras TierReach::kept_extras(const PartialSums& placed, usize free_slots, usize row,
                                   u32 used) const {
    if (!world_bloom_ || uniform_support_) return extras(placed, free_slots, row, used);
    return cached_extras(placed, free_slots, row, used, true);
}

BonusExtras TierReach::cached_extras(const PartialSums& placed, usize free_slots, usize row,
                                     u32 used, bool kept) const {
    // A node's children mostly share these inputs, and each asks at every
    // test of its tiers.
    const u32 excluded = (one_per_character_ ? used : 0) & support_characters_;
    const u16 row_class = support_row_class_[row];
    const u8 fresh = static_cast<u8>(attrs_from_[row] & ~u32{placed.attr_mask});
    const u64 h = (placed.support_taken * 0x9E3779B97F4A7C15ull) ^ (u64{row_class} << 7) ^
                  (u64{excluded} * 0x85EBCA77ull) ^ (u64{placed.attr_mask} << 40) ^
                  (u64{fresh} << 48) ^ (u64{kept} << 56) ^ free_slots;
    u64 mixed = (h ^ (h >> 33)) * 0xFF51AFD7ED558CCDull;
    mixed ^= mixed >> 33;
    ExtrasCacheEntry& entry = extras_cache_[mixed % extras_cache_.size()];
    if (!entry.valid || entry.taken != placed.support_taken || entry.row_class != row_class ||
        entry.excluded != excluded || entry.attr_mask != placed.attr_mask || entry.fresh != fresh ||
        entry.free_slots != free_slots || entry.kept != kept) {
        entry = {placed.support_taken,
                 excluded,
                 row_class,
                 placed.attr_mask,
                 fresh,
                 free_slots,
                 kept,
                 true,
                 world_bloom_extras(placed, free_slots, row, used, kept)};
    }
    VDZ_ASSERT(entry.value == world_bloom_extras(placed, free_slots, row, used, kept));
    return entry.value;
}

BonusExtras TierReach::world_bloom_extras(const PartialSums& placed, usize free_slots, usize row,
                                          u32 used, bool kept_only) const {
    BonusExtras out;
    const SearchContext& context = *m_->context;
    // 1. Attribute count: at least the placed cards' (and one), at most
    // that plus one per free card with an attribute still to come.
    const usize a = bit_count(placed.attr_mask);
    const usize fresh = bit_count(attrs_from_[row] & ~u32{placed.attr_mask});
    const usize least = std::min<usize>(std::max<usize>(a, 1), 5);
    const usize most = std::max(least, std::min<usize>(a + std::min(free_slots, fresh), 5));
    out.lo = out.hi = context.distinct_attr_bonus[least];
    for (usize c = least; c <= most; ++c) {
        out.lo = std::min<double>(out.lo, context.distinct_attr_bonus[c]);
        out.hi = std::max<double>(out.hi, context.distinct_attr_bonus[c]);
    }
    // 2. Support sum.
    double kept = 0.0;
    bool takeable = false;
    if (uniform_support_) {
        // Every deck takes `count` entries of one value.
        kept = uniform_support_sum_;
        out.lo += kept;
        out.hi += kept;
    } else if (!support_walk_marked_) {
        const SupportDeckList& list = m_->support_lists[0];
        double high = 0.0;
        for (usize e = 0; e < std::min<usize>(list.count, list.entries.size()); ++e)
            high += std::max(list.entries[e].value, 0.0);
        out.hi += high;
        out.lo += support_negative_sum_;
        out.hull_lo = offset_lo(out.hi);
        out.hull_hi = offset_hi(out.lo);
        return out;
    } else {
        const SupportBounds support = cached_support_bounds(placed, free_slots, row, used);
        out.hi += support.high;
        out.lo += support.low;
        kept = support.kept;
        takeable = support.takeable;
    }
    out.hull_lo = offset_lo(out.hi);
    out.hull_hi = offset_hi(out.lo);
    // 3. Exact values where the deck's support entries are known: each
    // attribute count's bonus beside the kept entries' sum. One free card
    // keeps the count with a placed card's attribute and raises it by one
    // with any other.
    if (!support_in_given_order_ || (free_slots != 0 && takeable && !kept_only)) return out;
    out.support = kept;
    const i64 kept_lo = uniform_support_ ? 0 : offset_lo(kept) - 1;
    const i64 kept_hi = uniform_support_ ? 0 : offset_hi(kept) + 1;
    for (usize c = least; c <= most; ++c) {
        const double value = context.distinct_attr_bonus[c];
        const u8 attrs = free_slots != 1 ? u8{0xFF}
                         : c == a        ? placed.attr_mask
                                         : static_cast<u8>(~placed.attr_mask);
        usize v = 0;
        while (v < out.exact_count && out.exact[v] != value)
            ++v;
        if (v == out.exact_count) {
            if (uniform_support_) {
                out.slack_lo[v] = uniform_slack_[c].lo;
                out.slack_hi[v] = uniform_slack_[c].hi;
            } else {
                // The attribute bonus is whole percent, 10 x it whole
                // tenths: the kept entries' offsets, a tenth wider for the
                // rounding of the sum, serve every count.
                const i64 tenths = 10 * i64{context.distinct_attr_bonus[c]};
                out.slack_lo[v] = kept_lo - tenths;
                out.slack_hi[v] = kept_hi - tenths;
            }
            out.exact[out.exact_count++] = value;
        }
        out.exact_attrs[v] |= attrs;
    }
    return out;
}

TierReach::SupportBounds TierReach::cached_support_bounds(const PartialSums& placed,
                                                          usize free_slots, usize row,
                                                          u32 used) const {
    // The bounds read the row only through which entries' cards lie from it
    // on, and the used characters only through those of the entries' cards.
    const u32 excluded = (one_per_character_ ? used : 0) & support_characters_;
    const u16 row_class = support_row_class_[row];
    const u64 h = (placed.support_taken * 0x9E3779B97F4A7C15ull) ^ (u64{row_class} << 7) ^
                  (u64{excluded} * 0x85EBCA77ull) ^ free_slots;
    SupportCacheEntry& entry = support_cache_[(h ^ (h >> 29)) % support_cache_.size()];
    if (!entry.valid || entry.taken != placed.support_taken || entry.row_class != row_class ||
        entry.excluded != excluded || entry.free_slots != free_slots) {
        entry = {placed.support_taken, excluded, row_class,
                 free_slots,           true,     support_bounds(placed, free_slots, row, used)};
    }
    return entry.value;
}

TierReach::SupportBounds TierReach::support_bounds(const PartialSums& placed, usize free_slots,
                                                   usize row, u32 used) const {
    // From the list sorted best first: at most its first `count` entries not
    // placed; at least, where the floor holds, the first `count` of those
    // left once the free cards take the largest entries whose cards are
    // still to come. The first `count` entries not placed are the deck's
    // unless a free card takes one: a free card comes from `row` on, and,
    // one per character, from none of the used characters.
    const SupportDeckList& list = m_->support_lists[0];
    SupportBounds out;
    double low = 0.0;
    usize high_taken = 0, low_taken = 0, removed = 0;
    const u32 excluded = one_per_character_ ? used : 0;
    // A free card is of an unused character; where the pool lists fixed
    // slots in runs, a partial deck of d cards takes one card of each run
    // from the d-th on and its other free cards after the runs, so it takes
    // at most one entry per such run and 5 - (fixed slots) after them. Taking
    // the largest entries those limits allow, in list order, removes at
    // least as many entries from every prefix of the list as any other
    // choice within them, which leaves every order statistic of the rest at
    // its lowest.
    const FixedSlotLayout& layout = m_->fixed_layout;
    const usize depth = 5 - std::min<usize>(free_slots, 5);
    const bool by_runs = layout.on() && depth < layout.slots();
    std::array<usize, 6> room{};
    if (by_runs) {
        for (usize g = depth; g < layout.slots(); ++g)
            room[g] = 1;
        room[layout.slots()] = 5 - layout.slots();
    }
    for (usize e = 0; e < support_last_position_.size(); ++e) {
        if (high_taken >= list.count && low_taken >= list.count) break;
        if ((placed.support_taken >> e) & 1) continue;
        const double value = list.entries[e].value;
        if (high_taken < list.count) {
            out.high += std::max(value, 0.0);
            out.kept += value;
            out.takeable = out.takeable || (support_last_position_[e] >= static_cast<i32>(row) &&
                                            !((excluded >> support_character_[e]) & 1));
            ++high_taken;
        }
        if (low_taken >= list.count) continue;
        if (removed < free_slots && support_last_position_[e] >= static_cast<i32>(row) &&
            !((excluded >> support_character_[e]) & 1) && (!by_runs || room[support_run_[e]] > 0)) {
            if (by_runs) --room[support_run_[e]];
            ++removed;
            continue;
        }
        low += value;
        ++low_taken;
    }
    out.low = support_floor_sorted_ ? low : support_negative_sum_;
    return out;
}

TenthsWindow TierReach::window(u32 tier_key, const BonusExtras& extras) const {
    const i64 center = 5 * i64{tier_key};
    return {center + extras.hull_lo, center + extras.hull_hi};
}

TierWindows TierReach::windows(u32 tier_key, const BonusExtras& extras) const {
    TierWindows out;
    if (extras.exact_count == 0) {
        out.attrs[out.count] = 0xFF;
        out.window[out.count++] = window(tier_key, extras);
        return out;
    }
    const i64 center = 5 * i64{tier_key};
    for (usize v = 0; v < extras.exact_count; ++v) {
        out.attrs[out.count] = extras.exact_attrs[v];
        out.window[out.count++] = {center + extras.slack_lo[v], center + extras.slack_hi[v]};
    }
    return out;
}

TenthsWindow TierReach::exact_window(u32 tier_key, const BonusExtras& extras, usize v,
                                     TenthsWindow slack) const {
    // The evaluator adds a tenth of the cards' total, the attribute bonus
    // and the support sum in this order; its doubled, rounded bonus never
    // falls as the total grows, so the totals of the tier form one run.
    const double attr = extras.exact[v];
    // The answer follows from the tier, the attribute bonus and the support
    // sum alone (the slack window is formed from them), and a search asks
    // for few of them, many times.
    u64 attr_bits = 0, support_bits = 0;
    std::memcpy(&attr_bits, &attr, sizeof attr_bits);
    std::memcpy(&support_bits, &extras.support, sizeof support_bits);
    const u64 h = (u64{tier_key} * 0x9E3779B97F4A7C15ull) ^ (attr_bits * 0xC2B2AE3D27D4EB4Full) ^
                  (support_bits * 0x165667B19E3779F9ull);
    // The doubles' low bits are mostly zero, and so are their products':
    // the slot is read from bits the multiplication has mixed.
    u64 mixed = (h ^ (h >> 33)) * 0xFF51AFD7ED558CCDull;
    mixed ^= mixed >> 33;
    ExactCacheEntry& entry = exact_cache_[mixed % exact_cache_.size()];
    if (entry.valid && entry.tier_key == tier_key && entry.attr_bits == attr_bits &&
        entry.support_bits == support_bits)
        return entry.window;
    const auto steps = [&](i64 total) { return exact_doubled(total, extras, v); };
    slack.lo = std::max<i64>(slack.lo, 0);
    while (slack.lo <= slack.hi && steps(slack.lo) < tier_key)
        ++slack.lo;
    while (slack.lo <= slack.hi && steps(slack.hi) > tier_key)
        --slack.hi;
    entry = {true, tier_key, attr_bits, support_bits, slack};
    return slack;
}

u32 TierReach::taker_doubled(const PartialSums& placed, usize entry, i64 total, usize attrs) const {
    return doubled_of(total, attrs, support_taking(placed, u64{1} << entry));
}

double TierReach::support_taking(const PartialSums& placed, u64 taken, u64* counted) const {
    // The deck counts the first `count` entries of the list, read in its
    // sorted order, whose cards it holds none of; a walk that stays among
    // the marked entries finds them all.
    const SupportDeckList& list = m_->support_lists[0];
    double support = 0.0;
    usize count = 0;
    u64 entries = 0;
    const u64 held = placed.support_taken | taken;
    for (usize e = 0; e < support_positions_.size() && count < list.count; ++e) {
        if ((held >> e) & 1) continue;
        support += list.entries[e].value;
        entries |= u64{1} << e;
        ++count;
    }
    VDZ_ASSERT(support_walk_marked_ && support_in_given_order_);
    if (counted) *counted = entries;
    return support;
}

u32 TierReach::doubled_of(i64 total, usize attrs, double support) const {
    return half_percent_steps(0.1 * static_cast<double>(total) +
                              m_->context->distinct_attr_bonus[attrs] + support);
}

i64 TierReach::extras_offset_lo(double hi) {
    return offset_lo(hi);
}

i64 TierReach::extras_offset_hi(double lo) {
    return offset_hi(lo);
}

u32 TierReach::exact_doubled(i64 total, const BonusExtras& extras, usize v) const {
    return half_percent_steps(0.1 * static_cast<double>(total) + extras.exact[v] + extras.support);
}

bool TierReach::one_reaches(usize row, u8 attrs, u32 placed_x10, const TenthsWindow& w) const {
    const i64 lo = std::max<i64>(w.lo - i64{placed_x10}, 0);
    const i64 hi = std::min<i64>(w.hi - i64{placed_x10}, static_cast<i64>(64 * total_words_) - 1);
    if (lo > hi) return false;
    const u64* bits = totals_from_.data() + row * ATTR_CODES * total_words_;
    // Word by word: a window spans a word or two.
    const usize first = static_cast<usize>(lo) / 64, last = static_cast<usize>(hi) / 64;
    const u64 first_mask = ~u64{0} << (lo % 64);
    const u64 last_mask = ~u64{0} >> (63 - hi % 64);
    for (u32 left = attrs & attrs_from_[row]; left != 0; left &= left - 1) {
        const u64* b = bits + static_cast<usize>(std::countr_zero(left)) * total_words_;
        for (usize w = first; w <= last; ++w) {
            const u64 mask =
                (w == first ? first_mask : ~u64{0}) & (w == last ? last_mask : ~u64{0});
            if (b[w] & mask) return true;
        }
    }
    return false;
}

usize TierReach::free_row(usize row, usize depth) const {
    return depth >= fixed_slots_ ? std::max(row, fixed_end_) : row;
}

usize TierReach::first_at_most(usize row, i64 most) const {
    if (row < sorted_from_) return row;
    if (most < 0) return std::max<usize>(row, m_->pool->count());
    const usize t = static_cast<usize>(std::min<i64>(most, EventBonusHot::MAX_TOTAL_X10));
    return std::max<usize>(row, first_at_most_[t]);
}

}  // namespace vdz
