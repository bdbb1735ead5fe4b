// The support part of a child's extra bonus from its node's list walked
// once: the child's deck skips the placed cards' entries and its own card's,
// so the entries it takes are those the node keeps, in the same order.
#include "search/bounds/child_support_bound.h"

#include <algorithm>
#include <cmath>

#include "common/check.h"
#include "common/numeric.h"

namespace vdz {

ChildSupportBound::ChildSupportBound(const BoundModel& m, const PartialDeckKey& key)
    : m_(m), key_(key) {
    VDZ_ASSERT(m.support_mode && key.count > 0);
    const SupportDeckList& list = m.support_lists[key.leader_character];
    // A child's own card leaves out at most the entries holding its id;
    // `count` of them plus one is what a child takes when its card holds
    // one entry, and any child that needs more is asked whole.
    const usize needed = usize{list.count} + 1;
    if (needed > rest_.size()) {
        off_ = true;
        return;
    }
    whole_ = true;
    for (const SupportEntry& e : list.entries) {
        bool placed = false;
        for (usize j = 0; j < key.count; ++j)
            placed |= key.slot_card_ids[j] == e.card_id;
        if (placed) continue;
        if (size_ == needed) {
            whole_ = false;
            break;
        }
        rest_[size_++] = e;
    }
    head_ = std::min<usize>(list.count, size_);
    for (usize e = 0; e < head_; ++e)
        head_sum_ += std::max(rest_[e].value, 0.0);
    const SearchContext& c = *m.context;
    for (usize fresh = 0; fresh < 2; ++fresh) {
        const usize a = std::min<usize>(bit_count(key.attr_mask) + fresh, 5);
        for (usize free_slots = 0; free_slots < attr_[fresh].size(); ++free_slots) {
            u32 attr = 0;
            for (usize j = a; j <= std::min<usize>(a + free_slots, 5); ++j)
                attr = std::max<u32>(attr, c.distinct_attr_bonus[j]);
            attr_[fresh][free_slots] = attr;
        }
    }
}

u64 ChildSupportBound::bound(const CardPool& pool, u16 card, usize free_slots) const {
    const auto whole = [&] {
        PartialDeckKey key = key_;
        key.add(pool, card);
        return support_bonus_bound(m_, free_slots, key);
    };
    if (off_) return whole();
    const SupportDeckList& list = m_.support_lists[key_.leader_character];
    // The same sums as `support_bonus_bound` over the child's cards: the
    // attribute count's bonus from the child's attributes, and the
    // entries summed in list order, so the result is that bound's own.
    const bool fresh = !((key_.attr_mask >> (pool.attr(card) & 7u)) & 1);
    const u32 attr = attr_[fresh][std::min<usize>(free_slots, 5)];
    const u16 id = pool.card_id(card);
    bool in_head = false;
    for (usize e = 0; e < head_; ++e)
        in_head |= rest_[e].card_id == id;
    double support = head_sum_;
    usize taken = head_;
    if (in_head) {
        support = 0.0;
        taken = 0;
        for (usize e = 0; e < size_ && taken < list.count; ++e) {
            if (rest_[e].card_id == id) continue;
            support += std::max(rest_[e].value, 0.0);
            ++taken;
        }
    }
    if (taken < list.count && !whole_) return whole();
    const u64 out = static_cast<u64>(std::max(std::ceil(support), 0.0)) + attr;
    VDZ_ASSERT(out == whole());
    return out;
}

}  // namespace vdz
