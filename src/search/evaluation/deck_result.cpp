// Deck objects: the evaluation, each card's power parts from its pool card
// record, the states of the player's cards and the support cards. Keys are
// written in sorted order by hand; the tests check the order.
#include "search/evaluation/deck_result.h"

#include <algorithm>
#include <limits>

#include "common/numeric.h"
#include "handler/apply_card_config.h"
#include "search/evaluation/deck_evaluator.h"

namespace vdz {
namespace {

// The record of a pool card; a card without one reports zeros.
const PoolCardRecord& record_of(const ResultSources& in, u16 card) {
    static const PoolCardRecord NONE;
    VDZ_ASSERT(card < in.records.size());
    return card < in.records.size() ? in.records[card] : NONE;
}

const UserCard* state_of(const ResultSources& in, u32 card_id) {
    const auto it = in.states.find(card_id);
    return it == in.states.end() ? nullptr : &it->second;
}

// The card's power parts in this deck: of its units' records for the deck's
// shape, the first with a total of at least 1, replaced by a later one only
// with a strictly larger total.
PowerBreakdown power_parts(const ResultSources& in, u16 card, const DeckShape& shape) {
    const PoolCardRecord& record = record_of(in, card);
    const u8 units = in.pool.unit_mask(card);
    const PowerBreakdown* taken = nullptr;
    for (usize u = 0; u < 6; ++u) {
        if (!(units & (1u << u))) continue;
        const PowerBreakdown& candidate = record.units[u][2 * shape.same_unit(u) + shape.same_attr];
        if (taken == nullptr ? candidate.total >= 1 : candidate.total > taken->total)
            taken = &candidate;
    }
    return taken != nullptr ? *taken : PowerBreakdown{};
}

bool has_canvas_bonus(const ResultSources& in, u32 card_id, const UserCard* state) {
    if (state != nullptr && state->canvas != CanvasState::UNSET)
        return state->canvas == CanvasState::YES;
    const auto& canvases = in.user.mysekai_canvases;
    return std::find(canvases.begin(), canvases.end(), card_id) != canvases.end();
}

void write_card(json::Writer& out, const ResultSources& in, u16 card, const PowerBreakdown& parts,
                const DeckEvaluation& e, usize slot) {
    const PoolCardRecord& record = record_of(in, card);
    const UserCard* state = state_of(in, record.card_id);
    const usize episodes = state != nullptr ? state->episodes.size() : 0;
    out.begin_object();
    out.member("after_training", record.after_training);
    out.member("base_power", parts.base);
    out.member("card_id", record.card_id);
    out.key("default_image");
    if (record.image_override || state == nullptr) {
        out.value(record.special_image ? "special_training" : "original");
    } else {
        out.value(state->default_image);
    }
    out.member("episode1_read", episodes >= 1);
    out.member("episode2_read", episodes >= 2);
    out.member("event_bonus_rate", e.card_event_bonus[slot]);
    out.member("has_canvas_bonus", has_canvas_bonus(in, record.card_id, state));
    out.member("level", state != nullptr ? state->level : 0u);
    out.member("master_rank", record.master_rank);
    out.member("skill_level", record.skill_level);
    out.member("skill_life_recovery", saturating_cast<i64>(record.life_recovery));
    out.member("skill_score_up", saturating_cast<i64>(e.skill_value[slot]));
    out.member("total_power", e.card_power[slot]);
    out.end_object();
}

void write_support_card(json::Writer& out, const ResultSources& in, const SupportEntry& entry) {
    const UserCard* state = state_of(in, entry.card_id);
    out.begin_object();
    out.member("after_training",
               state != nullptr && is_trained_status(state->special_training_status));
    out.member("bonus", entry.value);
    out.member("card_id", entry.card_id);
    out.key("default_image");
    out.value(state != nullptr ? std::string_view(state->default_image) : "original");
    out.member("level", state != nullptr ? state->level : 0u);
    out.member("master_rank", state != nullptr ? state->master_rank : 0u);
    out.member("skill_level", state != nullptr ? state->skill_level : 0u);
    out.end_object();
}

}  // namespace

bool write_deck_result(json::Writer& out, const DeckSlots& slots, const ResultSources& in) {
    // 1. Evaluate the deck again.
    const std::optional<DeckEvaluation> evaluated = evaluate_deck(in.pool, in.context, slots);
    if (!evaluated) return false;
    const DeckEvaluation& e = *evaluated;
    const SearchContext& c = in.context;

    // 2. Power parts per card and their sums.
    const DeckShape shape = deck_shape(in.pool, slots);
    std::array<PowerBreakdown, 5> parts;
    struct {
        i64 base = 0, area_item = 0, character_rank = 0, fixture = 0, gate = 0;
    } sums;
    for (usize s = 0; s < 5; ++s) {
        parts[s] = power_parts(in, slots[s], shape);
        sums.base += parts[s].base;
        sums.area_item += parts[s].area_item;
        sums.character_rank += parts[s].character_rank;
        sums.fixture += parts[s].fixture;
        sums.gate += parts[s].gate;
    }

    // 3. Support cards: only where the evaluator added them, so a request
    // without World Bloom never shows support cards or a reduced bonus.
    double support_rate = 0.0;
    if (c.world_bloom) {
        for_each_taken_support(in.pool, c, slots,
                               [&](const SupportEntry& entry) { support_rate += entry.value; });
    }

    // 4. The deck object, cards in leader-first order. A final-chapter deck
    // lists its slots as they stand: its limited bonuses count in that order,
    // so a deck set up as listed gives the values written.
    const bool mysekai = in.target == Target::MYSEKAI || c.live_type == LiveType::MYSEKAI;
    const std::array<u8, 5> listed = c.final_chapter ? std::array<u8, 5>{0, 1, 2, 3, 4} : e.order;
    out.begin_object();
    out.member("area_item_bonus_power", sums.area_item);
    out.member("base_power", sums.base);
    out.key("cards");
    out.begin_array();
    for (const u8 slot : listed)
        write_card(out, in, slots[slot], parts[slot], e, slot);
    out.end_array();
    out.member("character_bonus_power", sums.character_rank);
    out.member("event_bonus_rate", std::max(e.event_bonus - support_rate, 0.0));
    out.member("fixture_bonus_power", sums.fixture);
    out.member("gate_bonus_power", sums.gate);
    out.member("honor_bonus_power", c.honor_power);
    out.member("live_score", e.score);
    out.member("multi_live_score_up",
               c.live_type == LiveType::MYSEKAI ? 0.0 : e.multi_live_score_up);
    out.member("mysekai_event_point", mysekai ? 2500 : 0);
    out.member("score", in.target == Target::MYSEKAI ? 0 : e.event_points.value_or(e.score));
    out.member("support_deck_bonus_rate", support_rate);
    out.key("support_deck_cards");
    out.begin_array();
    if (c.world_bloom) {
        for_each_taken_support(in.pool, c, slots, [&](const SupportEntry& entry) {
            write_support_card(out, in, entry);
        });
    }
    out.end_array();
    out.member("total_power", std::min<u32>(e.power, std::numeric_limits<i32>::max()));
    out.end_object();
    return true;
}

}  // namespace vdz
