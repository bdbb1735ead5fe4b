#include "search/bounds/dfs_bounds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>
#include <random>
#include <tuple>

#include "brute_force_decks.h"
#include "extreme_songs.h"
#include "search/bounds/last_card_units.h"
#include "search/dfs/dfs_search.h"
#include "search/dfs/dfs_state.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

// The best key of every allowed deck that completes the first `depth` slots
// of `partial` with cards at positions `from` and later; 0 when none.
u64 best_completion(const CardPool& pool, const SearchContext& context, DeckSlots partial,
                    usize depth, usize from) {
    if (depth == 5) {
        if (!test::deck_allowed(pool, context, partial)) return 0;
        const auto e = evaluate_deck(pool, context, partial);
        return e ? e->key : 0;
    }
    u64 best = 0;
    for (usize i = from; i < pool.count(); ++i) {
        partial[depth] = static_cast<u16>(i);
        best = std::max(best, best_completion(pool, context, partial, depth + 1, i + 1));
    }
    return best;
}

SearchContext random_bound_context(std::mt19937& rng, const std::vector<TestCard>& cards) {
    SearchContext context = test::random_default_context(rng);
    context.multi_live_score_up_lower_bound.reset();
    // The support list is not sorted: the bound must not rely on its order.
    if (rng() % 3 == 0) test::add_world_bloom_support(rng, cards, context);
    if (rng() % 4 == 0) context.honor_power = static_cast<i32>(rng() % 5000);
    if (rng() % 4 == 0) context.multi_live_teammate_power = static_cast<u32>(rng() % 200000);
    if (rng() % 4 == 0) context.multi_live_teammate_score_up = static_cast<i32>(rng() % 300) - 100;
    if (rng() % 2) test::random_skill_order(rng, context);
    // Fixed characters make the first slot lead.
    if (rng() % 8 == 0) context.fixed_characters.push_back(cards[rng() % cards.size()].character);
    if (rng() % 2) test::song_weights(rng, context);
    if (rng() % 4 == 0) test::negate_a_weight(rng, context);
    return context;
}

// Every bound of a random partial deck of `pool` is at least the best key
// of the decks it covers: the node's character bound, its position bound at
// each row, and each child's exclusion and position bounds (each with the
// power and skill coupling where the target has a live score), and a
// complete deck's own. Returns how many children have a deck.
// `reference`, when given, is the good deck the coupling is tightest for.
usize check_partial_bounds(std::mt19937& rng, const CardPool& pool, const SearchContext& context,
                           int round, const std::optional<DeckSlots>& reference = std::nullopt) {
    const SuffixTables suffix = build_suffix_tables(pool, context);
    const BoundModel m = make_bound_model(pool, context, suffix, reference);
    // A random partial deck of ascending, distinct-character cards.
    DeckSlots partial{};
    const usize depth = rng() % 5;
    PartialSums sums;
    u32 used = 0;
    usize d = 0;
    for (usize i = rng() % 3; i < pool.count() && d < depth; i += 1 + rng() % 2) {
        const u16 card = static_cast<u16>(i);
        if ((used >> pool.character_id(card)) & 1) continue;
        partial[d++] = card;
        sums = child_sums(m, sums, card);
        used |= 1u << pool.character_id(card);
    }
    const usize from = d == 0 ? 0 : usize{partial[d - 1]} + 1;
    const usize k = 5 - d;
    const PartialDeckKey key = partial_deck_key(d, partial, pool);
    const u64 extra = support_bonus_bound(m, k, key);
    EXPECT_GE(character_bound(m, sums, used, d, partial),
              best_completion(pool, context, partial, d, from))
        << "round " << round;
    const ExclusionTables exclusion = exclusion_tables(m, used, k - 1, sums.plain());
    usize checked = 0;
    for (usize i = from; i < pool.count(); ++i) {
        EXPECT_GE(position_bound(m, sums, i, k, extra),
                  best_completion(pool, context, partial, d, i))
            << "round " << round << " row " << i;
        const u16 card = static_cast<u16>(i);
        if ((used >> pool.character_id(card)) & 1) continue;
        const PartialSums child = child_sums(m, sums, card);
        PartialDeckKey child_key = key;
        child_key.add(pool, card);
        const u64 child_extra = support_bonus_bound(m, k - 1, child_key);
        DeckSlots with = partial;
        with[d] = card;
        const u64 best = best_completion(pool, context, with, d + 1, i + 1);
        EXPECT_GE(exclusion_bound(m, exclusion, child, pool.character_id(card), child_extra), best)
            << "round " << round << " child " << i;
        EXPECT_GE(position_bound(m, child, i + 1, k - 1, child_extra), best)
            << "round " << round << " child " << i;
        if (k == 1) {
            EXPECT_GE(complete_deck_bound(m, with, child, child_extra), best)
                << "round " << round << " child " << i;
        }
        checked += best != 0;
    }
    return checked;
}

TEST(DfsBounds, NeverBelowTheBestCompletion) {
    std::mt19937 rng(5);
    usize checked = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 8 + rng() % 4);
        SearchContext context = random_bound_context(rng, cards);
        const CardPool pool = test::make_pool(cards, context);
        checked += check_partial_bounds(rng, pool, context, round);
    }
    EXPECT_GT(checked, 300u);
}

// A child below the power floor for a worst key completes to no better,
// over random partial decks and worst keys just below the best child's
// best; half the pools rank by live score with cards of one skill and
// bonus, so that power alone sets them apart and the floor cuts.
TEST(DfsBounds, ChildrenBelowThePowerFloorCannotBeatTheWorstKey) {
    std::mt19937 rng(17);
    usize cut = 0;
    for (int round = 0; round < 200; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 8 + rng() % 4 + 4 * (round % 2));
        if (round % 2) {
            for (usize i = 0; i < cards.size(); ++i) {
                TestCard& c = cards[i];
                c.character = static_cast<u8>(1 + i);
                c.skill = {};
                c.skill.plain_value = 80;
                c.skill_value = 80;
                c.base_x10 = 200;
                c.limited_x10 = 0;
            }
        }
        SearchContext context = random_bound_context(rng, cards);
        if (round % 2) context.target = Target::SCORE;
        const CardPool pool = test::make_pool(cards, context);
        const SuffixTables suffix = build_suffix_tables(pool, context);
        const BoundModel m = make_bound_model(pool, context, suffix);
        // A random partial deck of ascending, distinct-character cards.
        DeckSlots partial{};
        PartialSums sums;
        u32 used = 0;
        usize d = 0;
        for (usize i = rng() % 3, depth = rng() % 5; i < pool.count() && d < depth;
             i += 1 + rng() % 2) {
            const u16 card = static_cast<u16>(i);
            if ((used >> pool.character_id(card)) & 1) continue;
            partial[d++] = card;
            sums = child_sums(m, sums, card);
            used |= 1u << pool.character_id(card);
        }
        const usize from = d == 0 ? 0 : usize{partial[d - 1]} + 1;
        std::vector<u64> best(pool.count(), 0);
        for (usize i = from; i < pool.count(); ++i) {
            DeckSlots with = partial;
            with[d] = static_cast<u16>(i);
            if (!((used >> pool.character_id(static_cast<u16>(i))) & 1))
                best[i] = best_completion(pool, context, with, d + 1, i + 1);
        }
        std::vector<u64> sorted;
        for (const u64 key : best)
            if (key != 0) sorted.push_back(key);
        if (sorted.empty()) continue;
        std::sort(sorted.begin(), sorted.end());
        const u64 worst = sorted.size() > 1 ? sorted[sorted.size() - 2] : sorted[0] - 1;
        const u64 extra = support_bonus_bound(m, 5 - d, partial_deck_key(d, partial, pool));
        const u32 floor = child_power_floor(m, sums, from, 5 - d, extra, worst);
        for (usize i = from; i < pool.count(); ++i) {
            const u16 card = static_cast<u16>(i);
            if ((sums.plain() ? m.power_no_unit[i] : pool.power(card)) >= floor) continue;
            EXPECT_LE(best[i], worst) << "round " << round << " child " << i;
            cut += best[i] != 0;
            // The tree finds the next child of enough power.
            const auto power = [&](usize j) {
                return sums.plain() ? m.power_no_unit[j] : pool.power(static_cast<u16>(j));
            };
            const usize next = m.first_power_at_least(i, floor, sums.plain());
            for (usize j = i; j < next; ++j) {
                EXPECT_LT(power(j), floor);
            }
            if (next < pool.count()) {
                EXPECT_GE(power(next), floor);
            }
        }
    }
    EXPECT_GT(cut, 30u);
}

// On pools of every skill kind, the bounds that read a complete deck's unit
// shape: a last card's by the unit masks of the cards after a position, and
// a complete deck's with each skill at its ceiling for the deck's units.
// Four cards of distinct characters at random ascending positions of
// `pool`, and each last card after them: the unit-shape bound and the
// position bound of every row, and the complete deck's bound with its skill
// ceilings, are at least the best completion. Returns how many last cards
// make a deck.
usize check_last_card_bounds(std::mt19937& rng, const CardPool& pool, const SearchContext& context,
                             int round) {
    const SuffixTables suffix = build_suffix_tables(pool, context);
    const BoundModel m = make_bound_model(pool, context, suffix);
    const LastCardUnits units = build_last_card_units(m);
    DeckSlots deck{};
    PartialSums sums;
    u32 used = 0;
    usize d = 0;
    for (usize i = rng() % 2; i < pool.count() && d < 4; i += 1 + rng() % 2) {
        const u16 card = static_cast<u16>(i);
        if ((used >> pool.character_id(card)) & 1) continue;
        deck[d++] = card;
        sums = child_sums(m, sums, card);
        used |= 1u << pool.character_id(card);
    }
    if (d < 4) return 0;
    usize checked = 0;
    const u64 extra = support_bonus_bound(m, 1, partial_deck_key(4, deck, pool));
    for (usize row = usize{deck[3]} + 1; row <= pool.count(); ++row) {
        const u64 best = best_completion(pool, context, deck, 4, row);
        EXPECT_GE(last_card_units_bound(m, units, sums, deck, row, extra, ~u64{0}), best)
            << "round " << round << " row " << row;
        EXPECT_GE(position_bound(m, sums, row, 1, extra), best)
            << "round " << round << " row " << row;
        if (row == pool.count()) break;
        const u16 card = static_cast<u16>(row);
        if ((used >> pool.character_id(card)) & 1) continue;
        DeckSlots with = deck;
        with[4] = card;
        const PartialSums child = child_sums(m, sums, card);
        const u64 key = best_completion(pool, context, with, 5, 0);
        const u64 with_extra = support_bonus_bound(m, 0, partial_deck_key(5, with, pool));
        EXPECT_GE(
            complete_deck_bound(m, with, with_skill_ceilings(m, child, with, 5, 0), with_extra),
            key)
            << "round " << round << " card " << row;
        checked += key != 0;
    }
    return checked;
}

// Cards of every skill kind; with `ids_out_of_order`, card ids that do not
// ascend with the pool positions, as a deck led by its first slot orders
// the others by card id.
std::vector<TestCard> every_skill_kind_cards(std::mt19937& rng, bool ids_out_of_order = false) {
    const u8 characters = static_cast<u8>(5 + rng() % 4);
    const usize n = 8 + rng() % 4;
    std::vector<u16> ids(n);
    std::iota(ids.begin(), ids.end(), u16{100});
    if (ids_out_of_order) std::shuffle(ids.begin(), ids.end(), rng);
    std::vector<TestCard> cards;
    for (const u16 id : ids)
        cards.push_back(test::every_skill_kind_card(rng, id, characters));
    return cards;
}

TEST(DfsBounds, UnitShapesNeverBelowTheBestCompletion) {
    std::mt19937 rng(12);
    usize checked = 0;
    for (int round = 0; round < 300; ++round) {
        const std::vector<TestCard> cards = every_skill_kind_cards(rng);
        SearchContext context = random_bound_context(rng, cards);
        context.keep_after_training_state = rng() % 2;
        const CardPool pool = test::make_pool(cards, context);
        checked += check_last_card_bounds(rng, pool, context, round);
    }
    EXPECT_GT(checked, 300u);
}

// A specific order plays each slot at the place the leading slot gives it,
// and in a multi live reads the room leader's activation only at the places
// that name place 0: every bound, at every depth and at the last card, is
// at least the best completion, with the best skill or the first slot
// leading, the teammates' score up given or not, and the power and skill
// coupled slot by slot at the scale of a reference deck or of the pool.
TEST(DfsBounds, ASpecificOrderBoundsEachSlotAtItsPlace) {
    std::mt19937 rng(23);
    const LiveType lives[] = {LiveType::SOLO, LiveType::AUTO, LiveType::MULTI, LiveType::CHEERFUL};
    usize checked = 0;
    for (int round = 0; round < 400; ++round) {
        const std::vector<TestCard> cards = every_skill_kind_cards(rng, true);
        SearchContext context = random_bound_context(rng, cards);
        context.live_type = lives[round % 4];
        context.target = rng() % 3 == 0 ? Target::BONUS : Target::SCORE;
        context.skill_order_choose_strategy = SkillOrderChooseStrategy::SPECIFIC;
        std::array<u64, 5> order;
        for (u64& index : order)
            index = rng() % 5;
        context.specific_skill_order = order;
        context.multi_live_teammate_score_up.reset();
        if (round % 8 >= 4)
            context.multi_live_teammate_score_up = static_cast<i32>(rng() % 300) - 50;
        const CardPool pool = test::make_pool(cards, context);
        // Now and then a reference deck, which sets the coupling's scale.
        std::optional<DeckSlots> reference;
        if (round % 3 == 0) reference = DeckSlots{0, 2, 3, 5, 7};
        checked += check_partial_bounds(rng, pool, context, round, reference);
        checked += check_last_card_bounds(rng, pool, context, round);
    }
    EXPECT_GT(checked, 600u);
}

// Weights and options far beyond any song's would overflow the products of
// the live score; the bounds then give up rather than wrap.
TEST(DfsBounds, InputsBeyondAnySongsStillBound) {
    std::mt19937 rng(6);
    for (const test::ExtremeSong& song : test::EXTREME_SONGS) {
        SCOPED_TRACE(song.name);
        std::vector<TestCard> cards = test::random_cards(rng, 8);
        SearchContext context;
        song.apply(context);
        const CardPool pool = test::make_pool(cards, context);
        const SuffixTables suffix = build_suffix_tables(pool, context);
        const BoundModel m = make_bound_model(pool, context, suffix);
        EXPECT_GE(character_bound(m, {}, 0, 0, {}), best_completion(pool, context, {}, 0, 0));
    }
}

// A deck takes the first support entries that are not its own cards: with
// the list out of order, a deck holding the first entry's card takes a
// larger one further down, which the bounds must allow for.
TEST(DfsBounds, SupportListsInAnyOrder) {
    SearchContext context;
    context.target = Target::BONUS;
    context.event_kind = 2;
    context.world_bloom = true;
    context.music_base_scores = {1.0, 1.0, 0.0};
    std::vector<TestCard> cards;
    for (u8 c = 1; c <= 6; ++c)
        cards.push_back(plain_card(c, c, 1000, 50));
    context.world_bloom_support.general = {{{1, 1.0}, {99, 30.0}}, 1};
    const CardPool pool = test::make_pool(cards, context);
    const SuffixTables suffix = build_suffix_tables(pool, context);
    const BoundModel m = make_bound_model(pool, context, suffix);
    EXPECT_GE(character_bound(m, PartialSums{}, 0, 0, DeckSlots{}),
              best_completion(pool, context, DeckSlots{}, 0, 0));
}

// Where the first slot leads, a placed first card's skill value bounds the
// leader's: below the bound where the best skill leads, and still above
// every completion. Card 0 has the least skill and leads the second case.
TEST(DfsBounds, AFirstSlotThatLeadsBoundsTheLeadersValue) {
    std::vector<TestCard> cards;
    for (u8 c = 1; c <= 6; ++c)
        cards.push_back(plain_card(c, c, 30000, c == 1 ? 10 : 100));
    for (const LiveType live : {LiveType::MULTI, LiveType::SOLO}) {
        SCOPED_TRACE(static_cast<int>(live));
        std::array<u64, 2> bounds{};
        for (const bool best_leads : {true, false}) {
            SearchContext context;
            context.live_type = live;
            context.best_skill_as_leader = best_leads;
            context.music_base_scores = {1.1, 0.9, 0.0};
            context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
            context.music_skill_scores[1] = {8, 16, 24, 32, 40, 48};
            const CardPool pool = test::make_pool(cards, context);
            const SuffixTables suffix = build_suffix_tables(pool, context);
            const BoundModel m = make_bound_model(pool, context, suffix);
            const DeckSlots partial = {0, 0, 0, 0, 0};
            const PartialSums sums = child_sums(m, {}, 0);
            const u64 bound = character_bound(m, sums, 1u << 1, 1, partial);
            EXPECT_GE(bound, best_completion(pool, context, partial, 1, 1));
            bounds[best_leads ? 0 : 1] = bound;
        }
        EXPECT_LT(bounds[1], bounds[0]);
    }
}

// A specific order plays the values at the places it names: a place named
// twice meets both weights and one never named none. Pairing those sums
// with the values, largest with largest, bounds below every value at every
// weight, and above every completion.
TEST(DfsBounds, ASpecificOrderPairsTheWeightsOfEachPlace) {
    std::vector<TestCard> cards;
    for (u8 c = 1; c <= 7; ++c)
        cards.push_back(plain_card(c, c, 30000, static_cast<u8>(20 * c)));
    SearchContext context;
    context.live_type = LiveType::SOLO;
    context.music_base_scores = {1.1, 0.9, 0.0};
    context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
    context.skill_order_choose_strategy = SkillOrderChooseStrategy::SPECIFIC;
    context.specific_skill_order = std::array<u64, 5>{3, 3, 1, 4, 3};
    const CardPool pool = test::make_pool(cards, context);
    const SuffixTables suffix = build_suffix_tables(pool, context);
    ASSERT_TRUE(suffix.paired_skill_weights);
    SuffixTables unpaired = suffix;
    unpaired.paired_skill_weights = false;
    const u64 paired = character_bound(make_bound_model(pool, context, suffix), {}, 0, 0, {});
    EXPECT_LT(paired, character_bound(make_bound_model(pool, context, unpaired), {}, 0, 0, {}));
    EXPECT_GE(paired, best_completion(pool, context, {}, 0, 0));
}

// In multi and cheerful lives with the teammates' score up given, a
// specific order plays the room leader's activation at the places that name
// it and the teammates' at the others: a complete deck's bound meets its
// key closely, so it falls below it if either part is left out, and, where
// the room leader's value is above the teammates', it is below the bound
// that plays the larger value everywhere.
TEST(DfsBounds, ASpecificOrderInAMultiLiveReadsTheTeammatesAtTheirPlaces) {
    std::vector<TestCard> cards;
    for (u8 c = 1; c <= 7; ++c)
        cards.push_back(plain_card(c, c, 20000 + 1000 * c, static_cast<u8>(60 + 20 * c)));
    const std::array<std::array<u64, 5>, 4> orders = {
        {{0, 0, 0, 0, 0}, {1, 2, 3, 4, 1}, {2, 0, 0, 3, 3}, {4, 3, 0, 1, 1}}};
    std::vector<u16> all(cards.size());
    for (u16 i = 0; i < all.size(); ++i)
        all[i] = i;
    for (const LiveType live : {LiveType::MULTI, LiveType::CHEERFUL}) {
        for (const i32 teammate : {40, -40, 400}) {
            for (const auto& order : orders) {
                SCOPED_TRACE(::testing::Message()
                             << static_cast<int>(live) << " teammate " << teammate << " order "
                             << order[0] << order[1] << order[2] << order[3] << order[4]);
                SearchContext context;
                context.live_type = live;
                context.music_base_scores = {1.1, 0.9, 0.4};
                context.music_skill_scores[1] = {10, 20, 30, 40, 50, 60};
                context.skill_order_choose_strategy = SkillOrderChooseStrategy::SPECIFIC;
                context.specific_skill_order = order;
                context.multi_live_teammate_score_up = teammate;
                const CardPool pool = test::make_pool(cards, context);
                const SuffixTables suffix = build_suffix_tables(pool, context);
                ASSERT_TRUE(suffix.room_places_known);
                SuffixTables unplaced = suffix;
                unplaced.room_places_known = false;
                const BoundModel m = make_bound_model(pool, context, suffix);
                const BoundModel wide = make_bound_model(pool, context, unplaced);
                test::for_each_five_of(all, [&](const DeckSlots& deck) {
                    PartialSums sums;
                    for (const u16 card : deck)
                        sums = child_sums(m, sums, card);
                    const u64 bound = complete_deck_bound(m, deck, sums, 0);
                    const u64 key = evaluate_deck(pool, context, deck)->key;
                    EXPECT_GE(bound, key);
                    // A negative score up is read by its size.
                    if (teammate > 0) {
                        EXPECT_LE(static_cast<u32>(bound), static_cast<u32>(key) + 20);
                    }
                    if (teammate == 40 && order != orders[0]) {
                        EXPECT_LT(bound, complete_deck_bound(wide, deck, sums, 0));
                    }
                });
            }
        }
    }
}

// Each bound is tighter than the one it refines, on pools made to show it.
TEST(DfsBounds, EachRefinementCuts) {
    // Composition: power 1000, or 2000 when all five cards share the unit;
    // units 1 and 2 alternate, so once cards of both are placed no card
    // can reach 2000. Cards 0 and 1 share their attribute: the plain powers
    // do not apply to them.
    SearchContext context;
    std::vector<TestCard> cards;
    for (u8 i = 0; i < 8; ++i) {
        TestCard c = plain_card(static_cast<u16>(10 + i), static_cast<u8>(i + 1), 1000, 50,
                                static_cast<u8>(i / 2 % 2), static_cast<u8>(i % 2 ? 0x01 : 0x02));
        c.unit_values = {1000, 1000, 2000, 2000, 0, 0, 0, 0};
        c.power = 2000;
        cards.push_back(c);
    }
    const CardPool pool = test::make_pool(cards, context);
    const SuffixTables suffix = build_suffix_tables(pool, context);
    BoundModel m = make_bound_model(pool, context, suffix);
    ASSERT_TRUE(m.composition);
    const DeckSlots partial = {0, 1, 0, 0, 0};
    const PartialSums sums = child_sums(m, child_sums(m, {}, 0), 1);
    const u32 used = (1u << 1) | (1u << 2);
    const u64 by_composition = character_bound(m, sums, used, 2, partial);
    m.composition = false;
    EXPECT_LT(by_composition, character_bound(m, sums, used, 2, partial));
    EXPECT_GE(by_composition, best_completion(pool, context, partial, 2, 2));

    // Plain powers, where the composition bound is off (an event): power
    // 1000, 1500 with a shared attribute or unit, 2000 with both.
    // Attributes go 0, 0, 1, 1, .. and units 2, 1, 2, 1, ..: cards 0 and 3
    // share neither, so every deck holding both counts 1000 per card, below
    // the power column; cards 0 and 1 share their attribute, and so does
    // the deck 0, 1, 4, 5, 8 at 1500 per card, which their bounds must cover.
    SearchContext event;
    event.event_kind = 0;
    std::vector<TestCard> shaped;
    for (u8 i = 0; i < 12; ++i) {
        TestCard c = plain_card(static_cast<u16>(20 + i), static_cast<u8>(i + 1), 2000, 50,
                                static_cast<u8>(i / 2 % 2), static_cast<u8>(i % 2 ? 0x01 : 0x02));
        c.unit_values = {1000, 1500, 1500, 2000, 0, 0, 0, 0};
        shaped.push_back(c);
    }
    const CardPool shaped_pool = test::make_pool(shaped, event);
    const SuffixTables shaped_suffix = build_suffix_tables(shaped_pool, event);
    const BoundModel s = make_bound_model(shaped_pool, event, shaped_suffix);
    ASSERT_FALSE(s.composition);
    const auto two = [&](u16 a, u16 b) {
        return std::tuple{
            DeckSlots{a, b, 0, 0, 0}, child_sums(s, child_sums(s, {}, a), b),
            (1u << shaped_pool.character_id(a)) | (1u << shaped_pool.character_id(b))};
    };
    const auto [spread_deck, spread, spread_used] = two(0, 3);
    ASSERT_TRUE(spread.plain());
    PartialSums sharing = spread;
    sharing.mixed_attrs = false;
    const u64 best_spread = best_completion(shaped_pool, event, spread_deck, 2, 4);
    for (const auto& [plain_bound, column_bound] :
         {std::pair{character_bound(s, spread, spread_used, 2, spread_deck),
                    character_bound(s, sharing, spread_used, 2, spread_deck)},
          std::pair{position_bound(s, spread, 4, 3, 0), position_bound(s, sharing, 4, 3, 0)}}) {
        EXPECT_LT(plain_bound, column_bound);
        EXPECT_GE(plain_bound, best_spread);
    }
    const PartialSums child = child_sums(s, spread, 4);
    const u8 child_character = shaped_pool.character_id(4);
    const u64 plain_child =
        exclusion_bound(s, exclusion_tables(s, spread_used, 2, true), child, child_character, 0);
    EXPECT_GE(plain_child, best_completion(shaped_pool, event, {0, 3, 4, 0, 0}, 3, 5));
    EXPECT_LT(plain_child, exclusion_bound(s, exclusion_tables(s, spread_used, 2, false), child,
                                           child_character, 0));
    const auto [same_deck, same, same_used] = two(0, 1);
    ASSERT_FALSE(same.plain());
    const u64 best_same = best_completion(shaped_pool, event, same_deck, 2, 2);
    EXPECT_GE(character_bound(s, same, same_used, 2, same_deck), best_same);
    EXPECT_GE(position_bound(s, same, 2, 3, 0), best_same);

    // Exclusion: a child of a weak character leaves the node's best four
    // characters their places, so its bound falls by what it lacks.
    std::vector<TestCard> ranked;
    for (u8 i = 0; i < 8; ++i)
        ranked.push_back(
            plain_card(static_cast<u16>(10 + i), static_cast<u8>(i + 1), 1000 * (i + 1), 50));
    SearchContext plain;
    const CardPool ranked_pool = test::make_pool(ranked, plain);
    const SuffixTables ranked_suffix = build_suffix_tables(ranked_pool, plain);
    const BoundModel r = make_bound_model(ranked_pool, plain, ranked_suffix);
    const ExclusionTables exclusion = exclusion_tables(r, 0, 4, false);
    const PartialSums weakest = child_sums(r, {}, 0);
    const u64 node = character_bound(r, {}, 0, 0, partial);
    EXPECT_LT(exclusion_bound(r, exclusion, weakest, 1, 0), node);
    const PartialSums strongest = child_sums(r, {}, 7);
    EXPECT_EQ(exclusion_bound(r, exclusion, strongest, 8, 0), node);

    // Support: a support card in the deck is not taken from the list, and
    // the attribute-count bonus covers only the counts still reachable.
    SearchContext wb;
    wb.event_kind = 2;
    wb.world_bloom = true;
    wb.target = Target::BONUS;
    wb.world_bloom_support.general = {{{10, 20.0}, {11, 15.0}, {12, 5.0}}, 2};
    wb.distinct_attr_bonus = {0, 1, 3, 5, 8, 12};
    const CardPool wb_pool = test::make_pool(cards, wb);
    const SuffixTables wb_suffix = build_suffix_tables(wb_pool, wb);
    const BoundModel w = make_bound_model(wb_pool, wb, wb_suffix);
    EXPECT_EQ(w.bonus_extra, 35u + 12u);
    const DeckSlots five = {0, 1, 2, 3, 4};  // ids 10..14, attributes 0 and 1
    EXPECT_EQ(support_bonus_bound(w, 5, partial_deck_key(0, five, wb_pool)), 35u + 12u);
    EXPECT_EQ(support_bonus_bound(w, 4, partial_deck_key(1, five, wb_pool)), 20u + 12u);
    EXPECT_EQ(support_bonus_bound(w, 0, partial_deck_key(5, five, wb_pool)), 0u + 3u);

    // Coupling: each character has a strong card of little skill and a weak
    // one of much; no deck has both the strong cards' power and the skilled
    // cards' skill. A complete deck's power is known exactly.
    SearchContext multi;
    multi.live_type = LiveType::MULTI;
    multi.music_skill_scores[1] = {20, 20, 20, 20, 20, 40};
    std::vector<TestCard> split;
    for (u8 i = 0; i < 12; ++i) {
        const bool strong = i % 2 == 0;
        split.push_back(plain_card(static_cast<u16>(10 + i), static_cast<u8>(1 + i / 2),
                                   strong ? 30000 : 10000, strong ? 20 : 120));
    }
    // Card 0 reaches its power column only in a deck of one attribute.
    split[0].attr = 1;
    split[0].unit_values = {25000, 25000, 25000, 30000, 0, 0, 0, 0};
    const CardPool split_pool = test::make_pool(split, multi);
    const SuffixTables split_suffix = build_suffix_tables(split_pool, multi);
    BoundModel c = make_bound_model(split_pool, multi, split_suffix);
    ASSERT_TRUE(c.coupling.on);
    const u64 coupled = character_bound(c, {}, 0, 0, five);
    EXPECT_GE(coupled, best_completion(split_pool, multi, five, 0, 0));
    c.coupling.on = false;
    EXPECT_LT(coupled, character_bound(c, {}, 0, 0, five));
    const DeckSlots deck = {0, 2, 4, 6, 8};
    PartialSums all;
    for (const u16 card : deck)
        all = child_sums(c, all, card);
    EXPECT_LT(complete_deck_bound(c, deck, all, 0), position_bound(c, all, 9, 0, 0));
}

// Every deck has the same mysekai key: once the list is full, a bound equal
// to its worst key cuts the rest, so few decks are evaluated.
TEST(DfsBounds, EqualKeysEndTheSearchEarly) {
    SearchContext context;
    context.target = Target::MYSEKAI;
    context.live_type = LiveType::MYSEKAI;
    std::vector<TestCard> cards;
    for (u8 i = 0; i < 20; ++i)
        cards.push_back(plain_card(static_cast<u16>(10 + i), static_cast<u8>(i + 1), 1000, 50));
    const CardPool pool = test::make_pool(cards, context);
    const SuffixTables suffix = build_suffix_tables(pool, context);
    const SearchResult found = dfs_search(pool, context, suffix, 3, 0, {}, std::nullopt);
    ASSERT_EQ(found.decks.size(), 3u);
    EXPECT_EQ(found.decks[0].score, found.decks[2].score);
    EXPECT_EQ(found.stats.evaluations, 3u);  // of 15,504 decks
}

// Under tiers a child is tested too: decks of a bonus no tier asks for are
// never evaluated.
TEST(DfsBounds, TierChildTestsSkipUnreachableTiers) {
    SearchContext context;
    context.target = Target::BONUS;
    context.event_kind = 0;
    std::vector<TestCard> cards;
    for (u8 i = 0; i < 16; ++i) {
        cards.push_back(
            plain_card(static_cast<u16>(10 + i), static_cast<u8>(i + 1), 1000 + 10 * i, 50));
        cards.back().base_x10 = i < 5 ? 200 : 10;  // 100 % only from the first five
    }
    const CardPool pool = test::make_pool(cards, context);
    const SuffixTables suffix = build_suffix_tables(pool, context);
    const i32 tiers[] = {100};
    const SearchResult found =
        dfs_search(pool, context, suffix, 2, 0, {}, std::span<const i32>(tiers));
    ASSERT_EQ(found.decks.size(), 1u);
    EXPECT_EQ(found.decks[0].slots, (DeckSlots{0, 1, 2, 3, 4}));
    EXPECT_LE(found.stats.evaluations, 1u);  // of 4,368 decks
}

}  // namespace
}  // namespace vdz
