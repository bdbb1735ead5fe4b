// Allocation, packing and re-packing of the card pool. The layout is fixed:
// each column takes its width times the card count rounded up to 64 bytes,
// in column order from offset 0, and the mask area follows the last column.
#include "pool/card_pool.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "common/numeric.h"

namespace vdz {
namespace {

usize round64(usize n) {
    return (n + 63) / 64 * 64;
}

Error index_error(usize len, usize index) {
    return make_error("index out of bounds: the len is " + std::to_string(len) +
                      " but the index is " + std::to_string(index));
}

// Appends an entry to a skill side table and returns its 1-based code.
template <class Entry>
Result<u8> append_skill_entry(std::vector<Entry>& table, const Entry& entry, const char* name) {
    if (table.size() >= CardPool::MAX_SKILL_TABLE_ENTRIES)
        return make_error(std::string(name) + " side table exhausted");
    table.push_back(entry);
    return static_cast<u8>(table.size());
}

Result<EventBonusHot> pack_event_bonus(std::vector<u16>& limited_table, u16 base_x10,
                                       u16 limited_x10) {
    const Error out_of_range = make_error("event bonus exceeds packed range");
    if (limited_x10 == 0) {
        if (base_x10 > EventBonusHot::MAX_TOTAL_X10) return out_of_range;
        return EventBonusHot::pack(base_x10, 0);
    }
    usize code;
    const auto found = std::find(limited_table.begin(), limited_table.end(), limited_x10);
    if (found != limited_table.end()) {
        code = static_cast<usize>(found - limited_table.begin()) + 1;
    } else {
        if (limited_table.size() >= EventBonusHot::MAX_LIMITED_CODE)
            return make_error("limited bonus side table exhausted");
        limited_table.push_back(limited_x10);
        code = limited_table.size();
    }
    const u32 total = u32{base_x10} + limited_x10;
    if (total > EventBonusHot::MAX_TOTAL_X10) return out_of_range;
    VDZ_ASSERT(code <= EventBonusHot::MAX_LIMITED_CODE);
    return EventBonusHot::pack(static_cast<u16>(total), static_cast<u8>(code));
}

}  // namespace

void CardPool::AlignedFree::operator()(u8* p) const {
    ::operator delete[](p, std::align_val_t{ALIGNMENT});
}

CardPool::CardPool(const CardPool& other)
    : block_(static_cast<u8*>(::operator new[](other.block_size_, std::align_val_t{ALIGNMENT}))),
      block_size_(other.block_size_),
      column_offsets_(other.column_offsets_),
      mask_offset_(other.mask_offset_),
      count_(other.count_),
      unit_count_(other.unit_count_),
      diff_(other.diff_),
      ref_(other.ref_),
      limited_bonus_(other.limited_bonus_) {
    std::memcpy(block_.get(), other.block_.get(), block_size_);
}

CardPool& CardPool::operator=(const CardPool& other) {
    if (this != &other) *this = CardPool(other);
    return *this;
}

bool CardPool::operator==(const CardPool& other) const {
    return count_ == other.count_ && block_size_ == other.block_size_ &&
           column_offsets_ == other.column_offsets_ && mask_offset_ == other.mask_offset_ &&
           std::memcmp(block_.get(), other.block_.get(), block_size_) == 0 &&
           unit_count_ == other.unit_count_ && diff_ == other.diff_ && ref_ == other.ref_ &&
           limited_bonus_ == other.limited_bonus_;
}

void CardPool::set_mask_bits(u16 card, u8 character, u8 attr, u8 units) {
    u64* masks = reinterpret_cast<u64*>(block_.get() + mask_offset_);
    const auto set_bit = [&](usize set) {
        masks[set * MASK_WORDS_PER_SET + card / 64] |= u64{1} << (card % 64);
    };
    set_bit(character);
    set_bit(CHARACTER_SLOTS + UNIT_SLOTS + attr);
    for (u8 k = 0; k < UNIT_SLOTS; ++k)
        if (units & (1u << k)) set_bit(CHARACTER_SLOTS + k);
}

Result<CardPool> alloc_card_pool(usize count) {
    if (count > CardPool::MAX_CARDS) return make_error("pool count exceeds mask capacity");
    CardPool pool;
    usize offset = 0;
    for (usize c = 0; c < CardPool::COLUMN_COUNT; ++c) {
        pool.column_offsets_[c] = offset;
        offset += round64(CardPool::COLUMN_WIDTHS[c] * count);
    }
    pool.mask_offset_ = offset;
    pool.block_size_ = offset + CardPool::MASK_BYTES;
    pool.block_.reset(static_cast<u8*>(
        ::operator new[](pool.block_size_, std::align_val_t{CardPool::ALIGNMENT})));
    std::memset(pool.block_.get(), 0, pool.block_size_);
    pool.count_ = static_cast<u16>(count);
    return pool;
}

std::array<u32, 8> candidate_unit_slots(const PoolCandidate& c) {
    const u8 mask = c.unit_mask & 0x3F;
    const int first = mask == 0 ? 0 : std::countr_zero(mask);
    const u8 rest = mask & static_cast<u8>(~(1u << first));
    const int second = rest == 0 ? first : std::countr_zero(rest);
    i64 base_sum = 0;
    for (const i32 v : c.base_values)
        base_sum += v;
    std::array<u32, 8> slots{};
    const int units[2] = {first, second};
    for (usize half = 0; half < 2; ++half) {
        const int u = units[half];
        if (!(c.value_unit_set & (1u << u))) continue;
        for (usize k = 0; k < 4; ++k) {
            const i64 value = i64{c.unit_table[u][k]} + base_sum;
            slots[4 * half + k] =
                static_cast<u32>(std::clamp<i64>(value, 0, CardPool::MAX_UNIT_VALUE));
        }
    }
    return slots;
}

Status pack_card(CardPool& pool, u16 index, const PoolCandidate& c) {
    VDZ_ASSERT(index < pool.count_);
    if (c.character_id >= CardPool::CHARACTER_SLOTS)
        return index_error(CardPool::CHARACTER_SLOTS, c.character_id);
    if (c.attr >= CardPool::ATTR_SLOTS) return index_error(CardPool::ATTR_SLOTS, c.attr);

    // 1. Per-unit values: low 16 bits in one column, bits 16-17 in the next.
    const std::array<u32, 8> slots = candidate_unit_slots(c);
    u32 high = 0;
    for (usize i = 0; i < 8; ++i) {
        pool.column<u16>(CardPool::UNIT_VALUES)[8 * usize{index} + i] =
            static_cast<u16>(slots[i] & 0xFFFF);
        high |= (slots[i] >> 16) << (2 * i);
    }
    const u8 mask = c.unit_mask & 0x3F;
    if (bit_count(mask) >= 2) {
        const u8 rest = mask & static_cast<u8>(mask - 1);
        high |= u32{1} << (16 + std::countr_zero(rest));
    }
    pool.column<u32>(CardPool::UNIT_VALUES_HIGH)[index] = high;

    // 2. Skill: a side-table code for deck-dependent skills, else the plain bytes.
    u8 kind = c.skill.plain_kind;
    u8 code = c.skill.plain_value;
    if (c.skill.has_unit_count) {
        auto appended = append_skill_entry(pool.unit_count_, c.skill.unit_count, "unit_count");
        VDZ_TRY(appended);
        kind = CardPool::SKILL_UNIT_COUNT;
        code = *appended;
    } else if (c.skill.has_diff) {
        auto appended = append_skill_entry(pool.diff_, c.skill.diff, "diff");
        VDZ_TRY(appended);
        kind = CardPool::SKILL_DIFF;
        code = *appended;
    } else if (c.skill.has_ref) {
        auto appended = append_skill_entry(pool.ref_, c.skill.ref, "ref");
        VDZ_TRY(appended);
        kind = CardPool::SKILL_REF_KIND;
        code = *appended;
    }
    pool.column<u8>(CardPool::SKILL_REF)[2 * usize{index}] = kind;
    pool.column<u8>(CardPool::SKILL_REF)[2 * usize{index} + 1] = code;

    // 3. Event bonus, sharing limited-bonus entries between equal values.
    auto bonus = pack_event_bonus(pool.limited_bonus_, c.base_x10, c.limited_x10);
    VDZ_TRY(bonus);
    pool.column<u16>(CardPool::EVENT_BONUS)[index] = bonus->bits;

    // 4. Scalar columns.
    pool.column<u8>(CardPool::CHARACTER_ID)[index] = c.character_id;
    pool.column<u8>(CardPool::ATTR)[index] = c.attr;
    pool.column<u8>(CardPool::UNIT_MASK)[index] = c.unit_mask;
    pool.column<u16>(CardPool::CARD_ID)[index] = static_cast<u16>(std::min<u32>(c.card_id, 65535));
    pool.column<u32>(CardPool::POWER)[index] = c.power < 0 ? 0 : static_cast<u32>(c.power);
    pool.column<u8>(CardPool::SKILL_SECONDARY)[index] = c.skill_secondary;
    pool.column<u8>(CardPool::SKILL_VALUE)[index] = c.skill_value;

    // 5. Masks.
    pool.set_mask_bits(index, c.character_id, c.attr, c.unit_mask);
    return ok_status();
}

Result<CardPool> retain_card_pool(const CardPool& pool, const u8* keep, usize length) {
    if (length != pool.count_) return make_error("keep length must match pool count");
    usize kept = 0;
    for (usize i = 0; i < length; ++i)
        kept += keep[i] & 1;
    auto allocated = alloc_card_pool(kept);
    VDZ_TRY(allocated);
    CardPool out = std::move(allocated).value();
    out.unit_count_ = pool.unit_count_;
    out.diff_ = pool.diff_;
    out.ref_ = pool.ref_;
    out.limited_bonus_ = pool.limited_bonus_;

    u16 j = 0;
    for (u16 i = 0; i < pool.count_; ++i) {
        if (!(keep[i] & 1)) continue;
        for (usize c = 0; c < CardPool::COLUMN_COUNT; ++c) {
            const usize width = CardPool::COLUMN_WIDTHS[c];
            std::memcpy(out.block_.get() + out.column_offsets_[c] + width * j,
                        pool.block_.get() + pool.column_offsets_[c] + width * i, width);
        }
        out.set_mask_bits(j, pool.character_id(i), pool.attr(i), pool.unit_mask(i));
        ++j;
    }
    return out;
}

}  // namespace vdz
