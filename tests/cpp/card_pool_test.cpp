#include "pool/card_pool.h"

#include <gtest/gtest.h>

#include <vector>

namespace vdz {
namespace {

PoolCandidate plain_candidate(u32 card_id, u8 character, u8 attr, u8 units) {
    PoolCandidate c;
    c.card_id = card_id;
    c.character_id = character;
    c.attr = attr;
    c.unit_mask = units;
    c.value_unit_set = units;
    c.power = 1000;
    c.skill.plain_value = 80;
    c.skill_value = 80;
    return c;
}

CardPool pack_all(const std::vector<PoolCandidate>& candidates) {
    auto pool = alloc_card_pool(candidates.size());
    EXPECT_TRUE(pool.ok());
    for (u16 i = 0; i < candidates.size(); ++i)
        EXPECT_TRUE(pack_card(*pool, i, candidates[i]).ok());
    return std::move(pool).value();
}

TEST(CardPool, LayoutRoundsEveryColumnTo64Bytes) {
    const auto empty = alloc_card_pool(0);
    ASSERT_TRUE(empty.ok());
    EXPECT_EQ(empty->block_size(), 2432u);
    for (const usize offset : empty->column_offsets())
        EXPECT_EQ(offset, 0u);

    const auto one = alloc_card_pool(1);
    ASSERT_TRUE(one.ok());
    EXPECT_EQ(one->mask_offset(), 704u);
    EXPECT_EQ(one->block_size(), 3136u);
    EXPECT_EQ(one->column_offsets()[CardPool::POWER], 8 * 64u);

    const auto full = alloc_card_pool(512);
    ASSERT_TRUE(full.ok());
    EXPECT_EQ(full->block_size(), 17920u + 2432u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(full->column_bytes(CardPool::POWER)) % 64, 0u);

    const auto over = alloc_card_pool(513);
    ASSERT_FALSE(over.ok());
    EXPECT_EQ(over.error().message, "pool count exceeds mask capacity");
}

TEST(CardPool, PacksColumnsAndMasks) {
    PoolCandidate vs = plain_candidate(70000, 21, 4, 0x24);  // units 3 and 6
    vs.base_values = {30000, 100, 10, 5};
    for (usize k = 0; k < 4; ++k) {
        vs.unit_table[2][k] = static_cast<i32>(10 * k);
        vs.unit_table[5][k] = static_cast<i32>(100000 + k);  // beyond 16 bits
    }
    vs.base_x10 = 4095;
    const CardPool pool = pack_all({plain_candidate(5, 1, 0, 0x01), vs});

    EXPECT_EQ(pool.card_id(1), 65535);
    EXPECT_EQ(pool.character_id(1), 21);
    EXPECT_EQ(pool.event_bonus(1).bits, 65520);
    EXPECT_EQ(pool.unit_value(1, 3), 30115u + 30u);
    EXPECT_EQ(pool.unit_value(1, 7), 30115u + 100003u);
    EXPECT_TRUE(pool.unit_values_high(1) & (1u << (16 + 5)));
    EXPECT_FALSE(pool.unit_values_high(0) & 0xFFFF0000u);
    // A one-unit card repeats its values for the "second" unit.
    EXPECT_EQ(pool.unit_value(0, 2), pool.unit_value(0, 6));
    EXPECT_EQ(pool.skill_kind(0), CardPool::SKILL_PLAIN);
    EXPECT_EQ(pool.skill_code(0), 80);
    EXPECT_EQ(pool.character_mask(21)[0], 0b10u);
    EXPECT_EQ(pool.unit_mask_set(2)[0], 0b10u);
    EXPECT_EQ(pool.unit_mask_set(5)[0], 0b10u);
    EXPECT_EQ(pool.unit_mask_set(0)[0], 0b01u);
    EXPECT_EQ(pool.attr_mask(4)[0], 0b10u);
}

TEST(CardPool, SkillSideTablesTakeOneEntryPerCard) {
    PoolCandidate a = plain_candidate(1, 1, 0, 1);
    a.skill.has_unit_count = true;
    a.skill.unit_count = {0, 10, 20, 30, 40, 60};
    PoolCandidate b = a;
    b.card_id = 2;
    PoolCandidate d = plain_candidate(3, 2, 0, 1);
    d.skill.has_diff = true;
    d.skill.diff = {50, 10};
    const CardPool pool = pack_all({a, b, d});
    EXPECT_EQ(pool.skill_kind(1), CardPool::SKILL_UNIT_COUNT);
    EXPECT_EQ(pool.skill_code(0), 1);
    EXPECT_EQ(pool.skill_code(1), 2);
    EXPECT_EQ(pool.unit_count_table().size(), 2u);
    EXPECT_EQ(pool.skill_kind(2), CardPool::SKILL_DIFF);
    EXPECT_EQ(pool.skill_code(2), 1);
}

TEST(CardPool, SkillSideTableStopsAtItsTwoHundredFiftySixthEntry) {
    PoolCandidate ref = plain_candidate(1, 1, 0, 1);
    ref.skill.has_ref = true;
    ref.skill.ref = {50, 20};
    auto pool = alloc_card_pool(256);
    ASSERT_TRUE(pool.ok());
    for (u16 i = 0; i < 255; ++i)
        ASSERT_TRUE(pack_card(*pool, i, ref).ok());
    const Status last = pack_card(*pool, 255, ref);
    ASSERT_FALSE(last.ok());
    EXPECT_EQ(last.error().message, "ref side table exhausted");
}

TEST(CardPool, LimitedBonusesShareEntriesUpToFifteen) {
    auto pool = alloc_card_pool(17);
    ASSERT_TRUE(pool.ok());
    PoolCandidate c = plain_candidate(1, 1, 0, 1);
    c.base_x10 = 100;
    for (u16 i = 0; i < 15; ++i) {
        c.limited_x10 = static_cast<u16>(10 * (i + 1));
        ASSERT_TRUE(pack_card(*pool, i, c).ok());
    }
    c.limited_x10 = 30;  // equal to the third value: shares its code
    ASSERT_TRUE(pack_card(*pool, 15, c).ok());
    EXPECT_EQ(pool->event_bonus(15).limited_code(), 3);
    EXPECT_EQ(pool->event_bonus(15).total_x10(), 130);
    EXPECT_EQ(pool->limited_x10(15), 30);

    c.limited_x10 = 999;  // sixteenth distinct value
    const Status full = pack_card(*pool, 16, c);
    ASSERT_FALSE(full.ok());
    EXPECT_EQ(full.error().message, "limited bonus side table exhausted");
}

TEST(CardPool, EventBonusBeyondPackedRangeStops) {
    struct Case {
        u16 base, limited;
        bool ok;
    };
    for (const Case& k :
         {Case{4095, 0, true}, Case{4096, 0, false}, Case{4000, 95, true}, Case{4000, 96, false}}) {
        auto pool = alloc_card_pool(1);
        PoolCandidate c = plain_candidate(1, 1, 0, 1);
        c.base_x10 = k.base;
        c.limited_x10 = k.limited;
        const Status packed = pack_card(*pool, 0, c);
        EXPECT_EQ(packed.ok(), k.ok) << k.base << "+" << k.limited;
        if (!k.ok) {
            EXPECT_EQ(packed.error().message, "event bonus exceeds packed range");
        }
    }
}

TEST(CardPool, CharacterBeyondItsMasksIsAnIndexError) {
    auto pool = alloc_card_pool(1);
    const Status packed = pack_card(*pool, 0, plain_candidate(1, 27, 0, 1));
    ASSERT_FALSE(packed.ok());
    EXPECT_EQ(packed.error().message, "index out of bounds: the len is 27 but the index is 27");
}

TEST(CardPool, RetainKeepsCardsInOrderAndEverySideTable) {
    PoolCandidate ref = plain_candidate(7, 3, 2, 4);
    ref.skill.has_ref = true;
    ref.skill.ref = {50, 20};
    ref.limited_x10 = 200;
    const CardPool pool = pack_all({plain_candidate(5, 1, 0, 1), ref, plain_candidate(9, 4, 1, 2)});

    const u8 all[] = {1, 1, 1};
    const auto same = retain_card_pool(pool, all, 3);
    ASSERT_TRUE(same.ok());
    EXPECT_TRUE(*same == pool);

    const u8 none[] = {0, 0, 0};
    const auto empty = retain_card_pool(pool, none, 3);
    ASSERT_TRUE(empty.ok());
    EXPECT_EQ(empty->count(), 0);
    EXPECT_EQ(empty->ref_table().size(), 1u);
    EXPECT_EQ(empty->limited_bonus_table().size(), 1u);

    const u8 some[] = {0, 3, 1};  // bit 0 decides
    const auto kept = retain_card_pool(pool, some, 3);
    ASSERT_TRUE(kept.ok());
    ASSERT_EQ(kept->count(), 2);
    EXPECT_EQ(kept->card_id(0), 7);
    EXPECT_EQ(kept->skill_code(0), 1);
    EXPECT_EQ(kept->limited_x10(0), 200);
    EXPECT_EQ(kept->character_mask(3)[0], 0b01u);
    EXPECT_EQ(kept->character_mask(4)[0], 0b10u);

    const auto wrong = retain_card_pool(pool, some, 2);
    ASSERT_FALSE(wrong.ok());
    EXPECT_EQ(wrong.error().message, "keep length must match pool count");
}

}  // namespace
}  // namespace vdz
