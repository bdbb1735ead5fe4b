// The dominance relation compares exactly what the evaluator can read of a
// card: its eight power variants, its skill, both parts of its event bonus,
// in the final chapter its leader bonuses, its attribute, its units and,
// with World Bloom support, what it costs the support deck.
#include "search/dominance.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "common/check.h"
#include "common/numeric.h"

namespace vdz {
namespace {

// The support list that applies while character c leads the deck's list.
const SupportDeckList& support_list_for(const SearchContext& context, usize c) {
    const auto& per_character = context.world_bloom_support.per_character;
    if (context.final_chapter && c < per_character.size() && per_character[c].count != 0)
        return per_character[c];
    return context.world_bloom_support.general;
}

// Side-table entry of a 1-based code; code 0 reads entry 0.
usize table_index(u8 code) {
    return code == 0 ? 0 : usize{code} - 1;
}

template <usize N>
bool record_at_least(const std::vector<std::array<u8, N>>& table, u8 code_a, u8 code_b,
                     usize first_compared) {
    const usize a = table_index(code_a);
    const usize b = table_index(code_b);
    if (a >= table.size() || b >= table.size()) return false;
    for (usize k = 0; k < first_compared; ++k)
        if (table[a][k] != table[b][k]) return false;
    for (usize k = first_compared; k < N; ++k)
        if (table[a][k] < table[b][k]) return false;
    return true;
}

bool skill_at_least(const CardPool& pool, u16 a, u16 b) {
    const u8 kind = pool.skill_kind(a);
    if (kind != pool.skill_kind(b)) return false;
    const u8 ca = pool.skill_code(a);
    const u8 cb = pool.skill_code(b);
    switch (kind) {
        case CardPool::SKILL_PLAIN:
            return ca >= cb;
        // The selector byte must match; the five values compare.
        case CardPool::SKILL_UNIT_COUNT:
            return record_at_least(pool.unit_count_table(), ca, cb, 1);
        case CardPool::SKILL_DIFF:
            return record_at_least(pool.diff_table(), ca, cb, 0);
        case CardPool::SKILL_REF_KIND:
            return record_at_least(pool.ref_table(), ca, cb, 0);
        default:
            return false;
    }
}

u16 entry_or_zero(const std::vector<u16>& v, u16 i) {
    return i < v.size() ? v[i] : u16{0};
}

bool dominates(const CardPool& pool, const SearchContext& context, const SupportLossMatrix* matrix,
               u16 a, u16 b) {
    // 1. Power in every deck shape.
    for (usize k = 0; k < 8; ++k)
        if (pool.unit_value(a, k) < pool.unit_value(b, k)) return false;
    // 2. Skill.
    if (!skill_at_least(pool, a, b)) return false;
    // 3. Event bonus, each part on its own.
    const u16 limited_a = pool.limited_x10(a);
    const u16 limited_b = pool.limited_x10(b);
    const u16 total_a = pool.event_bonus(a).total_x10();
    const u16 total_b = pool.event_bonus(b).total_x10();
    VDZ_ASSERT(limited_a <= total_a && limited_b <= total_b);
    if (limited_a < limited_b || total_a - limited_a < total_b - limited_b) return false;
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
    // 7. No larger loss of support bonus under any character's list.
    if (matrix != nullptr) {
        const i32* ra = matrix->row(a);
        const i32* rb = matrix->row(b);
        for (usize c = 0; c < SupportLossMatrix::COLUMNS; ++c)
            if (ra[c] > rb[c]) return false;
    }
    return true;
}

}  // namespace

std::optional<SupportLossMatrix> build_support_loss_matrix(const CardPool& pool,
                                                           const SearchContext& context) {
    // 1.
    if (!context.world_bloom) return std::nullopt;
    // 2. The last pool card of each id.
    const u16 n = pool.count();
    std::unordered_map<u16, u16> index_of;
    for (u16 i = 0; i < n; ++i)
        index_of[pool.card_id(i)] = i;
    // 3.
    SupportLossMatrix matrix;
    matrix.cells.assign(SupportLossMatrix::COLUMNS * n, 0);
    bool written = false;
    // 4. A support card placed in the main deck frees its place for the
    // first card outside the support deck, so it loses the difference.
    for (usize c = 0; c < SupportLossMatrix::COLUMNS; ++c) {
        const SupportDeckList& list = support_list_for(context, c);
        const usize k = list.count;
        if (k == 0) continue;
        const double threshold = list.entries.size() > k ? list.entries[k].value : 0.0;
        for (usize e = 0; e < std::min(k, list.entries.size()); ++e) {
            const double lost = std::max(list.entries[e].value - threshold, 0.0) * 100.0;
            const i32 loss = std::isnan(lost) ? 0 : round_to_i32(lost);
            if (loss == 0) continue;
            const auto found = index_of.find(list.entries[e].card_id);
            if (found == index_of.end()) continue;
            matrix.cells[SupportLossMatrix::COLUMNS * found->second + c] = loss;
            written = true;
        }
    }
    // 5.
    if (!written) return std::nullopt;
    return matrix;
}

PruneOutcome prune_dominated_cards(const CardPool& pool, const SearchContext& context,
                                   const SupportLossMatrix* matrix) {
    const u16 n = pool.count();
    VDZ_ASSERT(matrix == nullptr || matrix->cells.size() == SupportLossMatrix::COLUMNS * n);
    // 1.
    PruneOutcome out{std::vector<u8>(n, 1), std::vector<u16>(n, 0)};
    const auto fixed = [&](u16 card) {
        return std::find(context.fixed_cards.begin(), context.fixed_cards.end(),
                         pool.card_id(card)) != context.fixed_cards.end();
    };
    // 2. Within each character; a card removes others only while it survives.
    std::vector<u16> members;
    for (u8 g = 0; g < CardPool::CHARACTER_SLOTS; ++g) {
        members.clear();
        for (u16 i = 0; i < n; ++i)
            if (pool.character_id(i) == g) members.push_back(i);
        for (const u16 a : members) {
            if (out.keep[a] != 1) continue;
            for (const u16 b : members) {
                if (b == a || out.keep[b] != 1 || fixed(b)) continue;
                if (!dominates(pool, context, matrix, a, b)) continue;
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
