// Checks and ordering of the pool builder's candidates.
#include "pool/pool_order.h"

#include <algorithm>
#include <limits>
#include <string>

#include "handler/pool_build_error.h"
#include "pool/card_pool.h"

namespace vdz {
namespace {

constexpr usize MAX_FIXED_CONSTRAINTS = 5;

Error invalid(std::string message) {
    return option_error_from_pool_error(PoolBuildError::invalid_params(std::move(message)));
}

Error empty_pool() {
    return option_error_from_pool_error(PoolBuildError::empty());
}

// Three-way comparison, positive when a ranks before b.
template <class T>
int compare_desc(T a, T b) {
    return a > b ? 1 : (a < b ? -1 : 0);
}

// The mode's keys, best first; 0 when a and b tie on all of them.
int compare_by_mode(const PoolCandidate& a, const PoolCandidate& b, Target target, bool has_event) {
    const auto chain = [](std::initializer_list<int> results) {
        for (const int r : results)
            if (r != 0) return r;
        return 0;
    };
    const bool event_keys = has_event && (target == Target::SCORE || target == Target::BONUS ||
                                          target == Target::MYSEKAI);
    if (event_keys) {
        return chain({compare_desc(a.total_x10(), b.total_x10()),
                      compare_desc(a.weighted_power(), b.weighted_power()),
                      compare_desc(a.power, b.power), compare_desc(a.skill_value, b.skill_value)});
    }
    switch (target) {
        case Target::SCORE:
            return chain({compare_desc(a.weighted_power(), b.weighted_power()),
                          compare_desc(a.power, b.power),
                          compare_desc(a.skill_value, b.skill_value),
                          compare_desc(a.tie_key, b.tie_key),
                          compare_desc(a.skill_secondary, b.skill_secondary)});
        case Target::SKILL:
            return chain({compare_desc(a.skill_value, b.skill_value),
                          compare_desc(a.skill_secondary, b.skill_secondary)});
        default:  // power; bonus and mysekai without an event
            return chain({compare_desc(a.power, b.power), compare_desc(a.tie_key, b.tie_key)});
    }
}

bool variants_differ(const PoolCandidate& a, const PoolCandidate& b) {
    return a.skill != b.skill || a.skill_value != b.skill_value ||
           a.skill_secondary != b.skill_secondary ||
           a.skill_is_after_training != b.skill_is_after_training;
}

}  // namespace

Result<FixedConstraints> check_candidates(const std::vector<PoolCandidate>& candidates,
                                          const PoolShape& shape) {
    // 1. Something to search.
    if (candidates.empty()) return empty_pool();
    // 2. Challenge lives take no fixed characters.
    if (is_challenge(shape.live_type) && !shape.fixed_characters.empty())
        return invalid("challenge live 不支持 fixed_characters");
    // 3. At most five constraints.
    if (shape.fixed_cards.size() + shape.fixed_characters.size() > MAX_FIXED_CONSTRAINTS)
        return invalid("固定约束数量超过 5");

    FixedConstraints fixed;
    std::vector<u8> taken_characters;
    const auto taken = [&](u8 character) {
        return std::find(taken_characters.begin(), taken_characters.end(), character) !=
               taken_characters.end();
    };
    // 4. Fixed cards: valid, distinct, present, of distinct characters.
    for (const i32 id : shape.fixed_cards) {
        if (id < 1 || id > 65535) return invalid("fixed card id 非法: " + std::to_string(id));
        const u16 card = static_cast<u16>(id);
        if (std::find(fixed.cards.begin(), fixed.cards.end(), card) != fixed.cards.end())
            return invalid("fixed card 重复: " + std::to_string(id));
        const auto first = std::find_if(candidates.begin(), candidates.end(),
                                        [&](const PoolCandidate& c) { return c.card_id == card; });
        if (first == candidates.end()) return empty_pool();
        if (taken(first->character_id))
            return invalid("fixed card 角色重复: " + std::to_string(first->character_id));
        taken_characters.push_back(first->character_id);
        fixed.cards.push_back(card);
    }
    // 5. Fixed characters: valid, not taken, present.
    for (const i32 id : shape.fixed_characters) {
        if (id < 1 || id > 26) return invalid("fixed character id 非法: " + std::to_string(id));
        const u8 character = static_cast<u8>(id);
        if (taken(character)) return invalid("fixed character 角色重复: " + std::to_string(id));
        if (std::none_of(candidates.begin(), candidates.end(),
                         [&](const PoolCandidate& c) { return c.character_id == character; }))
            return empty_pool();
        taken_characters.push_back(character);
        fixed.characters.push_back(character);
    }
    // 6. Capacity of the pool's masks.
    if (candidates.size() > CardPool::MAX_CARDS)
        return option_error_from_pool_error(PoolBuildError::capacity_exceeded(candidates.size()));
    return fixed;
}

void order_candidates(std::vector<PoolCandidate>& candidates, const PoolShape& shape,
                      const FixedConstraints& fixed) {
    const bool has_fixed = !fixed.cards.empty() || !fixed.characters.empty();
    constexpr usize UNPROTECTED = std::numeric_limits<usize>::max();
    const auto position = [&](const PoolCandidate& c) {
        const u16 card = static_cast<u16>(std::min<u32>(c.card_id, 65535));
        const auto at_card = std::find(fixed.cards.begin(), fixed.cards.end(), card);
        if (at_card != fixed.cards.end()) return static_cast<usize>(at_card - fixed.cards.begin());
        const auto at_character =
            std::find(fixed.characters.begin(), fixed.characters.end(), c.character_id);
        if (at_character != fixed.characters.end())
            return fixed.cards.size() + static_cast<usize>(at_character - fixed.characters.begin());
        return UNPROTECTED;
    };
    builder_stable_sort(candidates, [&](const PoolCandidate& a, const PoolCandidate& b) {
        if (has_fixed) {
            const usize pa = position(a), pb = position(b);
            if (pa != pb) return pa < pb;
            // Two variants of one card: the special-image variant first.
            if (a.card_id == b.card_id &&
                a.trained_to_special_image != b.trained_to_special_image && variants_differ(a, b))
                return a.trained_to_special_image;
        }
        const int by_mode = compare_by_mode(a, b, shape.target, shape.has_event);
        if (by_mode != 0) return by_mode > 0;
        return a.card_id > b.card_id;
    });
}

}  // namespace vdz
