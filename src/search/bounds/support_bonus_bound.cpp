// The support bound of a partial deck, and the index of each list's first
// entries that lets it skip matching every entry against every placed card.
#include "search/bounds/support_bonus_bound.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "common/check.h"
#include "common/numeric.h"
#include "search/bounds/dfs_bounds.h"

namespace vdz {
namespace {

// A sum of support values as the bound takes it: rounded up to whole
// percent, never below 0.
u64 whole_support(double support) {
    return static_cast<u64>(std::max(std::ceil(support), 0.0));
}

// The list walked entry by entry: its first `count` entries that are not
// the deck's cards, in list order.
double walked_support(const SupportDeckList& list, const PartialDeckKey& key) {
    double support = 0.0;
    usize taken = 0;
    for (const SupportEntry& e : list.entries) {
        if (taken >= list.count) break;
        bool in_deck = false;
        for (usize j = 0; j < key.count; ++j)
            in_deck |= key.slot_card_ids[j] == e.card_id;
        if (in_deck) continue;
        support += std::max(e.value, 0.0);
        ++taken;
    }
    return support;
}

}  // namespace

SupportListIndex make_support_list_index(const SupportDeckList& list) {
    SupportListIndex index;
    // A deck of at most five cards skips at most five entries before it has
    // taken `count`, each holding one of its ids where the ids are distinct.
    const usize reach = std::min<usize>(list.entries.size(), usize{list.count} + 5);
    if (reach > 64) return index;
    u16 top_id = 0;
    for (usize e = 0; e < reach; ++e)
        top_id = std::max(top_id, list.entries[e].card_id);
    index.place.assign(usize{top_id} + 1, 0xFF);
    for (usize e = 0; e < reach; ++e) {
        u8& place = index.place[list.entries[e].card_id];
        if (place != 0xFF) return SupportListIndex{};
        place = static_cast<u8>(e);
    }
    index.prefix.assign(reach + 1, 0.0);
    index.exact = true;
    for (usize e = 0; e < reach; ++e) {
        const double v = std::max(list.entries[e].value, 0.0);
        index.prefix[e + 1] = index.prefix[e] + v;
        const double scaled = std::ldexp(v, 30);
        index.exact = index.exact && std::isfinite(scaled) && scaled == std::trunc(scaled);
    }
    index.exact = index.exact && index.prefix[reach] < 0x1p22;
    const usize head = std::min<usize>(reach, list.count);
    index.head_mask = head >= 64 ? ~u64{0} : (u64{1} << head) - 1;
    index.head_value = whole_support(index.prefix[head]);
    index.on = true;
    return index;
}

u64 support_bonus_bound(const BoundModel& m, usize free_slots, const PartialDeckKey& key) {
    if (!m.support_mode) return m.bonus_extra;
    const SearchContext& c = *m.context;
    // In the final chapter the leader's character chooses the list; with no
    // card placed it is not known yet, and the extra covers every list.
    if (c.final_chapter && key.count == 0) return m.bonus_extra;
    const SupportDeckList& list = m.support_lists[key.leader_character];
    // The deck ends with between max(a, 1) and a + free_slots attributes.
    const usize a = static_cast<usize>(bit_count(key.attr_mask));
    VDZ_ASSERT(a <= 5);
    const u32 attr = m.attr_bonus_within[a][std::min<usize>(free_slots, 5)];
    // The deck takes its list's first entries that are not its cards; the
    // list is best first, and the deck's cards include these, so the same
    // number of entries not among these cards, none counted below 0, is
    // never less.
    const SupportListIndex& index = m.support_indexes[m.support_index_of[key.leader_character]];
    if (!index.on) return whole_support(walked_support(list, key)) + attr;
    // The deck's cards' places among the reachable entries: where none is
    // among the first `count`, the deck takes exactly those. Else, where
    // the sums are exact, the deck takes a span of entries less its own;
    // and where not, the walk takes the entries before the first such place
    // as the index summed them, and goes on from there in the same order,
    // so the same sum.
    u64 skipped = 0;
    for (usize j = 0; j < key.count; ++j) {
        const u16 id = key.slot_card_ids[j];
        if (id < index.place.size() && index.place[id] != 0xFF)
            skipped |= u64{1} << index.place[id];
    }
    u64 out = index.head_value;
    if ((skipped & index.head_mask) != 0 && index.exact) {
        // Each skipped place inside the taken span lengthens it by one; the
        // sum is the span's less the skipped values, exact as the walk's.
        usize end = list.count;
        double left_out = 0.0;
        for (u64 rest = skipped; rest != 0; rest &= rest - 1) {
            const usize e = static_cast<usize>(std::countr_zero(rest));
            if (e >= end) break;
            ++end;
            // An entry's value, exact as the difference of exact sums.
            left_out += index.prefix[e + 1] - index.prefix[e];
        }
        end = std::min(end, index.prefix.size() - 1);
        out = whole_support(index.prefix[end] - left_out);
    } else if ((skipped & index.head_mask) != 0) {
        usize e = static_cast<usize>(std::countr_zero(skipped));
        double support = index.prefix[e];
        for (usize taken = e; e < list.entries.size() && taken < list.count; ++e) {
            if ((skipped >> e) & 1) continue;
            support += std::max(list.entries[e].value, 0.0);
            ++taken;
        }
        out = whole_support(support);
    }
    VDZ_ASSERT(out == whole_support(walked_support(list, key)));
    return out + attr;
}

}  // namespace vdz
