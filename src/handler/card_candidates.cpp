// Candidate records, their event bonus, the card filter and the thinning.
#include "handler/card_candidates.h"

#include <algorithm>
#include <iterator>
#include <unordered_set>

#include "common/numeric.h"
#include "handler/codes.h"
#include "handler/event_bonus_hot.h"

namespace vdz {
namespace {

constexpr usize THINNING_MIN = 51;
// The largest character id the pool and the bonus tables have a place for;
// cards of characters added to the game later are left out.
constexpr i32 MAX_CHARACTER_ID = 26;

bool contains(std::span<const i32> ids, u32 id) {
    return std::any_of(ids.begin(), ids.end(), [&](i32 v) { return static_cast<u32>(v) == id; });
}

// The custom character bonus: the card's character is a bonus character
// and its configured support unit, if any, is the card's.
bool custom_character_bonus(const CardCandidate& c, const EventContext& event) {
    const i32 character = c.indexed->card.character_id;
    if (std::find(event.bonus_characters.begin(), event.bonus_characters.end(), character) ==
        event.bonus_characters.end())
        return false;
    if (character > 26) return true;
    const u8 configured =
        character < 0 ? 0 : event.support_unit_by_character[static_cast<usize>(character)];
    return configured == 0 || configured == c.indexed->support_unit || c.indexed->no_support_unit;
}

bool deck_bonus_unit_applies(const DeckBonusRow& row, const IndexedCard& card) {
    if (row.unit == unit::OTHER || card.character_unit == unit::OTHER)
        return row.unit == unit::OTHER;
    if (card.character_unit == unit::PIAPRO && row.unit != unit::PIAPRO)
        return card.support_unit == unit::OTHER || card.support_unit == row.unit;
    return card.character_unit == row.unit;
}

}  // namespace

bool has_repeated_card(std::span<const UserCard> user_cards) {
    // Asked at every request of a player of thousands of cards: one sorted
    // array of ids instead of a node per card in a hash set.
    std::vector<u32> ids(user_cards.size());
    for (usize i = 0; i < ids.size(); ++i)
        ids[i] = user_cards[i].card_id;
    std::sort(ids.begin(), ids.end());
    return std::adjacent_find(ids.begin(), ids.end()) != ids.end();
}

std::vector<UserCard> distinct_user_cards(std::span<const UserCard> user_cards) {
    std::unordered_set<u32> seen;
    seen.reserve(user_cards.size());
    std::vector<bool> keep(user_cards.size());
    for (usize i = user_cards.size(); i-- > 0;)
        keep[i] = seen.insert(user_cards[i].card_id).second;
    std::vector<UserCard> cards;
    cards.reserve(seen.size());
    for (usize i = 0; i < user_cards.size(); ++i)
        if (keep[i]) cards.push_back(user_cards[i]);
    return cards;
}

std::vector<UserCard> add_missing_fixed_cards(std::span<const UserCard> user_cards,
                                              std::span<const i32> fixed_cards,
                                              const RequestIndex& index) {
    std::vector<UserCard> cards(user_cards.begin(), user_cards.end());
    std::vector<UserCard> missing = missing_fixed_cards(user_cards, fixed_cards, index);
    cards.insert(cards.end(), std::make_move_iterator(missing.begin()),
                 std::make_move_iterator(missing.end()));
    return cards;
}

std::vector<UserCard> missing_fixed_cards(std::span<const UserCard> user_cards,
                                          std::span<const i32> fixed_cards,
                                          const RequestIndex& index) {
    std::vector<UserCard> cards;
    for (const i32 fixed : fixed_cards) {
        const u32 id = static_cast<u32>(fixed);
        const bool owned = std::any_of(user_cards.begin(), user_cards.end(),
                                       [&](const UserCard& c) { return c.card_id == id; });
        if (owned) continue;
        UserCard synthetic;
        synthetic.card_id = id;
        synthetic.not_owned = true;
        const IndexedCard* master = index.find_card(id);
        if (master && is_trainable(master->card)) {
            synthetic.special_training_status = "done";
            synthetic.default_image = "special_training";
        }
        cards.push_back(std::move(synthetic));
    }
    return cards;
}

void apply_event_bonus(CardCandidate& c, const EventContext& event) {
    const IndexedCard& indexed = *c.indexed;
    // Event-card part and leader bonus.
    const auto event_card = event.event_cards.find(c.card.card_id);
    if (event_card != event.event_cards.end()) {
        const i32 limited = saturate_to<i32>(i64{event_card->second.bonus_rate} * 10);
        c.limited_x10 = static_cast<u16>(std::clamp(limited, 0, 65535));
        c.leader_limit_bonus =
            static_cast<u16>(std::clamp(event_card->second.leader_bonus_rate, 0, 65535));
    }
    // t: the rarity bonus, tenths of a percent.
    const i64 t = event.rarity_bonus_of(indexed.card.rarity, c.card.master_rank);
    // h: the custom character and attribute bonuses.
    const bool character = custom_character_bonus(c, event);
    const bool custom_attr = is_real_attr(event.custom_attr);
    const bool attr = custom_attr && c.attr_index == event.custom_attr - 1;
    i64 h = 0;
    if (custom_attr) {
        h = (character && attr) ? 100 : (character || attr) ? 50 : 0;
    } else {
        h = character ? 50 : 0;
    }
    c.character_bonus = character;
    c.attribute_bonus = attr;
    // r2: the best applying deck-bonus row, doubled.
    i64 r2 = 0;
    for (const DeckBonusRow& row : event.deck_bonuses) {
        if (row.character && *row.character != indexed.card.character_id) continue;
        if (row.attr_index && *row.attr_index != c.attr_index) continue;
        if (!deck_bonus_unit_applies(row, indexed)) continue;
        r2 = std::max<i64>(r2, saturate_to<i32>(i64{row.rate} * 2));
        if (row.character) c.character_bonus = true;
        if (row.has_attr_text) c.attribute_bonus = true;
    }
    const i64 base = std::clamp<i64>(5 * (r2 + h) + t, 0, 65535);
    // The packed total holds 4095 tenths: the base part gives way to the
    // event-card part rather than leaving the card unpackable.
    const i64 room =
        EventBonusHot::MAX_TOTAL_X10 - std::min<i64>(c.limited_x10, EventBonusHot::MAX_TOTAL_X10);
    c.base_x10 = static_cast<u16>(std::min(base, room));
    c.limited_x10 = static_cast<u16>(std::min<i64>(c.limited_x10, EventBonusHot::MAX_TOTAL_X10));
    const i32 leader = indexed.card.character_id;
    c.leader_honor_bonus =
        (leader >= 0 && leader <= 26) ? event.leader_honor_bonus[static_cast<usize>(leader)] : 0;
}

void build_pool_candidates(const UserCard& card, const CandidateInputs& in,
                           std::vector<CardCandidate>& out) {
    // 1. Only cards the master data knows.
    const IndexedCard* indexed = in.index.find_card(card.card_id);
    if (!indexed) return;
    CardCandidate candidate;
    candidate.card = card;
    candidate.indexed = indexed;
    // 2. Configuration on the private copy.
    if (!in.configs.inert &&
        !configure_card(candidate.card, *indexed, in.configs, in.index, in.view.card_rarities))
        return;
    // 3. A unit and an attribute are needed, and a character the pool knows.
    if (indexed->unit_mask == 0 || !indexed->attr_known) return;
    if (indexed->card.character_id > MAX_CHARACTER_ID) return;
    candidate.unit_mask = indexed->unit_mask;
    candidate.attr_index = indexed->attr_index;
    // 4. Training words.
    candidate.image_trained = is_after_training_word(candidate.card.default_image);
    candidate.status_trained = is_trained_status(candidate.card.special_training_status);
    // 5-12. Event bonus.
    if (in.event) apply_event_bonus(candidate, *in.event);
    out.push_back(std::move(candidate));
}

void drop_excluded_cards(std::vector<CardCandidate>& candidates, const RecommendOptions& o) {
    if (o.excluded_cards.empty()) return;
    const std::unordered_set<i32> excluded(o.excluded_cards.begin(), o.excluded_cards.end());
    std::erase_if(candidates, [&](const CardCandidate& c) {
        return excluded.contains(static_cast<i32>(c.card.card_id));
    });
}

bool card_passes_filters(const RecommendOptions& o, const std::optional<EventContext>& event,
                         const CardCandidate& c) {
    const u32 id = c.card.card_id;
    const u8 mask = c.unit_mask;
    const auto lacks_unit = [&](u8 code) {
        return is_real_unit(code) && !(mask & (1u << (code - 1)));
    };
    // 1. Excluded cards.
    if (contains(o.excluded_cards, id)) return false;
    // 2. Unit and attribute filters, which fixed cards pass.
    if (!contains(o.fixed_cards, id)) {
        if (o.unit_filter && lacks_unit(parse_unit(*o.unit_filter))) return false;
        if (o.attr_filter) {
            const u8 attr = parse_card_attr(*o.attr_filter);
            if (is_real_attr(attr) && attr - 1 != c.attr_index) return false;
        }
        if (o.filter_other_unit && o.event_unit && lacks_unit(parse_unit(*o.event_unit)))
            return false;
    }
    // 3. A challenge live is played by one character.
    if (o.challenge_live_character_id &&
        *o.challenge_live_character_id != c.indexed->card.character_id)
        return false;
    // 4. Other units of the event.
    if (o.filter_other_unit && event && is_real_unit(event->unit))
        return mask == 0x20 || (mask & (1u << (event->unit - 1)));
    return true;
}

bool filter_candidates(std::vector<CardCandidate>& candidates, const RecommendOptions& o,
                       const std::optional<EventContext>& event) {
    const bool filtered_event = event && !event->final_chapter() && !event->world_bloom() &&
                                o.target != Target::POWER && o.target != Target::SKILL;
    const auto drop = [&](auto rejects) {
        candidates.erase(std::remove_if(candidates.begin(), candidates.end(), rejects),
                         candidates.end());
    };
    if (!filtered_event) {
        // A challenge live only ever takes its character's cards.
        if (o.challenge_live_character_id)
            drop([&](const CardCandidate& c) {
                return *o.challenge_live_character_id != c.indexed->card.character_id;
            });
        return false;
    }
    drop([&](const CardCandidate& c) { return !card_passes_filters(o, event, c); });

    // Thinning of large event requests.
    const auto meets_rule = [](const CardCandidate& c) {
        return c.indexed->card.rarity > 3 ||
               (c.has_event_bonus() && c.character_bonus && c.attribute_bonus);
    };
    if (candidates.size() < THINNING_MIN ||
        std::none_of(candidates.begin(), candidates.end(), meets_rule))
        return false;
    drop([&](const CardCandidate& c) {
        const bool fixed_character =
            std::find(o.fixed_characters.begin(), o.fixed_characters.end(),
                      c.indexed->card.character_id) != o.fixed_characters.end();
        return !(contains(o.fixed_cards, c.card.card_id) || fixed_character || meets_rule(c));
    });
    return true;
}

}  // namespace vdz
