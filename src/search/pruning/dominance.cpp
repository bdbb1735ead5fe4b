// The dominance relation compares exactly what the evaluator can read of a
// card: its eight power variants, its skill, both parts of its event bonus,
// in the final chapter its leader bonuses, its attribute, its units and,
// with World Bloom support, what it costs the support deck. A card that
// dominates another must give every deck at least the other's key.
#include "search/pruning/dominance.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <unordered_map>

#include "common/check.h"

namespace vdz {
namespace {

// The support list that applies while character c leads the deck.
const SupportDeckList& support_list_for(const SearchContext& context, usize c) {
    const auto& per_character = context.world_bloom_support.per_character;
    if (context.final_chapter && c < per_character.size() && per_character[c].count != 0)
        return per_character[c];
    return context.world_bloom_support.general;
}

// Side-table entry of a 1-based code, as the evaluator reads it: code 0 and
// codes past the table name no entry.
template <usize N>
const std::array<u8, N>* table_entry(const std::vector<std::array<u8, N>>& table, u8 code) {
    return code != 0 && code <= table.size() ? &table[code - 1u] : nullptr;
}

// Bytes [0, equal) of the two records match and the rest of a's are at least
// b's. A card without its record is compared with nothing.
template <usize N>
bool record_at_least(const std::vector<std::array<u8, N>>& table, u8 code_a, u8 code_b,
                     usize equal) {
    const auto* a = table_entry(table, code_a);
    const auto* b = table_entry(table, code_b);
    if (a == nullptr || b == nullptr) return false;
    for (usize k = 0; k < equal; ++k)
        if ((*a)[k] != (*b)[k]) return false;
    for (usize k = equal; k < N; ++k)
        if ((*a)[k] < (*b)[k]) return false;
    return true;
}

u16 entry_or_zero(const std::vector<u16>& v, u16 i) {
    return i < v.size() ? v[i] : u16{0};
}

// Whether the evaluator gives a card its special skill when it keeps the
// training state; without that option both skills are open to every card.
bool special_applies(const SearchContext& context, u16 card) {
    const auto flag = [card](const std::vector<u8>& v) { return card < v.size() && v[card] != 0; };
    return !context.keep_after_training_state ||
           (flag(context.skill_is_after_training) && !flag(context.trained_to_special_image));
}

bool dominates(const CardPool& pool, const SearchContext& context, const SupportLossMatrix* matrix,
               u16 largest_limited, u16 a, u16 b) {
    // 1. Power in every deck shape.
    for (usize k = 0; k < 8; ++k)
        if (pool.unit_value(a, k) < pool.unit_value(b, k)) return false;
    // 2. Skill.
    if (!skill_at_least(pool, context, a, b)) return false;
    // 3. Event bonus, each part on its own.
    const u16 limited_a = pool.limited_x10(a);
    const u16 limited_b = pool.limited_x10(b);
    const u16 total_a = pool.event_bonus(a).total_x10();
    const u16 total_b = pool.event_bonus(b).total_x10();
    VDZ_ASSERT(limited_a <= total_a && limited_b <= total_b);
    if (total_a - limited_a < total_b - limited_b) return false;
    if (context.final_chapter ? !limited_at_least(context, limited_a, limited_b, largest_limited)
                              : limited_a < limited_b) {
        return false;
    }
    // 4. Leader bonuses, read only where the leader carries them.
    if (context.final_chapter) {
        if (entry_or_zero(context.leader_honor_bonus, a) <
                entry_or_zero(context.leader_honor_bonus, b) ||
            entry_or_zero(context.leader_limit_bonus, a) <
                entry_or_zero(context.leader_limit_bonus, b)) {
            return false;
        }
    }
    // 5-6. Same attribute, and every unit of b.
    if (pool.attr(a) != pool.attr(b)) return false;
    if ((pool.unit_mask(b) & ~pool.unit_mask(a)) != 0) return false;
    // 7. No larger cost to the support deck under any leader's list.
    if (matrix != nullptr) {
        for (const SupportLossMatrix::List& list : matrix->lists)
            if (!SupportLossMatrix::costs_no_more(list, a, b)) return false;
    }
    return true;
}

}  // namespace

// A deck's limited bonuses count in its best order: the leader's first, when
// it has one, then the largest of the other four cards' in the places left.
// Beside the leader the sum of the largest never falls when one of them
// grows, so the larger bonus is the better. In the leader's slot a bonus
// takes a place from the others: with k places, a leader without one
// leaves the other four the sum of their k largest, a leader with one adds
// its own to the sum of their k - 1 largest. The larger bonus is then the
// better only when both leaders take a place or neither does, when the
// places cover every card anyway (none, or five and more), or when a's own
// is at least what the k-th largest of the others can be: the largest
// bonus of any card.
bool limited_at_least(const SearchContext& context, u16 limited_a, u16 limited_b, u16 largest) {
    if (limited_a < limited_b) return false;
    const u64 places = context.limited_bonus_count;
    if (places == 0 || places >= 5) return true;
    return limited_b != 0 || limited_a == 0 || limited_a >= largest;
}

u16 largest_limited_bonus(const CardPool& pool) {
    u16 largest = 0;
    for (u16 i = 0; i < pool.count(); ++i)
        largest = std::max(largest, pool.limited_x10(i));
    return largest;
}

// Kinds 2 and 3 resolve to their plain value (the secondary byte), to the
// record's value, capped by the skill value for kind 2, or, under the
// training state, to just one of them.
bool skill_at_least(const CardPool& pool, const SearchContext& context, u16 a, u16 b) {
    const u8 kind = pool.skill_kind(a);
    if (kind != pool.skill_kind(b)) return false;
    const u8 ca = pool.skill_code(a);
    const u8 cb = pool.skill_code(b);
    const bool resolves_alike = pool.skill_secondary(a) >= pool.skill_secondary(b) &&
                                special_applies(context, a) == special_applies(context, b);
    switch (kind) {
        case CardPool::SKILL_PLAIN:
            return ca >= cb;
        // The counted unit must match; the five values compare.
        case CardPool::SKILL_UNIT_COUNT:
            return record_at_least(pool.unit_count_table(), ca, cb, 1);
        case CardPool::SKILL_DIFF:
            return resolves_alike && pool.skill_value(a) >= pool.skill_value(b) &&
                   record_at_least(pool.diff_table(), ca, cb, 0);
        case CardPool::SKILL_REF_KIND:
            return resolves_alike && record_at_least(pool.ref_table(), ca, cb, 0);
        default:
            return false;
    }
}

bool SupportLossMatrix::costs_no_more(const List& list, u16 a, u16 b) {
    const auto values = [&](u16 card) {
        return std::span<const double>(list.values)
            .subspan(list.first[card], list.first[usize{card} + 1] - list.first[card]);
    };
    const std::span<const double> va = values(a);
    const std::span<const double> vb = values(b);
    // A deck takes entries in list order; without order only cards outside
    // the list compare.
    if (!list.ordered) return va.empty() && vb.empty();
    // Swapping b's entries back into the list for a's leaves every rank of
    // the remaining list at least as good, so the support sum too.
    if (va.size() > vb.size()) return false;
    for (usize k = 0; k < va.size(); ++k)
        if (va[k] > vb[k]) return false;
    return true;
}

std::optional<SupportLossMatrix> build_support_loss_matrix(const CardPool& pool,
                                                           const SearchContext& context) {
    if (!context.world_bloom) return std::nullopt;
    const u16 n = pool.count();
    // Every pool card of each id: the skill variants of one card share it.
    std::unordered_map<u16, std::vector<u16>> cards_of;
    for (u16 i = 0; i < n; ++i)
        cards_of[pool.card_id(i)].push_back(i);
    // The distinct lists some leader's character brings into play.
    std::vector<const SupportDeckList*> used;
    for (usize c = 0; c < CardPool::CHARACTER_SLOTS; ++c) {
        const SupportDeckList* list = &support_list_for(context, c);
        if (list->count == 0) continue;
        if (std::find(used.begin(), used.end(), list) == used.end()) used.push_back(list);
    }
    SupportLossMatrix matrix;
    bool any = false;
    for (const SupportDeckList* list : used) {
        // A deck drops at most the entries of its five cards, so it takes
        // nothing past `count` plus five times the most entries of one id.
        // Counted by id in a flat table: lists name thousands of cards, a
        // node per id cost more than the rest of the pool's pruning.
        u16 largest_id = 0;
        for (const SupportEntry& e : list->entries)
            largest_id = std::max(largest_id, e.card_id);
        std::vector<u32> entries_of(usize{largest_id} + 1, 0);
        usize most = 0;
        for (const SupportEntry& e : list->entries)
            most = std::max<usize>(most, ++entries_of[e.card_id]);
        const usize reach = std::min(list->entries.size(), usize{list->count} + 5 * most);
        std::vector<std::vector<double>> per_card(n);
        SupportLossMatrix::List costs;
        for (usize e = 0; e < reach; ++e) {
            const double v = list->entries[e].value;
            if (!std::isfinite(v) || v < 0.0 || (e > 0 && v > list->entries[e - 1].value))
                costs.ordered = false;
            const auto found = cards_of.find(list->entries[e].card_id);
            if (found == cards_of.end()) continue;
            for (const u16 card : found->second)
                per_card[card].push_back(v);
            any = true;
        }
        costs.first.reserve(usize{n} + 1);
        for (u16 i = 0; i < n; ++i) {
            costs.first.push_back(static_cast<u32>(costs.values.size()));
            costs.values.insert(costs.values.end(), per_card[i].begin(), per_card[i].end());
        }
        costs.first.push_back(static_cast<u32>(costs.values.size()));
        matrix.lists.push_back(std::move(costs));
    }
    if (!any) return std::nullopt;
    return matrix;
}

PruneOutcome prune_dominated_cards(const CardPool& pool, const SearchContext& context,
                                   const SupportLossMatrix* matrix) {
    const u16 n = pool.count();
    if (matrix != nullptr)
        for ([[maybe_unused]] const SupportLossMatrix::List& list : matrix->lists)
            VDZ_ASSERT(list.first.size() == usize{n} + 1);
    // 1.
    PruneOutcome out{std::vector<u8>(n, 1), std::vector<u16>(n, 0)};
    const auto fixed = [&](u16 card) {
        return std::find(context.fixed_cards.begin(), context.fixed_cards.end(),
                         pool.card_id(card)) != context.fixed_cards.end();
    };
    // 2. Within each character; a card removes others only while it survives.
    const u16 largest_limited = largest_limited_bonus(pool);
    std::vector<u16> members;
    for (u8 g = 0; g < CardPool::CHARACTER_SLOTS; ++g) {
        members.clear();
        for (u16 i = 0; i < n; ++i)
            if (pool.character_id(i) == g) members.push_back(i);
        for (const u16 a : members) {
            if (out.keep[a] != 1) continue;
            for (const u16 b : members) {
                if (b == a || out.keep[b] != 1 || fixed(b)) continue;
                if (!dominates(pool, context, matrix, largest_limited, a, b)) continue;
                out.keep[b] = 0;
                out.dominator[b] = a;
            }
        }
    }
    return out;
}

DominatedLists collect_dominated_lists(const PruneOutcome& outcome) {
    const usize n = outcome.keep.size();
    DominatedLists lists(n);
    for (usize i = 0; i < n; ++i) {
        if (outcome.keep[i] & 1) continue;
        usize j = i;
        // A card is only removed by a survivor of that moment, so every
        // chain ends at a kept card within n steps.
        for (usize steps = 0; !(outcome.keep[j] & 1); ++steps) {
            VDZ_ASSERT(steps < n && outcome.dominator[j] < n);
            j = outcome.dominator[j];
        }
        lists[j].push_back(static_cast<u16>(i));
    }
    return lists;
}

}  // namespace vdz
