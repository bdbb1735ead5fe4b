// Card-level search. States are small values copied per child; candidate
// lists have a fixed capacity, so the search allocates nothing.
#include "search/final_chapter/final_card_search.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "common/check.h"
#include "common/numeric.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/final_chapter/final_child_bounds.h"
#include "search/final_chapter/final_deck_score.h"
#include "search/final_chapter/final_group_search.h"
#include "search/final_chapter/final_groups.h"
#include "search/final_chapter/final_tied_bound.h"

namespace vdz {
namespace {

// The deck power of every completion of placed cards whose power columns
// sum to `power` and plain powers to `plain`, by the groups from position
// d on. Once the cards span two attributes and share no unit, so does every
// completion, and each card counts its plain power. Otherwise either case
// may come: the plain one, or a deck sharing a unit or an attribute, whose
// cards each share one with the leader and count at most their columns.
// Where the leader's shapes are known, the placed cards' powers per shape
// `shapes` and the open groups' tables bound it by the deck's one shape.
u32 power_bound(const GroupSearchState& gs, const ChosenGroupTable& t, usize d, u32 power,
                u32 plain, u8 attr_mask, u8 common_units, const ShapeSums& shapes) {
    const u32 plain_total = plain + t.plain_power_sum[d];
    if (bit_count(attr_mask) >= 2 && common_units == 0) return plain_total;
    const u32 columns = std::max(plain_total, power + t.shared_power_sum[d]);
    const LeaderShapeSet& set = gs.shapes->shapes;
    if (!set.known) return columns;
    return std::min(columns, shaped_power_bound(set, shapes, t.open_shape_sums[d], common_units,
                                                bit_count(attr_mask) == 1));
}

// The most cards of each unit a completion of `s` can hold: the placed
// cards of the unit and one per open group with a card of it.
UnitCounts most_unit_cards(const ChosenGroupTable& t, usize d, const CardSearchState& s) {
    UnitCounts most{};
    for (usize u = 0; u < most.size(); ++u)
        most[u] = static_cast<u8>(std::min(s.unit_cards[u] + t.open_units[d][u], 5));
    return most;
}

// The skill value bounds of the ordered groups from position `from` on.
TopFive open_group_skills(const GroupSearchState& gs, const std::array<usize, 4>& order, usize from,
                          const UnitCounts& most) {
    TopFive top{};
    for (usize p = from; p < 4; ++p)
        insert_top_five(top, group_skill_bound(gs.groups[order[p]], most));
    return top;
}

// Bound of the deck totals (P, skill values, E) beside the leader's skill.
// Bonuses in tenths: `bonus` holds the placed cards' base bonuses and the
// open groups' largest, `rest_both` the open groups' largest sums of base
// and limited parts.
u64 bound_of(const GroupSearchState& gs, u32 power, const TopFive& skills, u32 leader, u32 bonus,
             u32 placed_bonus, const TopFive& limited, const TopFive& rest_limited, u32 rest_both,
             u32 support_x10, u8 attr_mask, usize open) {
    const SearchContext& c = *gs.context;
    // The counted limited bonuses, or every card's whole bonus: no card
    // counts more than its base and limited parts.
    const u32 limited_part =
        c.limited_bonus_count == 0
            ? 0
            : merged_top(limited, rest_limited, std::min<u64>(c.limited_bonus_count, 5));
    bonus = std::min(bonus + limited_part, placed_bonus + merged_top(limited, {}, 5) + rest_both);
    return final_bound_key(*gs.tables, power, skills, leader,
                           deck_bonus_percent(c, bonus, support_x10, attr_mask, open));
}

// Bound of a complete deck whose support entries sum to at most
// `support_x10` tenths.
[[maybe_unused]] u64 complete_deck_bound(const GroupSearchState& gs, const DeckSlots& deck,
                                         u32 support_x10) {
    return complete_final_deck_bound(*gs.pool, *gs.context, *gs.tables, gs.skill_by_count, deck,
                                     support_x10);
}

// Whether the first group's cheaper test lets through the complete deck
// `deck` of key `score` with each of its groups first: that group's card,
// and a card of its frontier, bound it.
[[maybe_unused]] bool first_card_bound_holds(const GroupSearchState& gs,
                                             const std::array<usize, 4>& order,
                                             const ChosenGroupTable& t, const DeckSlots& deck,
                                             u64 score) {
    const CardSearchState root = root_card_state(gs, t.open_units[0]);
    for (usize k = 0; k < 4; ++k) {
        std::array<usize, 4> first_k = order;
        std::rotate(first_k.begin(), first_k.begin() + static_cast<std::ptrdiff_t>(k),
                    first_k.begin() + static_cast<std::ptrdiff_t>(k + 1));
        const ChosenGroupTable tk = chosen_group_table(gs, first_k);
        const u64 own = first_card_bound(gs, first_k, tk, root, deck[k + 1]);
        if (score > own) return false;
        bool covered = false;
        for (const u16 c : gs.groups[first_k[0]].frontier)
            covered = covered || first_card_bound(gs, first_k, tk, root, c) >= own;
        if (!covered) return false;
    }
    return true;
}

// `complete_deck_bound` of the decks a node of four placed cards completes
// with each card of the last group, the placed cards' parts summed once:
// the deck's power and skill values depend on the last card only through
// its units and attribute, so the placed cards' share is kept per both.
class LastCardBounds {
  public:
    LastCardBounds(const GroupSearchState& gs, const DeckSlots& deck) : gs_(gs), deck_(deck) {
        const CardPool& pool = *gs.pool;
        for (usize k = 0; k < 4; ++k) {
            const u16 card = deck[k];
            units_ &= pool.unit_mask(card);
            for (usize u = 0; u < unit_cards_.size(); ++u)
                unit_cards_[u] += (pool.unit_mask(card) >> u) & 1u;
            attrs_ |= 1u << (pool.attr(card) & 7u);
            insert_top_five(limited_, pool.limited_x10(card));
            bonus_x10_ += base_x10(pool, card);
        }
    }

    // The bound of the deck completed by `card`, equal to
    // `complete_deck_bound` of that deck.
    u64 operator()(u16 card, u32 support_x10) {
        const CardPool& pool = *gs_.pool;
        const SearchContext& c = *gs_.context;
        const Share& share = share_for(pool.unit_mask(card), pool.attr(card));
        TopFive skills = share.skills, limited = limited_;
        insert_top_five(skills, skill_up_to(gs_.skill_by_count[card], share.unit_cards));
        insert_top_five(limited, pool.limited_x10(card));
        const u32 power = share.power + shape_power(pool, card, share.units, share.same_attr);
        const u32 bonus_x10 = bonus_x10_ + base_x10(pool, card) +
                              merged_top(limited, {}, std::min<u64>(c.limited_bonus_count, 5)) +
                              10u * (entry_or_zero(c.leader_honor_bonus, deck_[0]) +
                                     entry_or_zero(c.leader_limit_bonus, deck_[0]));
        return final_bound_key(*gs_.tables, power, skills, share.leader_skill,
                               deck_bonus_percent(c, bonus_x10, support_x10, share.attrs, 0));
    }

  private:
    // The placed cards' part of the decks whose last card has one unit
    // mask and attribute.
    struct Share {
        u8 card_units = 0, card_attr = 0;
        u32 units = 0;
        u8 attrs = 0;
        bool same_attr = false;
        UnitCounts unit_cards{};
        TopFive skills{};
        u32 leader_skill = 0, power = 0;
    };

    const Share& share_for(u8 card_units, u8 card_attr) {
        for (usize k = 0; k < count_; ++k)
            if (shares_[k].card_units == card_units && shares_[k].card_attr == card_attr)
                return shares_[k];
        Share& out = shares_[count_ < shares_.size() ? count_++ : shares_.size() - 1];
        const CardPool& pool = *gs_.pool;
        out.card_units = card_units;
        out.card_attr = card_attr;
        out.units = units_ & card_units;
        out.attrs = static_cast<u8>(attrs_ | (1u << (card_attr & 7u)));
        out.same_attr = bit_count(out.attrs) == 1;
        out.unit_cards = unit_cards_;
        for (usize u = 0; u < out.unit_cards.size(); ++u)
            out.unit_cards[u] = static_cast<u8>(out.unit_cards[u] + ((card_units >> u) & 1u));
        out.skills = {};
        out.power = 0;
        for (usize k = 0; k < 4; ++k) {
            insert_top_five(out.skills, skill_up_to(gs_.skill_by_count[deck_[k]], out.unit_cards));
            out.power += shape_power(pool, deck_[k], out.units, out.same_attr);
        }
        out.leader_skill = skill_up_to(gs_.skill_by_count[deck_[0]], out.unit_cards);
        return out;
    }

    const GroupSearchState& gs_;
    const DeckSlots& deck_;
    u32 units_ = 0x3F, attrs_ = 0, bonus_x10_ = 0;
    UnitCounts unit_cards_{};
    TopFive limited_{};
    std::array<Share, 8> shares_{};
    usize count_ = 0;
};

// The card `c` of the group at position `d` placed on the node `s`, the
// later groups completing it with their best, as the card search's quick
// bound of the child reads it, with the card's attribute and units read at
// their most favourable: the power at the larger of both cases (the plain
// case alone only applies to some children), the attribute bonus for any
// number of attributes the node's allows with 4 - d more cards (which
// includes every number the child's allows with 3 - d), and no score-up
// filter (it only drops children). With every other part of it at least
// the complete deck's, it also bounds a last card's deck. `most` and `open`
// are the node's most unit cards and the later groups' skill bounds.
// `ChildBounds::relaxed` sums the same once per node.
u64 relaxed_child_bound(const GroupSearchState& gs, const ChosenGroupTable& t, usize d,
                        const CardSearchState& s, const UnitCounts& most, const TopFive& open,
                        u16 c) {
    VDZ_ASSERT(d < 4 && s.placed_count == d + 1);
    const CardPool& pool = *gs.pool;
    const u32 placed_bonus = s.bonus_x10 + base_x10(pool, c);
    TopFive limited = s.limited_x10_top, skills = s.skill_top;
    insert_top_five(limited, pool.limited_x10(c));
    insert_top_five(skills, skill_up_to(gs.skill_by_count[c], most));
    u32 power = std::max(s.plain_power + gs.plain_power[c] + t.plain_power_sum[d + 1],
                         s.power + pool.power(c) + t.shared_power_sum[d + 1]);
    // In the deck's one shape the node's cards and the later groups are
    // worth at most their sums for it, and the card its column.
    const LeaderShapeSet& set = gs.shapes->shapes;
    if (set.known) {
        power = std::min(power, shaped_power_bound(set, s.shape_sums, t.open_shape_sums[d + 1],
                                                   s.common_units, bit_count(s.attr_mask) == 1) +
                                    pool.power(c));
    }
    return bound_of(gs, power, merged_top_five(skills, open), s.leader_skill,
                    placed_bonus + t.base_x10_sum[d + 1], placed_bonus, limited,
                    t.limited_x10_top[d + 1], t.bonus_and_limited_x10_sum[d + 1], s.support_x10,
                    s.attr_mask, 4 - d);
}

// The quick bound of the child placing card `c` of the group at position
// `d` on the node `s`, from the parent's support value; `ChildBounds::quick`
// sums the same once per node.
[[maybe_unused]] u64 quick_child_bound(const GroupSearchState& gs, const ChosenGroupTable& t,
                                       usize d, const CardSearchState& s, const UnitCounts& most,
                                       const TopFive& open, u16 c) {
    const CardPool& pool = *gs.pool;
    const u32 placed_bonus = s.bonus_x10 + base_x10(pool, c);
    TopFive limited = s.limited_x10_top, skills = s.skill_top;
    insert_top_five(limited, pool.limited_x10(c));
    insert_top_five(skills, skill_up_to(gs.skill_by_count[c], most));
    const u8 mask = static_cast<u8>(s.attr_mask | (1u << (pool.attr(c) & 7u)));
    const u8 common = static_cast<u8>(s.common_units & pool.unit_mask(c));
    ShapeSums shapes = s.shape_sums;
    add_shape_powers(pool, gs.shapes->shapes, c, common, bit_count(mask) == 1, shapes);
    const u32 power = power_bound(gs, t, d + 1, s.power + pool.power(c),
                                  s.plain_power + gs.plain_power[c], mask, common, shapes);
    return bound_of(gs, power, merged_top_five(skills, open), s.leader_skill,
                    placed_bonus + t.base_x10_sum[d + 1], placed_bonus, limited,
                    t.limited_x10_top[d + 1], t.bonus_and_limited_x10_sum[d + 1], s.support_x10,
                    mask, 3 - d);
}

// The frontier test of the group at position `d` against `worst`. Every
// value the relaxed child bound reads of a card grows it, and each card of
// the group is matched or beaten in all of them by the frontier cards of
// its cover mask, so a card covered by a failing one has a relaxed bound at
// most `worst` too; and the relaxed bound being at least the quick, the
// child's own and the last card's bound, the node need not ask any of them
// for that card. When no frontier card's bound beats the list, no card's
// does.
FrontierTest frontier_of(const std::vector<u16>& frontier, const ChildBounds& bounds, u64 worst) {
    FrontierTest out;
    for (usize k = 0; k < frontier.size(); ++k) {
        if (bounds.relaxed(frontier[k]) > worst) {
            out.any_beats = true;
        } else if (k < 64) {
            out.failing |= u64{1} << k;
        }
    }
    return out;
}

// The same at the node `s` of position `d`, whose state, `most` and `open`
// serve the debug builds' check of each bound against the card search's own.
FrontierTest frontier_test(const GroupSearchState& gs, const std::array<usize, 4>& order,
                           [[maybe_unused]] const ChosenGroupTable& t, usize d,
                           [[maybe_unused]] const CardSearchState& s,
                           [[maybe_unused]] const UnitCounts& most,
                           [[maybe_unused]] const TopFive& open, const ChildBounds& bounds,
                           u64 worst) {
    const std::vector<u16>& frontier = gs.groups[order[d]].frontier;
    for ([[maybe_unused]] const u16 c : frontier)
        VDZ_ASSERT(bounds.relaxed(c) == relaxed_child_bound(gs, t, d, s, most, open, c));
    return frontier_of(frontier, bounds, worst);
}

// Whether each node on the path to the complete deck `deck` of key `score`
// lets it through its bound and its frontier test: the node's bound, the
// relaxed bound of the path's card and the tied bound at the rate of the
// path card's own skill values hold the key, and a card of the group's
// frontier bounds at least as high.
[[maybe_unused]] bool frontier_bounds_hold(const GroupSearchState& gs,
                                           const std::array<usize, 4>& order,
                                           const ChosenGroupTable& t, const DeckSlots& deck,
                                           u64 score) {
    CardSearchState s = root_card_state(gs, t.open_units[0]);
    for (usize d = 0; d < 4; ++d) {
        const UnitCounts most = most_unit_cards(t, d, s);
        const TopFive open = open_group_skills(gs, order, d + 1, most);
        if (score > card_upper_bound(gs, order, t, d, s)) return false;
        const u64 own = relaxed_child_bound(gs, t, d, s, most, open, deck[d + 1]);
        if (score > own) return false;
        const ChildBounds bounds(gs, t, d, s, most, open);
        if (own != 0 && !frontier_test(gs, order, t, d, s, most, open, bounds, own - 1).any_beats)
            return false;
        if (d < 3 && t.tied.valid &&
            score > tied_key_at(t.tied, gs, tied_placed(gs, deck, d + 1), d + 1,
                                bounds.skills_with(deck[d + 1]), s.leader_skill))
            return false;
        // Each frontier card of the path card's cover mask bounds it.
        const CharacterGroup& g = gs.groups[order[d]];
        const auto at = std::find(g.cards.begin(), g.cards.end(), deck[d + 1]);
        if (at == g.cards.end()) return false;
        const u64 cover = g.cover[static_cast<usize>(at - g.cards.begin())];
        for (usize k = 0; k < g.frontier.size() && k < 64; ++k)
            if (((cover >> k) & 1u) &&
                relaxed_child_bound(gs, t, d, s, most, open, g.frontier[k]) < own)
                return false;
        s = place_card(gs, s, deck[d + 1], most);
    }
    return true;
}

// The deck's cards of the leader's unit among those of `s` and a card of
// units `more`.
u32 leader_unit_cards(const GroupSearchState& gs, const CardSearchState& s, u8 more) {
    const u8 unit = gs.leader.skill_by_count.unit;
    if (unit >= s.unit_cards.size()) return 0;
    return s.unit_cards[unit] + ((more >> unit) & 1u);
}

// Whether a deck completing placed cards whose ceilings sum to `placed`
// (the leader's included), `unit_cards` of them of the leader's unit, over
// the ordered groups from position p on can reach the score-up lower bound.
// If m of those groups give a card of the leader's unit, the leader's value
// is at most its value at that many cards and the groups' ceilings at most
// their sum for m; every m is tried.
bool score_up_open(const GroupSearchState& gs, const ChosenGroupTable& t, usize p, u32 placed,
                   u32 unit_cards) {
    const SearchContext& c = *gs.context;
    if (!c.multi_live_score_up_lower_bound) return true;
    const LeaderValues& l = gs.leader;
    const u32 others = placed - l.score_up_skill;
    for (usize m = 0; m <= t.leader_unit_groups[p]; ++m) {
        const u32 lead = std::min<u32>(l.score_up_skill,
                                       l.skill_by_count.up_to[std::min<u32>(unit_cards + m, 5)]);
        if (score_up_reachable(c, others + lead + t.score_up_with_leader_unit[p][m], lead))
            return true;
    }
    return false;
}

// A child of a node kept for ordered expansion; its state is rebuilt when
// it is expanded, which keeps the node's list small.
struct CardCandidate {
    u64 bound;
    u16 card;
};

}  // namespace

// The leader alone: its values, and the support entries its deck takes.
// Its skill is bounded for the most cards of each unit the four groups and
// the leader can hold.
ChosenGroupTable chosen_group_table(const GroupSearchState& gs, const std::array<usize, 4>& order) {
    ChosenGroupTable t;
    for (usize p = 4; p-- > 0;) {
        const CharacterGroup& g = gs.groups[order[p]];
        t.plain_power_sum[p] = t.plain_power_sum[p + 1] + g.max_plain_power;
        t.shared_power_sum[p] = t.shared_power_sum[p + 1] + gs.shapes->shared_power[order[p]];
        t.score_up_skill_sum[p] = t.score_up_skill_sum[p + 1] + g.max_score_up_skill;
        t.open_units[p] = t.open_units[p + 1];
        for (usize u = 0; u < t.open_units[p].size(); ++u)
            t.open_units[p][u] = static_cast<u8>(t.open_units[p][u] + ((g.units >> u) & 1u));
        t.base_x10_sum[p] = t.base_x10_sum[p + 1] + g.max_base_x10;
        t.bonus_and_limited_x10_sum[p] =
            t.bonus_and_limited_x10_sum[p + 1] + g.max_bonus_and_limited_x10;
        t.limited_x10_top[p] = t.limited_x10_top[p + 1];
        insert_top_five(t.limited_x10_top[p], g.max_limited_x10);
        const std::array<u32, 16>& entries = gs.shapes->group_shapes[order[p]];
        t.open_shape_sums[p] = t.open_shape_sums[p + 1];
        for (usize k = 0; k < 8; ++k)
            for (usize f = 0; f < 2; ++f)
                t.open_shape_sums[p][k][f] += entries[2 * k + f];
    }
    // Only the score-up lower bound reads the rest.
    if (!gs.context->multi_live_score_up_lower_bound) return t;
    // A group that gives the leader's unit a card gives up at most the gap
    // between its best ceiling and its best of that unit: the m smallest
    // gaps of the groups from p on leave the largest sum.
    const u8 unit = gs.leader.skill_by_count.unit;
    for (usize p = 0; p < 5; ++p) {
        std::array<u32, 4> gaps{};
        usize n = 0;
        for (usize q = p; q < 4; ++q) {
            const CharacterGroup& g = gs.groups[order[q]];
            if (unit < CardPool::UNIT_SLOTS && ((g.units >> unit) & 1u))
                gaps[n++] = g.max_score_up_skill - g.max_score_up_skill_by_unit[unit];
        }
        for (usize i = 1; i < n; ++i)
            for (usize j = i; j > 0 && gaps[j] < gaps[j - 1]; --j)
                std::swap(gaps[j], gaps[j - 1]);
        t.leader_unit_groups[p] = static_cast<u8>(n);
        t.score_up_with_leader_unit[p][0] = t.score_up_skill_sum[p];
        for (usize m = 1; m <= n; ++m)
            t.score_up_with_leader_unit[p][m] = t.score_up_with_leader_unit[p][m - 1] - gaps[m - 1];
    }
    return t;
}

std::pair<double, u64> leader_support(const GroupSearchState& gs) {
    if (!gs.context->world_bloom) return {0.0, 0};
    const SupportDeckList& list = *gs.support;
    const u16 id = gs.pool->card_id(gs.leader.card);
    double sum = 0.0;
    usize added = 0, k = 0;
    for (; k < list.entries.size() && added < list.count; ++k) {
        if (list.entries[k].card_id == id) continue;
        sum += list.entries[k].value;
        ++added;
    }
    return {sum, k};
}

CardSearchState root_card_state(const GroupSearchState& gs, const UnitCounts& open_units) {
    const CardPool& pool = *gs.pool;
    const LeaderValues& l = gs.leader;
    CardSearchState s;
    s.placed_count = 1;
    s.power = l.power;
    s.plain_power = l.plain_power;
    s.common_units = pool.unit_mask(l.card);
    s.score_up_skill = l.score_up_skill;
    UnitCounts most{};
    for (usize u = 0; u < most.size(); ++u) {
        s.unit_cards[u] = static_cast<u8>((pool.unit_mask(l.card) >> u) & 1u);
        most[u] = static_cast<u8>(std::min(s.unit_cards[u] + open_units[u], 5));
    }
    s.leader_skill = skill_up_to(l.skill_by_count, most);
    s.skill_top = {s.leader_skill, 0, 0, 0, 0};
    s.bonus_x10 = l.bonus_x10;
    s.limited_x10_top = {l.limited_x10, 0, 0, 0, 0};
    s.card_ids[0] = pool.card_id(l.card);
    s.attr_mask = static_cast<u8>(1u << (pool.attr(l.card) & 7u));
    // Every shape of the leader's holds the leader: its power per shape.
    for (usize k = 0; k < gs.shapes->shapes.count; ++k)
        for (usize f = 0; f < 2; ++f)
            s.shape_sums[k][f] = gs.shapes->leader_shape_power[2 * k + f];
#if !defined(NDEBUG) || defined(VDZ_CHECKS)
    ShapeSums own{};
    add_shape_powers(pool, gs.shapes->shapes, l.card, s.common_units, true, own);
    VDZ_ASSERT(own == s.shape_sums);
#endif
    s.support_sum = gs.leader_support_sum;
    s.support_end = gs.leader_support_end;
    s.support_x10 = support_tenths(s.support_sum);
    return s;
}

u64 first_card_bound(const GroupSearchState& gs, const std::array<usize, 4>& order,
                     const ChosenGroupTable& t, const CardSearchState& root, u16 c) {
    const UnitCounts most = most_unit_cards(t, 0, root);
    return relaxed_child_bound(gs, t, 0, root, most, open_group_skills(gs, order, 1, most), c);
}

FrontierTest first_group_frontier(const GroupSearchState& gs, const std::array<usize, 4>& order,
                                  const ChosenGroupsPart& part, u64 worst) {
    const FrontierTest out =
        frontier_of(gs.groups[order[0]].frontier, ChildBounds(gs, order, part), worst);
#if !defined(NDEBUG) || defined(VDZ_CHECKS)
    // The same test as the first node's, from its table and root.
    const ChosenGroupTable t = chosen_group_table(gs, order);
    const CardSearchState root = root_card_state(gs, t.open_units[0]);
    const UnitCounts most = most_unit_cards(t, 0, root);
    const TopFive open = open_group_skills(gs, order, 1, most);
    const FrontierTest check = frontier_test(gs, order, t, 0, root, most, open,
                                             ChildBounds(gs, t, 0, root, most, open), worst);
    VDZ_ASSERT(check.failing == out.failing && check.any_beats == out.any_beats);
#endif
    return out;
}

std::pair<u64, double> support_replacement_value(
    bool support_enabled, std::span<const SupportEntry> entries, u64 support_end,
    const std::array<u16, 5>& card_ids, u64 placed_count, u16 card_id, double support_sum) {
    if (!support_enabled) return {0, 0.0};
    const u64 count = entries.size();
    const u64 m = std::min(count, support_end);
    if (m == 0) return {support_end, support_sum};
    const usize placed = static_cast<usize>(std::clamp<u64>(placed_count, 1, 5));
    const auto is_placed = [&](u16 id) {
        return std::find(card_ids.begin(), card_ids.begin() + placed, id) !=
               card_ids.begin() + placed;
    };
    // 1. The counted entry of the new card, if any.
    usize found = m;
    for (usize k = 0; k < m; ++k) {
        if (entries[k].card_id == card_id && !is_placed(entries[k].card_id)) {
            found = k;
            break;
        }
    }
    if (found == m) return {support_end, support_sum};
    support_sum -= entries[found].value;
    if (support_end >= count) return {support_end, support_sum};
    // 2. The next entry neither placed nor the new card replaces it.
    for (u64 k = support_end; k < count; ++k) {
        const u16 id = entries[k].card_id;
        if (id == card_id || is_placed(id)) continue;
        return {k + 1, support_sum + entries[k].value};
    }
    return {count, support_sum};
}

CardSearchState place_card(const GroupSearchState& gs, const CardSearchState& s, u16 card,
                           const UnitCounts& most) {
    const CardPool& pool = *gs.pool;
    VDZ_ASSERT(s.placed_count < 5);
    CardSearchState n = s;
    n.power += pool.power(card);
    n.plain_power += gs.plain_power[card];
    n.common_units &= pool.unit_mask(card);
    n.score_up_skill += gs.score_up_skill[card];
    insert_top_five(n.skill_top, skill_up_to(gs.skill_by_count[card], most));
    for (usize u = 0; u < n.unit_cards.size(); ++u)
        n.unit_cards[u] = static_cast<u8>(n.unit_cards[u] + ((pool.unit_mask(card) >> u) & 1u));
    n.bonus_x10 += base_x10(pool, card);
    insert_top_five(n.limited_x10_top, pool.limited_x10(card));
    n.attr_mask |= static_cast<u8>(1u << (pool.attr(card) & 7u));
    // As `add_shape_powers` adds them, from the leader's table of the card.
    const LeaderShapeSet& set = gs.shapes->shapes;
    const ShapeSums& own = gs.shapes->card_shapes[card];
    const bool same_attr = bit_count(n.attr_mask) == 1;
    for (usize k = 0; k < set.count; ++k) {
        if ((set.units[k] & ~n.common_units) != 0) continue;
        n.shape_sums[k][0] += own[k][0];
        if (same_attr) n.shape_sums[k][1] += own[k][1];
    }
#if !defined(NDEBUG) || defined(VDZ_CHECKS)
    ShapeSums check = s.shape_sums;
    add_shape_powers(pool, set, card, n.common_units, same_attr, check);
    VDZ_ASSERT(check == n.shape_sums);
#endif
    std::tie(n.support_end, n.support_sum) =
        support_replacement_value(gs.context->world_bloom, gs.support->entries, s.support_end,
                                  s.card_ids, s.placed_count, pool.card_id(card), s.support_sum);
    n.card_ids[s.placed_count] = pool.card_id(card);
    n.placed_count += 1;
    n.support_x10 = support_tenths(n.support_sum);
    return n;
}

namespace {

// Whether every node of the group search on the way to the groups of
// `order` has a tied bound of at least `key`: the groups by index, each node
// holding the first d and any start up to the next.
[[maybe_unused]] bool tied_group_bounds_hold(const GroupSearchState& gs,
                                             const std::array<usize, 4>& order, u64 key) {
    std::array<usize, 4> chosen = order;
    std::sort(chosen.begin(), chosen.end());
    for (usize d = 0; d <= 4; ++d) {
        const usize first = d == 0 ? 0 : chosen[d - 1] + 1;
        const usize last = d == 4 ? gs.groups.size() : chosen[d];
        for (usize start = first; start <= last; ++start)
            if (key > tied_group_upper_bound(gs, chosen, d, start)) return false;
    }
    return true;
}

}  // namespace

// The bound adds, per open group, its best power, skill and bonus and the
// best limited percentages; the support part is the current support value
// (later cards can only take entries away) plus the best attribute bonus the
// remaining slots can reach.
u64 card_upper_bound(const GroupSearchState& gs, const std::array<usize, 4>& order,
                     const ChosenGroupTable& t, usize d, const CardSearchState& s) {
    const TopFive open = open_group_skills(gs, order, d, most_unit_cards(t, d, s));
    return bound_of(
        gs,
        power_bound(gs, t, d, s.power, s.plain_power, s.attr_mask, s.common_units, s.shape_sums),
        merged_top_five(s.skill_top, open), s.leader_skill, s.bonus_x10 + t.base_x10_sum[d],
        s.bonus_x10, s.limited_x10_top, t.limited_x10_top[d], t.bonus_and_limited_x10_sum[d],
        s.support_x10, s.attr_mask, 4 - d);
}

void search_group_cards(const GroupSearchState& gs, const std::array<usize, 4>& order,
                        const ChosenGroupTable& t, usize d, DeckSlots& deck,
                        const CardSearchState& s, const FrontierTest* tested, bool bounded) {
    const CardPool& pool = *gs.pool;
    // 1. Deadline.
    if (gs.deadline->step()) return;
    ++gs.counters->card_nodes;
    // 2. A complete deck.
    if (d == 4) {
        ++gs.counters->evaluated;
        // The deck in its best order; `deck` stays as the path laid it out.
        const auto entry = evaluate_final_chapter_deck(pool, *gs.context, deck);
        if (!entry) return;
        // The bound of a complete deck must hold its exact key (checked in
        // debug builds only), also as the last card's bounds read the deck.
        VDZ_ASSERT(entry->score <= card_upper_bound(gs, order, t, 4, s));
        VDZ_ASSERT(entry->score <= complete_deck_bound(gs, deck, s.support_x10));
        VDZ_ASSERT(first_card_bound_holds(gs, order, t, deck, entry->score));
        VDZ_ASSERT(frontier_bounds_hold(gs, order, t, deck, entry->score));
        // A deck the lower bound admits passes its cut with its own cards.
        VDZ_ASSERT(score_up_open(gs, t, 4, s.score_up_skill, leader_unit_cards(gs, s, 0)));
        // The group search's bound of the set of four groups holds it too.
        VDZ_ASSERT(entry->score <= group_upper_bound(*gs.tables, gs.context->limited_bonus_count,
                                                     gs.groups, gs.group_suffix, gs.groups.size(),
                                                     order, 4, gs.leader, *gs.shapes));
        // So does the tied bound at each prefix of the path, and at each
        // node of the group search that chose these groups.
        if (t.tied.valid)
            for (usize p = 0; p <= 4; ++p)
                VDZ_ASSERT(entry->score <= tied_key(t.tied, gs, tied_placed(gs, deck, p), p));
        VDZ_ASSERT(tied_group_bounds_hold(gs, order, entry->score));
        gs.best->record(*entry);
        return;
    }
    // The score-up lower bound cuts whether or not the list is full.
    if (!score_up_open(gs, t, d, s.score_up_skill, leader_unit_cards(gs, s, 0))) {
        ++gs.counters->card_pruned;
        return;
    }
    const auto child_reaches = [&](u16 c) {
        return score_up_open(gs, t, d + 1, s.score_up_skill + gs.score_up_skill[c],
                             leader_unit_cards(gs, s, pool.unit_mask(c)));
    };
    const CharacterGroup& g = gs.groups[order[d]];
    // The units a completion's cards can count for, once per node.
    const UnitCounts most = most_unit_cards(t, d, s);
    // 9. Plain path while the list is not full: every card, in group order.
    if (!gs.best->full()) {
        for (const u16 c : g.cards) {
            if (!child_reaches(c)) continue;
            deck[d + 1] = c;
            search_group_cards(gs, order, t, d + 1, deck, place_card(gs, s, c, most));
        }
        return;
    }
    u64 worst = gs.best->last().score;
    // 4. Node bound, unless the caller has just tested it against this list.
    VDZ_ASSERT(!bounded || card_upper_bound(gs, order, t, d, s) > worst);
    if (!bounded && card_upper_bound(gs, order, t, d, s) <= worst) {
        ++gs.counters->card_pruned;
        return;
    }
    // 5. Candidates: every card of the group whose bounds beat the list. No
    // card is passed over unexamined: the group is ordered by an estimate,
    // not by bound, so a card late in it may still complete a better deck.
    std::array<CardCandidate, CardPool::MAX_CARDS> candidates;
    usize count = 0;
    const TopFive open_after = open_group_skills(gs, order, d + 1, most);
    // A node whose group's frontier cannot beat the list expands no child,
    // and a card covered by a failing frontier card is not asked: this test
    // reads a few cards where the scan below reads them all.
    const ChildBounds bounds(gs, t, d, s, most, open_after);
    const FrontierTest test =
        tested ? *tested : frontier_test(gs, order, t, d, s, most, open_after, bounds, worst);
    if (!test.any_beats) {
        ++gs.counters->card_pruned;
        return;
    }
    std::optional<LastCardBounds> last_card_bound;
    if (d == 3) last_card_bound.emplace(gs, deck);
    // The placed cards' part of the tied bound, where it applies.
    const bool tied = t.tied.valid && d < 3;
    const TiedPlaced placed = tied ? tied_placed(gs, deck, d) : TiedPlaced{};
    for (usize i = 0; i < g.cards.size(); ++i) {
        if ((g.cover[i] & test.failing) != 0) continue;
        const u16 c = g.cards[i];
        if (!child_reaches(c)) continue;
        deck[d + 1] = c;
        // The last card completes the deck: its bounds read the deck itself,
        // first with the parent's support value (a card only takes support
        // entries away), then with its own.
        if (d == 3) {
            const u64 first = (*last_card_bound)(c, s.support_x10);
            VDZ_ASSERT(first == complete_deck_bound(gs, deck, s.support_x10));
            if (first <= worst) continue;
            const u64 bound = (*last_card_bound)(c, place_card(gs, s, c, most).support_x10);
            if (bound > worst) candidates[count++] = CardCandidate{bound, c};
            continue;
        }
        // a. The tied bound, a few sums per shape: it cuts most children
        // for the least work.
        // At the set's rate first, then at the rate of the child's own
        // skill values, which costs more.
        if (tied) {
            const TiedPlaced child = tied_with(gs, placed, c);
            if (tied_key(t.tied, gs, child, d + 1) <= worst ||
                tied_key_at(t.tied, gs, child, d + 1, bounds.skills_with(c), s.leader_skill) <=
                    worst) {
                continue;
            }
        }
        // b. Quick bound from the parent's support value.
        const u64 quick = bounds.quick(c);
        VDZ_ASSERT(quick == quick_child_bound(gs, t, d, s, most, open_after, c));
        if (quick <= worst) continue;
        // c. The child's own bound.
        const u64 bound = card_upper_bound(gs, order, t, d + 1, place_card(gs, s, c, most));
        if (bound <= worst) continue;
        VDZ_ASSERT(count < candidates.size());
        candidates[count++] = CardCandidate{bound, c};
    }
    // 6. Bound descending, then card ascending: a total order.
    std::sort(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(count),
              [](const CardCandidate& a, const CardCandidate& b) {
                  return a.bound != b.bound ? a.bound > b.bound : a.card < b.card;
              });
    // 7. Expand; the first candidate that cannot beat the list ends the node.
    for (usize k = 0; k < count; ++k) {
        if (candidates[k].bound <= worst) {
            ++gs.counters->card_pruned;
            return;
        }
        const u16 c = candidates[k].card;
        deck[d + 1] = c;
        // The candidate's bound is the child's own, just found above the list.
        search_group_cards(gs, order, t, d + 1, deck, place_card(gs, s, c, most), nullptr, true);
        worst = gs.best->last().score;
    }
}

void evaluate_and_record_final(const CardPool& pool, const SearchContext& context,
                               std::span<const CharacterGroup> groups, u16 leader, TopDecks& best,
                               Deadline& deadline, usize required, const FinalDeckBound* bound) {
    const usize n = groups.size();
    if (n < 4) return;
    // False once the deadline has passed.
    const auto record = [&](const DeckSlots& deck) {
        if (deadline.step()) return false;
        record_final_deck(pool, context, best, deck, bound);
        return true;
    };
    const usize m = std::min<usize>(n, 6);
    // The required groups stand first; a set of four holds all of them.
    const auto holds_required = [&](const std::array<usize, 4>& chosen) {
        for (usize r = 0; r < required; ++r)
            if (r >= 4 || chosen[r] != r) return false;
        return true;
    };
    for (usize i = 0; i < m; ++i)
        for (usize j = i + 1; j < m; ++j)
            for (usize k = j + 1; k < m; ++k)
                for (usize l = k + 1; l < m; ++l) {
                    const std::array<usize, 4> chosen = {i, j, k, l};
                    if (!holds_required(chosen)) continue;
                    DeckSlots base = {leader, groups[i].cards[0], groups[j].cards[0],
                                      groups[k].cards[0], groups[l].cards[0]};
                    if (!record(base)) return;
                    for (usize slot = 1; slot <= 4; ++slot) {
                        const CharacterGroup& g = groups[chosen[slot - 1]];
                        if (g.cards.size() < 2) continue;
                        DeckSlots variant = base;
                        variant[slot] = g.cards[1];
                        if (!record(variant)) return;
                    }
                }
}

}  // namespace vdz
