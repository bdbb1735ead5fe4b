// Driver of the final-chapter search: the deadline, the best-decks list, the
// suffix tables and the order of work. Designated mode tries each leader card
// of its character; all-characters mode seeds the list heuristically, then
// runs every leader of every character in order of falling bound, so the
// strongest leaders raise the bar early and later ones are skipped.
#include "search/final_chapter/final_chapter.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "common/numeric.h"
#include "search/bounds/skill_ceiling.h"
#include "search/final_chapter/final_card_search.h"
#include "search/final_chapter/final_group_search.h"
#include "search/final_chapter/final_groups.h"
#include "search/final_chapter/final_heuristics.h"
#include "search/final_chapter/final_tied_bound.h"
#include "search/pruning/dominance.h"

namespace vdz {
namespace {

// Cards the heuristic seeding builds decks around.
constexpr usize SEED_CARDS = 16;

// Per pool card, the most its skill resolves to in a deck of the search,
// for the score-up lower bound: its skill byte is the most in any deck,
// and the pool's cards and the request often rule that out (a reference
// skill keeps its plain value in mysekai, a unit-count skill needs its
// unit's cards). A final-chapter deck holds five characters.
std::vector<u8> score_up_skills(const CardPool& pool, const SearchContext& context) {
    std::vector<u8> out(pool.count());
    for (u16 i = 0; i < pool.count(); ++i)
        out[i] = pool.skill_value(i);
    if (!context.multi_live_score_up_lower_bound) return out;
    std::vector<u16> cards(pool.count());
    for (u16 i = 0; i < pool.count(); ++i)
        cards[i] = i;
    const SkillCeilings ceilings(pool, context, cards, false);
    for (u16 i = 0; i < pool.count(); ++i)
        out[i] = std::min(out[i], ceilings.of(i));
    return out;
}

// Card i is at least as good a leader as card j: in power, skill (by every
// value it can resolve to), bonus (the limited part as the leader's, which
// takes a counted place first; `largest_limited` is the pool's largest),
// attribute and units, and in what it can cost its own character's support
// deck (`cost_i`, `cost_j`: a card that costs more support can lead to worse
// decks).
bool leader_dominates(const CardPool& pool, const SearchContext& c, u16 largest_limited, u16 i,
                      u16 j, i32 cost_i, i32 cost_j) {
    // The cheap tests first: most pairs differ in attribute.
    if (pool.attr(i) != pool.attr(j) || cost_i > cost_j) return false;
    for (usize v = 0; v < 8; ++v)
        if (pool.unit_value(i, v) < pool.unit_value(j, v)) return false;
    return skill_at_least(pool, c, i, j) &&
           limited_at_least(c, pool.limited_x10(i), pool.limited_x10(j), largest_limited) &&
           base_x10(pool, i) >= base_x10(pool, j) &&
           entry_or_zero(c.leader_honor_bonus, i) >= entry_or_zero(c.leader_honor_bonus, j) &&
           entry_or_zero(c.leader_limit_bonus, i) >= entry_or_zero(c.leader_limit_bonus, j) &&
           (pool.unit_mask(j) & ~pool.unit_mask(i)) == 0;
}

// Pool indices ordered by the quick estimate, ties by the lower index.
std::vector<u16> by_quick_estimate(const CardPool& pool, std::vector<u16> cards) {
    std::vector<std::pair<u64, u16>> keyed;
    for (const u16 i : cards)
        keyed.emplace_back(quick_estimate(pool, i), i);
    sort_by_key_desc(keyed);
    for (usize k = 0; k < keyed.size(); ++k)
        cards[k] = keyed[k].second;
    return cards;
}

// The leaders of character c, by quick estimate. A dominated leader leads
// no better deck than its dominator with the same four cards, so it cannot
// lead the single best deck; of several best decks it may lead one, so it
// stays unless one deck is asked for.
std::vector<u16> leader_candidates(const CardPool& pool, const SearchContext& context, u8 c,
                                   u64 limit, const FinalConstraints& rules = {}) {
    std::vector<u16> cards;
    for (u16 i = 0; i < pool.count(); ++i)
        if (pool.character_id(i) == c &&
            (!rules.leader_card_id || pool.card_id(i) == *rules.leader_card_id))
            cards.push_back(i);
    cards = by_quick_estimate(pool, std::move(cards));
    return limit <= 1 ? drop_dominated_cards(pool, context, std::move(cards)) : cards;
}

// One character's groups and their suffix table, kept while its leaders are
// searched. The first `required` groups are the ones every deck must hold.
struct GroupSet {
    std::vector<CharacterGroup> groups;
    std::vector<GroupSuffixEntry> suffix;
    usize required = 0;

    // The required groups, chosen before the search starts.
    std::array<usize, 4> chosen() const {
        std::array<usize, 4> c{};
        for (usize k = 0; k < required; ++k)
            c[k] = k;
        return c;
    }
};

// One leader card to search in all-characters mode.
struct GroupSearchTask {
    usize group_set = 0;
    LeaderValues leader;
    u64 bound = 0;
};

// Everything one call owns besides its result.
struct FinalSearch {
    const CardPool& pool;
    const SearchContext& context;
    u64 limit;
    SuffixTables tables;
    std::vector<u8> mask;
    TopDecks best;
    SearchCounters counters;
    Deadline deadline;
    std::vector<u32> plain_power;                // per pool card: its power in a plain deck
    std::vector<UnitCountSkill> skill_by_count;  // per pool card
    std::vector<u8> score_up_skill;              // per pool card: its skill ceiling
    // The heuristics' and seed decks' bound, once the tables above are made.
    std::optional<FinalDeckBound> deck_bound;

    // The card's values as a leader, its skill ceiling included.
    LeaderValues leader_of(u16 card) const {
        LeaderValues l = leader_values(pool, context, card);
        l.score_up_skill = score_up_skill[card];
        return l;
    }

    u64 bound_of(const GroupSet& set, const LeaderValues& leader,
                 const LeaderShapes& shapes) const {
        return group_upper_bound(tables, context.limited_bonus_count, set.groups, set.suffix,
                                 set.required, set.chosen(), set.required, leader, shapes);
    }

    bool reaches_score_up(const GroupSet& set, const LeaderValues& leader) const {
        return group_reaches_score_up(context, set.groups, set.suffix, set.required, set.chosen(),
                                      set.required, leader);
    }

    // The deadline: read now, for the loops over large pieces of work...
    bool out_of_time() { return deadline.reached(); }
    // ...counted with `units` more of work, for those over small pieces...
    bool out_of_time_after(u64 units) { return deadline.advance(units); }
    // ...or as the last count left it, after a piece that counts its own.
    bool stopped() const { return deadline.expired(); }

    // Skips the leader when the list is full and its bound cannot beat it.
    bool skip(u64 bound) {
        if (!cannot_beat(best, bound)) return false;
        ++counters.leaders_skipped;
        return true;
    }

    void search_leader(const GroupSet& set, const LeaderValues& leader,
                       const LeaderShapes& shapes) {
        GroupSearchState gs;
        gs.groups = set.groups;
        gs.group_suffix = set.suffix;
        gs.leader = leader;
        gs.shapes = &shapes;
        gs.plain_power = plain_power;
        gs.skill_by_count = skill_by_count;
        gs.score_up_skill = score_up_skill;
        gs.pool = &pool;
        gs.context = &context;
        gs.tables = &tables;
        gs.support = &final_support_list(context, pool.character_id(leader.card));
        gs.best = &best;
        gs.counters = &counters;
        gs.deadline = &deadline;
        std::tie(gs.leader_support_sum, gs.leader_support_end) = leader_support(gs);
        const TiedLeader tied = tied_leader(gs);
        gs.tied = &tied;
        std::array<usize, 4> chosen = set.chosen();
        search_character_groups(gs, set.required, set.required, chosen);
    }

    GroupSet group_set(u8 c, const FinalConstraints& rules = {}) {
        GroupSet set;
        set.groups = build_character_groups(pool, context, c, mask, limit, rules, score_up_skill);
        set.required = required_group_count(set.groups, rules);
        if (set.groups.size() >= 4) set.suffix = build_group_suffix_table(set.groups);
        return set;
    }

    void designated(u8 c) {
        const FinalConstraints rules = final_constraints(pool, context, c);
        if (!rules.satisfiable) return;
        const GroupSet set = group_set(c, rules);
        // Every required character needs its group, and at most four fit.
        const usize required = static_cast<usize>(bit_count(rules.required));
        if (set.groups.size() < 4 || set.required != required || required > 4) return;
        for (const u16 card : leader_candidates(pool, context, c, limit, rules)) {
            if (out_of_time()) return;
            const LeaderValues leader = leader_of(card);
            if (!reaches_score_up(set, leader)) {
                ++counters.leaders_skipped;
                continue;
            }
            evaluate_and_record_final(pool, context, set.groups, card, best, deadline, set.required,
                                      &*deck_bound);
            if (stopped()) return;
            const LeaderShapes shapes = leader_shapes(pool, set.groups, card);
            if (best.full() && skip(bound_of(set, leader, shapes))) continue;
            search_leader(set, leader, shapes);
        }
    }

    void all_characters() {
        // 1. Decks around the best cards of all characters.
        std::vector<u16> all(pool.count());
        for (u16 i = 0; i < pool.count(); ++i)
            all[i] = i;
        const std::vector<u16> seeds =
            drop_dominated_cards(pool, context, by_quick_estimate(pool, std::move(all)));
        for (usize k = 0; k < std::min(seeds.size(), SEED_CARDS); ++k) {
            final_chapter_best_with_card(pool, context, mask, best, counters, seeds[k], deadline,
                                         &*deck_bound);
            if (stopped()) return;
        }
        // 2. One-card replacements of the decks kept so far.
        const std::vector<DeckEntry> kept = best.entries();
        for (const DeckEntry& e : kept) {
            // As many refinements as kept decks: a large `limit` makes this
            // step long enough to need the deadline.
            if (out_of_time()) return;
            final_chapter_refine_deck(pool, context, e, best, counters, &*deck_bound);
        }
        // 3. Per character: groups, each leader's seed deck and bound. Every
        // leader is a task: the best deck may be led by any of them, and the
        // bounds skip those that cannot beat the list.
        std::vector<GroupSet> sets;
        std::vector<GroupSearchTask> tasks;
        for (u8 c = 1; c <= 26; ++c) {
            GroupSet set = group_set(c);
            if (set.groups.size() < 4) continue;
            const std::vector<u16> leaders = leader_candidates(pool, context, c, limit);
            // The groups and the leaders each took a pass over the pool.
            if (out_of_time_after(2 * u64{pool.count()})) return;
            for (const u16 card : leaders) {
                const LeaderValues leader = leader_of(card);
                if (out_of_time_after(set.groups.size())) return;
                if (!reaches_score_up(set, leader)) continue;
                evaluate_and_record_final(pool, context, set.groups, card, best, deadline, 0,
                                          &*deck_bound);
                if (stopped()) return;
                tasks.push_back(
                    {sets.size(), leader,
                     bound_of(set, leader, leader_shapes(pool, set.groups, leader.card, false))});
            }
            sets.push_back(std::move(set));
        }
        // 4. Strongest bound first, ties by leader index.
        std::sort(tasks.begin(), tasks.end(), [](const auto& a, const auto& b) {
            return a.bound != b.bound ? a.bound > b.bound : a.leader.card < b.leader.card;
        });
        // 5. Search each task the list does not already rule out.
        for (const GroupSearchTask& task : tasks) {
            if (out_of_time()) return;
            if (skip(task.bound)) continue;
            const GroupSet& set = sets[task.group_set];
            search_leader(set, task.leader, leader_shapes(pool, set.groups, task.leader.card));
        }
    }
};

}  // namespace

std::vector<u16> drop_dominated_cards(const CardPool& pool, const SearchContext& context,
                                      std::vector<u16> cards) {
    const usize n = cards.size();
    // Each cost once: the pairs are many, and each cost scans a support list.
    std::vector<i32> cost(n);
    for (usize k = 0; k < n; ++k)
        cost[k] = support_cost(pool, context, pool.character_id(cards[k]), cards[k]);
    const u16 largest_limited = largest_limited_bonus(pool);
    std::vector<u8> kept(n, 1);
    for (usize i = 0; i < n; ++i) {
        if (!kept[i]) continue;
        for (usize j = 0; j < n; ++j)
            if (j != i && kept[j] &&
                leader_dominates(pool, context, largest_limited, cards[i], cards[j], cost[i],
                                 cost[j]))
                kept[j] = 0;
    }
    usize out = 0;
    for (usize k = 0; k < n; ++k)
        if (kept[k]) cards[out++] = cards[k];
    cards.resize(out);
    return cards;
}

LeaderValues leader_values(const CardPool& pool, const SearchContext& c, u16 card) {
    LeaderValues l;
    const u16 limited = pool.limited_x10(card);
    l.power = pool.power(card);
    l.plain_power = pattern_power(pool, card, 0, 0);
    l.skill = pool.skill_value(card);
    l.score_up_skill = l.skill;
    l.bonus_x10 = base_x10(pool, card) + 10u * (entry_or_zero(c.leader_honor_bonus, card) +
                                                entry_or_zero(c.leader_limit_bonus, card));
    l.limited_x10 = limited;
    l.card = card;
    l.limited_counts = limited != 0 && c.limited_bonus_count != 0;
    l.units = pool.unit_mask(card);
    l.skill_by_count = skill_by_count(pool, card);
    if (!c.world_bloom) {
        // Never below 0: a negative value would wrap the bounds' 32-bit sums.
        l.support_x10 = 10u * static_cast<u32>(std::max(c.default_support_value, 0));
        return l;
    }
    // The support the deck can keep at best: the list without the leader,
    // and the best attribute bonus any deck can have.
    const SupportDeckList& list = final_support_list(c, pool.character_id(card));
    double sum = 0.0;
    usize added = 0;
    for (const SupportEntry& e : list.entries) {
        if (added >= list.count) break;
        if (e.card_id == pool.card_id(card)) continue;
        sum += e.value;
        ++added;
    }
    l.attr_bonus =
        *std::max_element(c.distinct_attr_bonus.begin() + 1, c.distinct_attr_bonus.end());
    l.support_x10 = support_tenths(std::max(sum, 0.0));
    return l;
}

std::optional<u8> final_leader_character(const CardPool& pool, const SearchContext& context) {
    if (context.designated_character) return context.designated_character;
    if (!context.fixed_cards.empty()) {
        for (u16 i = 0; i < pool.count(); ++i)
            if (pool.card_id(i) == context.fixed_cards[0]) return pool.character_id(i);
        return std::nullopt;
    }
    if (!context.fixed_characters.empty()) return context.fixed_characters[0];
    return std::nullopt;
}

FinalConstraints final_constraints(const CardPool& pool, const SearchContext& context,
                                   u8 character) {
    FinalConstraints rules;
    // 1. Each fixed card: the leader's own, or its character's only card.
    for (const u16 id : context.fixed_cards) {
        std::optional<u8> owner;
        for (u16 i = 0; i < pool.count() && !owner; ++i)
            if (pool.card_id(i) == id) owner = pool.character_id(i);
        if (!owner) {
            rules.satisfiable = false;
            continue;
        }
        std::optional<u16>& slot =
            *owner == character ? rules.leader_card_id : rules.card_id[*owner];
        // Two fixed cards of one character cannot share a deck.
        if (slot && *slot != id) rules.satisfiable = false;
        slot = id;
        if (*owner != character) rules.required |= 1u << *owner;
    }
    // 2. Each fixed character other than the leader's.
    for (const u8 c : context.fixed_characters) {
        if (c >= CardPool::CHARACTER_SLOTS) {
            rules.satisfiable = false;
        } else if (c != character) {
            rules.required |= 1u << c;
        }
    }
    return rules;
}

FinalChapterResult search_final_chapter(const CardPool& pool, const SearchContext& context,
                                        u64 limit, u64 timeout_ms, std::optional<u8> character,
                                        const SearchClock& clock) {
    FinalChapterResult result;
    if (pool.count() < 5) return result;
    // Fixed cards and characters always name a leader character.
    if (!character) character = final_leader_character(pool, context);
    const bool constrained = !context.fixed_cards.empty() || !context.fixed_characters.empty();
    if (!character && constrained) return result;
    FinalSearch search{pool,
                       context,
                       limit,
                       build_suffix_tables(pool, context),
                       context.card_enabled,
                       TopDecks(limit, false, pool_card_ids(pool)),
                       {},
                       Deadline(timeout_ms, clock),
                       {},
                       {},
                       {},
                       {}};
    for (u16 i = 0; i < pool.count(); ++i)
        search.plain_power.push_back(pattern_power(pool, i, 0, 0));
    for (u16 i = 0; i < pool.count(); ++i)
        search.skill_by_count.push_back(skill_by_count(pool, i));
    search.score_up_skill = score_up_skills(pool, context);
    search.deck_bound.emplace(pool, context, search.tables, search.skill_by_count);
    if (character) {
        search.designated(*character);
    } else {
        search.all_characters();
    }
    result.decks = std::move(search.best).take_entries();
    result.counters = search.counters;
    result.clock_reads = search.deadline.clock_reads();
    result.timed_out = search.deadline.expired();
    return result;
}

}  // namespace vdz
