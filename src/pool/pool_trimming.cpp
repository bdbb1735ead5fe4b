// Trimming phases of the pool builder, in the order they run:
//   a   rarity filter (events only, unless the card power step thinned already)
//   a'  per-character ranking of the rest, K places per character
//   b   challenge lives: at most 19 cards per character
//   c   broad targets outside World Bloom: at most 10 per character
//   d   power and skill targets: at most 10 per character by the target's key
// and, only when more candidates remain than a pool holds, a last cut (a''
// below) that ranks every unprotected card and lowers K until they fit.
// Under a multi live score up lower bound, each character's card of the
// largest skill value is protected through all of them.
#include "pool/pool_trimming.h"

#include <algorithm>
#include <array>

#include "pool/card_pool.h"

namespace vdz {
namespace {

constexpr usize CHARACTER_SLOTS = 27;
constexpr usize RARITY_FILTER_MIN = 51;
constexpr usize CHALLENGE_MIN = 20;
constexpr usize CHALLENGE_PER_CHARACTER = 19;
constexpr usize BROAD_MIN = 401;
constexpr usize BROAD_PER_CHARACTER = 10;
constexpr usize KEY_CUT_MIN = 513;
constexpr usize KEY_CUT_PER_CHARACTER = 10;
constexpr u32 ALWAYS_KEPT_BONUS_X10 = 300;

usize character_slot(u8 character) {
    return std::min<usize>(character, CHARACTER_SLOTS - 1);
}

bool is_fixed_card(const PoolCandidate& c, const PoolShape& shape) {
    return std::any_of(shape.fixed_cards.begin(), shape.fixed_cards.end(),
                       [&](i32 id) { return static_cast<u32>(id) == c.card_id; });
}

// Kept by phases b and c whatever their rank: a fixed card, or a score up keeper.
bool is_kept_by_count(const PoolCandidate& c, const PoolShape& shape) {
    return is_fixed_card(c, shape) || c.score_up_keeper;
}

// Protected in phases a, a' and d: a fixed card, a score up keeper, or a card
// of a fixed character.
bool is_protected(const PoolCandidate& c, const PoolShape& shape) {
    return is_kept_by_count(c, shape) ||
           std::any_of(shape.fixed_characters.begin(), shape.fixed_characters.end(),
                       [&](i32 id) { return id == i32{c.character_id}; });
}

bool narrow_target(Target target) {
    return target == Target::POWER || target == Target::SKILL;
}

// Keeps the candidates whose flag is set, in their order.
void keep_flagged(std::vector<PoolCandidate>& candidates, const std::vector<u8>& keep) {
    usize out = 0;
    for (usize i = 0; i < candidates.size(); ++i)
        if (keep[i]) candidates[out++] = std::move(candidates[i]);
    candidates.resize(out);
}

// Phase a: the rarity and bonus condition. True when phase a' should follow.
bool rarity_filter(std::vector<PoolCandidate>& candidates, const PoolShape& shape) {
    const bool broad_event = shape.world_bloom || shape.final_chapter;
    const auto meets = [&](const PoolCandidate& c) {
        if (broad_event) return c.rarity > 2 || c.total_x10() > 0;
        return c.rarity > 3 || (c.total_x10() > 0 && c.character_bonus && c.attribute_bonus);
    };
    if (std::none_of(candidates.begin(), candidates.end(), meets)) return false;
    std::vector<u8> keep(candidates.size());
    for (usize i = 0; i < candidates.size(); ++i)
        keep[i] = is_protected(candidates[i], shape) || meets(candidates[i]);
    keep_flagged(candidates, keep);
    return true;
}

// Phase a': protected cards and, with `keep_high_bonus`, cards of 30 %
// bonus or more stay; the others compete per character for `places` ranks
// (bonus, rarity, weighted power).
void rank_per_character(std::vector<PoolCandidate>& candidates, const PoolShape& shape,
                        usize places, bool keep_high_bonus = true) {
    const auto ranked_bonus = [](const PoolCandidate& c) {
        const u32 e = c.total_x10();
        return (c.rarity > 3 && e == 0) ? u32{1} : e;
    };
    // a beats b when it ranks strictly better.
    const auto beats = [&](const PoolCandidate& a, const PoolCandidate& b) {
        if (ranked_bonus(a) != ranked_bonus(b)) return ranked_bonus(a) > ranked_bonus(b);
        if (a.rarity != b.rarity) return a.rarity > b.rarity;
        return a.weighted_power() > b.weighted_power();
    };
    std::vector<u8> keep(candidates.size(), 0);
    std::array<std::vector<usize>, CHARACTER_SLOTS> ranked;
    for (usize i = 0; i < candidates.size(); ++i) {
        const PoolCandidate& c = candidates[i];
        if (is_protected(c, shape) || (keep_high_bonus && c.total_x10() >= ALWAYS_KEPT_BONUS_X10)) {
            keep[i] = 1;
            continue;
        }
        std::vector<usize>& list = ranked[character_slot(c.character_id)];
        usize place = 0;
        while (place < list.size() && !beats(c, candidates[list[place]]))
            ++place;
        if (place >= places) continue;
        if (list.size() == places) {
            keep[list.back()] = 0;
            list.pop_back();
        }
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(place), i);
        keep[i] = 1;
    }
    keep_flagged(candidates, keep);
}

// Keeps, in the candidates' current order, every one `always` keeps and the
// first `per_character` others of each character.
template <class Always>
void keep_first_per_character(std::vector<PoolCandidate>& candidates, usize per_character,
                              Always always) {
    std::array<usize, CHARACTER_SLOTS> taken{};
    std::vector<u8> keep(candidates.size(), 0);
    for (usize i = 0; i < candidates.size(); ++i) {
        const PoolCandidate& c = candidates[i];
        if (always(c)) {
            keep[i] = 1;
        } else if (taken[character_slot(c.character_id)] < per_character) {
            ++taken[character_slot(c.character_id)];
            keep[i] = 1;
        }
    }
    keep_flagged(candidates, keep);
}

// Phases b and c: by weighted power, fixed cards and the first `per_character`
// others of each character, left in weighted-power order.
void keep_per_character(std::vector<PoolCandidate>& candidates, const PoolShape& shape,
                        usize per_character) {
    builder_stable_sort(candidates, [](const PoolCandidate& a, const PoolCandidate& b) {
        return a.weighted_power() > b.weighted_power();
    });
    keep_first_per_character(candidates, per_character,
                             [&](const PoolCandidate& c) { return is_kept_by_count(c, shape); });
}

// Phase d: by the target's own key, protected cards and the first 10 others
// of each character. Card ids break the last ties, larger first.
void keep_best_by_key(std::vector<PoolCandidate>& candidates, const PoolShape& shape) {
    const bool ascending = shape.target == Target::POWER && shape.minimize;
    const auto key = [&](const PoolCandidate& c) -> i64 {
        return shape.target == Target::POWER ? std::max(c.power, 0) : c.skill_value;
    };
    builder_stable_sort(candidates, [&](const PoolCandidate& a, const PoolCandidate& b) {
        if (key(a) != key(b)) return ascending ? key(a) < key(b) : key(a) > key(b);
        if (a.rarity != b.rarity) return ascending ? a.rarity < b.rarity : a.rarity > b.rarity;
        return a.card_id > b.card_id;
    });
    keep_first_per_character(candidates, KEY_CUT_PER_CHARACTER,
                             [&](const PoolCandidate& c) { return is_protected(c, shape); });
}

// Marks, for each character, the candidate of the largest skill value: its
// main byte, which bounds every value the deck evaluator resolves for it
// (unit-count, diff and reference skills included). Ties go to the larger
// power, then the larger card id, then the earlier candidate.
//
// Why these suffice: a deck holds five characters once each, and its score
// up, the leader's value plus a fifth of the others', never falls when a
// card's value rises, whichever card leads (the first slot, or the best
// value). So when skills do not depend on the deck, swapping each card of a
// deck that meets the bound, fixed cards and fixed characters' cards aside,
// for its character's keeper gives a deck of the pool that meets it too, and
// the keepers of the five best characters reach the largest score up there
// is. A skill that depends on the deck reaches its largest value only in
// some decks; its card is kept for those.
void mark_score_up_keepers(std::vector<PoolCandidate>& candidates) {
    std::array<PoolCandidate*, 256> best{};
    const auto better = [](const PoolCandidate& a, const PoolCandidate& b) {
        if (a.skill_value != b.skill_value) return a.skill_value > b.skill_value;
        if (a.power != b.power) return a.power > b.power;
        return a.card_id > b.card_id;
    };
    for (PoolCandidate& c : candidates) {
        PoolCandidate*& slot = best[c.character_id];
        if (slot == nullptr || better(c, *slot)) slot = &c;
    }
    for (PoolCandidate* c : best)
        if (c != nullptr) c->score_up_keeper = true;
}

}  // namespace

void trim_candidates(std::vector<PoolCandidate>& candidates, const PoolShape& shape) {
    if (shape.score_up_bound) mark_score_up_keepers(candidates);
    // a, a'. The rarity filter runs for events the card power step left
    // alone; the per-character ranking follows it, or runs alone after that
    // step's own thinning.
    const bool rarity_phase = shape.has_event && !shape.prefiltered &&
                              !narrow_target(shape.target) &&
                              candidates.size() >= RARITY_FILTER_MIN;
    if (rarity_phase && rarity_filter(candidates, shape)) {
        if (candidates.size() >= RARITY_FILTER_MIN)
            rank_per_character(candidates, shape, shape.final_chapter ? 16 : 6);
    } else if (shape.prefiltered && candidates.size() >= RARITY_FILTER_MIN) {
        rank_per_character(candidates, shape, 6);
    }
    // b. Challenge lives.
    if (is_challenge(shape.live_type) && candidates.size() >= CHALLENGE_MIN)
        keep_per_character(candidates, shape, CHALLENGE_PER_CHARACTER);
    // c. Broad targets outside the World Bloom events.
    if (!is_challenge(shape.live_type) && !narrow_target(shape.target) && !shape.world_bloom &&
        !shape.final_chapter && candidates.size() >= BROAD_MIN)
        keep_per_character(candidates, shape, BROAD_PER_CHARACTER);
    // d. Power and skill targets.
    if (narrow_target(shape.target) && candidates.size() >= KEY_CUT_MIN)
        keep_best_by_key(candidates, shape);
    // a''. Still more than a pool holds (a large, well-levelled collection in
    // the final chapter, where a' keeps every card of 30 % or more): rank
    // those cards too, then take fewer places per character until the rest
    // fits. Protected cards always stay; when they alone do not fit, the
    // capacity check reports it. Requests that fit never reach this.
    if (candidates.size() > CardPool::MAX_CARDS) {
        for (usize places = shape.final_chapter ? 16 : 6;; --places) {
            std::vector<PoolCandidate> ranked = candidates;
            rank_per_character(ranked, shape, places, false);
            if (ranked.size() <= CardPool::MAX_CARDS || places == 0) {
                candidates = std::move(ranked);
                break;
            }
        }
    }
}

}  // namespace vdz
