// The packed, column-wise store of a request's candidate cards that every
// search reads. All per-card data lives in one zeroed, 64-byte-aligned block:
// eleven columns (one value per card each), then bit masks of the cards by
// character, unit and attribute. Values too wide for a column live in four
// small side tables addressed from the columns by one-byte or 4-bit codes.
// A pool is built once per request, owns its block, and is only read after.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "handler/event_bonus_hot.h"
#include "handler/pool_candidate.h"

namespace vdz {

class CardPool {
  public:
    static constexpr usize ALIGNMENT = 64;
    // The masks hold 512 bits: the pool's capacity.
    static constexpr usize MAX_CARDS = 512;
    static constexpr usize MASK_WORDS_PER_SET = MAX_CARDS / 64;
    static constexpr usize CHARACTER_SLOTS = 27;
    static constexpr usize UNIT_SLOTS = 6;
    static constexpr usize ATTR_SLOTS = 5;
    static constexpr usize MASK_BYTES =
        (CHARACTER_SLOTS + UNIT_SLOTS + ATTR_SLOTS) * MASK_WORDS_PER_SET * 8;
    // Entries of the unit-count, diff and ref tables; codes are one byte.
    static constexpr usize MAX_SKILL_TABLE_ENTRIES = 255;
    // Largest per-unit value the 18 bits of a slot hold.
    static constexpr u32 MAX_UNIT_VALUE = (1u << 18) - 1;

    enum Column : usize {
        UNIT_VALUES = 0,       // 8 x u16: low 16 bits of the eight 18-bit slots
        UNIT_VALUES_HIGH = 1,  // u32: bits 16-17 of slot i at 2i; bit 16+u = second unit u
        SKILL_REF = 2,         // 2 x u8: skill kind, then value or side-table code
        EVENT_BONUS = 3,       // EventBonusHot
        CHARACTER_ID = 4,      // u8, 0..26
        ATTR = 5,              // u8 attribute index, 0..4
        UNIT_MASK = 6,         // u8, bit k = unit k
        CARD_ID = 7,           // u16, saturated
        POWER = 8,             // u32, never negative
        SKILL_SECONDARY = 9,   // u8
        SKILL_VALUE = 10,      // u8
        COLUMN_COUNT = 11,
    };
    static constexpr std::array<usize, COLUMN_COUNT> COLUMN_WIDTHS = {16, 4, 2, 2, 1, 1,
                                                                      1,  2, 4, 1, 1};

    // Skill kinds of the skill_ref column.
    static constexpr u8 SKILL_PLAIN = 0;
    static constexpr u8 SKILL_UNIT_COUNT = 1;
    static constexpr u8 SKILL_DIFF = 2;
    static constexpr u8 SKILL_REF_KIND = 3;

    CardPool(const CardPool& other);
    CardPool& operator=(const CardPool& other);
    CardPool(CardPool&&) noexcept = default;
    CardPool& operator=(CardPool&&) noexcept = default;

    u16 count() const { return count_; }
    usize block_size() const { return block_size_; }
    const std::array<usize, COLUMN_COUNT>& column_offsets() const { return column_offsets_; }
    usize mask_offset() const { return mask_offset_; }

    // Column access: n values of the column's width, at its offset.
    const u16* unit_values(u16 card) const { return column<u16>(UNIT_VALUES) + 8 * usize{card}; }
    u32 unit_values_high(u16 card) const { return column<u32>(UNIT_VALUES_HIGH)[card]; }
    u8 skill_kind(u16 card) const { return column<u8>(SKILL_REF)[2 * usize{card}]; }
    u8 skill_code(u16 card) const { return column<u8>(SKILL_REF)[2 * usize{card} + 1]; }
    EventBonusHot event_bonus(u16 card) const { return {column<u16>(EVENT_BONUS)[card]}; }
    u8 character_id(u16 card) const { return column<u8>(CHARACTER_ID)[card]; }
    u8 attr(u16 card) const { return column<u8>(ATTR)[card]; }
    u8 unit_mask(u16 card) const { return column<u8>(UNIT_MASK)[card]; }
    u16 card_id(u16 card) const { return column<u16>(CARD_ID)[card]; }
    u32 power(u16 card) const { return column<u32>(POWER)[card]; }
    u8 skill_secondary(u16 card) const { return column<u8>(SKILL_SECONDARY)[card]; }
    u8 skill_value(u16 card) const { return column<u8>(SKILL_VALUE)[card]; }
    // Slot `slot` (0..7) of the card's 18-bit per-unit values.
    u32 unit_value(u16 card, usize slot) const;

    // The 512-bit masks (8 words each) of a character, a unit or an attribute.
    const u64* character_mask(u8 character) const { return mask_set(character); }
    const u64* unit_mask_set(u8 unit_index) const { return mask_set(CHARACTER_SLOTS + unit_index); }
    const u64* attr_mask(u8 attr_index) const {
        return mask_set(CHARACTER_SLOTS + UNIT_SLOTS + attr_index);
    }

    // Side tables, addressed by code c as entry c - 1.
    const std::vector<std::array<u8, 6>>& unit_count_table() const { return unit_count_; }
    const std::vector<std::array<u8, 2>>& diff_table() const { return diff_; }
    const std::vector<std::array<u8, 2>>& ref_table() const { return ref_; }
    const std::vector<u16>& limited_bonus_table() const { return limited_bonus_; }
    // The limited part of a card's event bonus in tenths of a percent.
    u16 limited_x10(u16 card) const;

    // Raw column bytes, for code that scans a column whole.
    const u8* column_bytes(Column c) const { return block_.get() + column_offsets_[c]; }

    bool operator==(const CardPool& other) const;

  private:
    friend Result<CardPool> alloc_card_pool(usize count);
    friend Status pack_card(CardPool& pool, u16 index, const PoolCandidate& candidate);
    friend Result<CardPool> retain_card_pool(const CardPool& pool, const u8* keep, usize length);

    struct AlignedFree {
        void operator()(u8* p) const;
    };

    CardPool() = default;

    template <class T>
    const T* column(Column c) const {
        return reinterpret_cast<const T*>(block_.get() + column_offsets_[c]);
    }
    template <class T>
    T* column(Column c) {
        return reinterpret_cast<T*>(block_.get() + column_offsets_[c]);
    }
    const u64* mask_set(usize set) const {
        return reinterpret_cast<const u64*>(block_.get() + mask_offset_) + set * MASK_WORDS_PER_SET;
    }
    // Sets bit `card` in the character, attribute and unit masks.
    void set_mask_bits(u16 card, u8 character, u8 attr, u8 units);

    std::unique_ptr<u8[], AlignedFree> block_;
    usize block_size_ = 0;
    std::array<usize, COLUMN_COUNT> column_offsets_{};
    usize mask_offset_ = 0;
    u16 count_ = 0;
    std::vector<std::array<u8, 6>> unit_count_;
    std::vector<std::array<u8, 2>> diff_;
    std::vector<std::array<u8, 2>> ref_;
    std::vector<u16> limited_bonus_;
};

// A pool for `count` cards with every column and mask zero and empty side
// tables; more than 512 cards stops with "pool count exceeds mask capacity".
Result<CardPool> alloc_card_pool(usize count);

// Writes candidate `candidate` as card `index`: its columns, side-table
// entries, EventBonusHot and mask bits. Full side tables and an event bonus
// beyond the packed range stop the build with their fixed messages.
Status pack_card(CardPool& pool, u16 index, const PoolCandidate& candidate);

// A new pool with the cards whose keep byte has bit 0 set, in their order,
// and copies of all four side tables (so the codes stay valid).
Result<CardPool> retain_card_pool(const CardPool& pool, const u8* keep, usize length);

// The eight 18-bit per-unit values of a candidate, slots 0-3 for its first
// unit and 4-7 for its second (or the first again), as packing stores them.
std::array<u32, 8> candidate_unit_slots(const PoolCandidate& candidate);

// ---------------------------------------------------------------------------
// The deck evaluator reads these for every card of every deck.

inline u32 CardPool::unit_value(u16 card, usize slot) const {
    const u32 high = (unit_values_high(card) >> (2 * slot)) & 3;
    return unit_values(card)[slot] | (high << 16);
}

inline u16 CardPool::limited_x10(u16 card) const {
    const u8 code = event_bonus(card).limited_code();
    return code == 0 ? 0 : limited_bonus_[code - 1];
}

}  // namespace vdz
