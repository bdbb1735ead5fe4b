// The JSON object of one found deck, as `recommend` reports it: the deck is
// evaluated again from its slots, so every number written is the one the
// search ranked by, and each card's reported state (power parts, skill,
// level, training state) and the World Bloom support cards are added.
#pragma once

#include <span>

#include "handler/user_data.h"
#include "json/writer.h"
#include "pool/card_pool.h"
#include "pool/pool_card_record.h"
#include "pool/result_card_states.h"
#include "pool/search_context.h"
#include "search/evaluation/deck_entry.h"

namespace vdz {

// Everything the writer reads beside a deck's slots; all borrowed for one
// call of the pool search step.
struct ResultSources {
    const CardPool& pool;
    const SearchContext& context;
    std::span<const PoolCardRecord> records;  // one per pool card, in pool order
    const ResultCardStates& states;           // the player's cards as configured
    const UserData& user;
    Target target;  // the request's target as the options read it
};

// Writes the deck's object, keys sorted. False, with nothing written, when
// no skill choice of the deck passes the multi live score up lower bound.
bool write_deck_result(json::Writer& out, const DeckSlots& slots, const ResultSources& sources);

}  // namespace vdz
