// Why each ceiling holds, kind by kind, as the deck evaluator resolves them:
// - a plain skill is its value;
// - a unit-count skill takes its table's entry for the deck's cards of its
//   unit (1 to 5), so the largest entry over the counts a deck can reach;
// - a difference skill takes its plain value or min(base + step x (distinct
//   units - 1, at most 2), skill byte) (the one the kept training state
//   names, else the larger); steps never lower it, so the most distinct
//   units a deck can span give the largest;
// - a reference skill resolves to its plain value, or where it may be
//   switched on (never in mysekai, and under the kept training state only
//   where its special skill applies) to that plus a share of at most `cap`
//   of each other card, floor(value x rate / 100), whatever the choice
//   strategy; the largest value another card holds before resolution gives
//   the largest share.
// A deck's cards of a unit and its distinct units are counted over the cards
// the search may place: one per character unless characters may repeat or a
// fixed character repeats one already fixed.
#include "search/bounds/skill_ceiling.h"

#include <algorithm>
#include <bit>

#include "common/check.h"

namespace vdz {
namespace {

template <class Table>
const auto* table_entry(const Table& table, u8 code) {
    // Side-table codes are 1-based; code 0 names no entry.
    return code != 0 && code <= table.size() ? &table[code - 1u] : nullptr;
}

// The most extra cards of one character a deck may hold: fixed slots that
// name a character already named.
usize repeated_fixed_characters(const CardPool& pool, const SearchContext& context,
                                std::span<const u16> cards) {
    u32 named = 0;
    usize slots = 0;
    for (const u16 card : cards) {
        for (const u16 id : context.fixed_cards) {
            if (pool.card_id(card) == id) {
                named |= 1u << pool.character_id(card);
                break;
            }
        }
    }
    slots += context.fixed_cards.size();
    for (const u8 c : context.fixed_characters)
        named |= 1u << std::min<u8>(c, 31);
    slots += context.fixed_characters.size();
    const usize distinct = static_cast<usize>(std::popcount(named));
    return slots > distinct ? slots - distinct : 0;
}

// A card's value before resolution, as a reference skill reads it, when its
// own skill resolves to at most `resolved`: a reference skill reads the
// other's plain value plus its extra when it is switched on.
u32 value_read(const CardPool& pool, u16 card, u8 resolved) {
    if (pool.skill_kind(card) != CardPool::SKILL_REF_KIND) return resolved;
    const auto* e = table_entry(pool.ref_table(), pool.skill_code(card));
    const u32 plain = pool.skill_secondary(card);
    return e != nullptr && (*e)[0] != 0 && (*e)[1] != 0 ? plain + (*e)[1] : plain;
}

// Per six-bit unit mask, the mask spread a byte per unit (bit u to byte
// u) and its count of units, by table: the ceilings are asked per node.
constexpr std::array<u64, 64> UNIT_BYTES = [] {
    std::array<u64, 64> out{};
    for (u32 m = 0; m < 64; ++m)
        for (u32 u = 0; u < 6; ++u)
            out[m] |= u64{(m >> u) & 1u} << (8 * u);
    return out;
}();
constexpr std::array<u8, 64> UNIT_COUNTS = [] {
    std::array<u8, 64> out{};
    for (u32 m = 0; m < 64; ++m)
        out[m] = static_cast<u8>(std::popcount(m));
    return out;
}();

u64 unit_bytes(u32 units) {
    return UNIT_BYTES[units & 0x3Fu];
}

u32 unit_count(u32 units) {
    return UNIT_COUNTS[units & 0x3Fu];
}

}  // namespace

SkillCeilings::SkillCeilings(const CardPool& pool, const SearchContext& context,
                             std::span<const u16> cards, bool repeats_characters)
    : pool_(pool),
      context_(context),
      mysekai_mode_(context.live_type == LiveType::MYSEKAI || context.target == Target::MYSEKAI) {
    // 1. The most cards of each unit and the most units in one deck.
    const usize extra = repeats_characters ? 5 : repeated_fixed_characters(pool, context, cards);
    u32 all_units = 0;
    for (usize u = 0; u < 6; ++u) {
        u32 characters = 0;
        usize count = 0;
        for (const u16 card : cards) {
            if (!((pool.unit_mask(card) >> u) & 1u)) continue;
            characters |= 1u << std::min<u8>(pool.character_id(card), 31);
            ++count;
        }
        const usize reach =
            repeats_characters ? count : static_cast<usize>(std::popcount(characters)) + extra;
        unit_cards_[u] = static_cast<u8>(std::min<usize>(reach, 5));
    }
    for (const u16 card : cards) {
        all_units |= pool.unit_mask(card) & 0x3Fu;
        widest_ =
            std::max<u32>(widest_, static_cast<u32>(std::popcount(pool.unit_mask(card) & 0x3Fu)));
    }
    units_ = std::min<u32>(static_cast<u32>(std::popcount(all_units)), 5 * widest_);
    // 2. Every card but reference skills, then what those can read, then them.
    const std::array<u8, 6> none{};
    for (const u16 card : cards)
        by_card_[card] = ceiling(card, none, unit_cards_, units_, 0);
    for (const u16 card : cards)
        read_ = std::max(read_, value_read(pool, card, by_card_[card]));
    for (const u16 card : cards)
        if (pool.skill_kind(card) == CardPool::SKILL_REF_KIND)
            by_card_[card] = ceiling(card, none, unit_cards_, units_, read_);
}

u8 SkillCeilings::ceiling(u16 card, const std::array<u8, 6>& least_unit_cards,
                          const std::array<u8, 6>& unit_cards, u32 units, u32 read) const {
    const u8 code = pool_.skill_code(card);
    switch (pool_.skill_kind(card)) {
        case CardPool::SKILL_PLAIN:
            return code;
        case CardPool::SKILL_UNIT_COUNT: {
            const auto* e = table_entry(pool_.unit_count_table(), code);
            if (e == nullptr || (*e)[0] > 5) return 0;
            const usize lo = std::clamp<usize>(least_unit_cards[(*e)[0]], 1, 5);
            const usize hi = std::clamp<usize>(unit_cards[(*e)[0]], lo, 5);
            u8 best = 0;
            for (usize n = lo; n <= hi; ++n)
                best = std::max(best, (*e)[n]);
            return best;
        }
        case CardPool::SKILL_DIFF: {
            const auto* e = table_entry(pool_.diff_table(), code);
            if (e == nullptr) return 0;
            const int steps = static_cast<int>(std::min<u32>(units == 0 ? 0 : units - 1, 2));
            const int special = std::min((*e)[0] + (*e)[1] * steps, int{pool_.skill_value(card)});
            const int plain = pool_.skill_secondary(card);
            if (!context_.keep_after_training_state)
                return static_cast<u8>(std::max(plain, special));
            return static_cast<u8>(special_applies(card) ? special : plain);
        }
        case CardPool::SKILL_REF_KIND: {
            const u32 plain = pool_.skill_secondary(card);
            const auto* e = table_entry(pool_.ref_table(), code);
            if (e == nullptr || (*e)[0] == 0 || (*e)[1] == 0) return static_cast<u8>(plain);
            if (context_.keep_after_training_state ? !special_applies(card) : mysekai_mode_)
                return static_cast<u8>(plain);
            const u32 share = std::min<u32>((*e)[1], read * (*e)[0] / 100);
            return static_cast<u8>(std::min<u32>(plain + share, 255));
        }
        default:
            return 0;
    }
}

bool SkillCeilings::special_applies(u16 card) const {
    const auto flag = [&](const std::vector<u8>& v) { return card < v.size() && v[card] != 0; };
    return flag(context_.skill_is_after_training) && !flag(context_.trained_to_special_image);
}

void SkillCeilings::of_placed(std::span<const u16> placed, usize open, std::span<u8> out) const {
    // 1. What the placed cards fix: their units, and the least and most
    // cards of each unit once the open slots are filled.
    // The counts are kept a byte per unit in one word: at most five cards
    // are placed, so no byte carries into the next.
    u64 packed = 0;
    u32 placed_units = 0;
    for (const u16 card : placed) {
        const u32 units = pool_.unit_mask(card) & 0x3Fu;
        placed_units |= units;
        packed += unit_bytes(units);
    }
    std::array<u8, 6> least{};
    std::array<u8, 6> most{};
    for (usize u = 0; u < 6; ++u) {
        least[u] = static_cast<u8>(packed >> (8 * u));
        VDZ_ASSERT(least[u] == std::count_if(placed.begin(), placed.end(), [&](u16 card) {
                       return (pool_.unit_mask(card) >> u) & 1u;
                   }));
        most[u] =
            std::max<u8>(least[u], std::min<u8>(unit_cards_[u], static_cast<u8>(least[u] + open)));
    }
    VDZ_ASSERT(unit_count(placed_units) == static_cast<u32>(std::popcount(placed_units)));
    const u32 units =
        std::min<u32>(units_, unit_count(placed_units) + static_cast<u32>(open) * widest_);
    // 2. Every placed card but reference skills; then each reference skill
    // reads the largest value of the other placed cards, or of any card
    // while slots are open.
    for (usize s = 0; s < placed.size(); ++s)
        out[s] = pool_.skill_kind(placed[s]) == CardPool::SKILL_REF_KIND
                     ? 0
                     : ceiling(placed[s], least, most, units, 0);
    for (usize s = 0; s < placed.size(); ++s) {
        if (pool_.skill_kind(placed[s]) != CardPool::SKILL_REF_KIND) continue;
        u32 read = open == 0 ? 0 : read_;
        for (usize t = 0; t < placed.size(); ++t)
            if (t != s) read = std::max(read, value_read(pool_, placed[t], out[t]));
        out[s] = ceiling(placed[s], least, most, units, read);
    }
}

void SkillCeilings::of_placed_and_last(std::span<const u16> placed, u8 last_units,
                                       std::span<u8> out) const {
    // 1. The deck's cards of each unit and its distinct units are known.
    std::array<u8, 6> count{};
    u32 units = last_units & 0x3Fu;
    for (usize u = 0; u < 6; ++u)
        count[u] = static_cast<u8>((last_units >> u) & 1u);
    for (const u16 card : placed) {
        const u32 mask = pool_.unit_mask(card) & 0x3Fu;
        units |= mask;
        for (usize u = 0; u < 6; ++u)
            count[u] = static_cast<u8>(count[u] + ((mask >> u) & 1u));
    }
    const u32 distinct = static_cast<u32>(std::popcount(units));
    // 2. As `of_placed`, the last card's value before resolution read at
    // the largest any card has.
    for (usize s = 0; s < placed.size(); ++s)
        out[s] = pool_.skill_kind(placed[s]) == CardPool::SKILL_REF_KIND
                     ? 0
                     : ceiling(placed[s], count, count, distinct, 0);
    for (usize s = 0; s < placed.size(); ++s) {
        if (pool_.skill_kind(placed[s]) != CardPool::SKILL_REF_KIND) continue;
        u32 read = read_;
        for (usize t = 0; t < placed.size(); ++t)
            if (t != s) read = std::max(read, value_read(pool_, placed[t], out[t]));
        out[s] = ceiling(placed[s], count, count, distinct, read);
    }
}

}  // namespace vdz
