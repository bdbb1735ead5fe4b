// One player's data, parsed once from JSON and then only read: every request
// that names the player shares it by reference. The reader is lenient: apart
// from a JSON syntax error nothing fails; a missing or mistyped list is
// empty, an entry without its identifying integer is dropped, and a missing
// or mistyped secondary field takes its default.
#pragma once

#include <string_view>
#include <vector>

#include "common/result.h"
#include "handler/user_records.h"

namespace vdz {

// Owned through `std::shared_ptr<const UserData>` by the Python object that
// wraps it, by every running call that uses it and by every card pool built
// from it; freed with the last of them. Each list keeps the order of its
// JSON array, duplicates included.
struct UserData {
    std::vector<UserCard> user_cards;            // userCards
    std::vector<UserCharacter> user_characters;  // userCharacters
    std::vector<UserAreaItem> user_area_items;   // areaItems of every userAreas entry
    std::vector<UserDeck> user_decks;            // userDecks
    std::vector<UserWorldBloomSupportDeck> world_bloom_support_decks;
    std::vector<UserChallengeLiveSoloDeck> challenge_live_solo_decks;
    std::vector<UserFixtureBonus>
        fixture_bonuses;  // userMysekaiFixtureGameCharacterPerformanceBonuses
    std::vector<UserMysekaiGate> mysekai_gates;  // userMysekaiGates
    std::vector<u32> mysekai_canvases;           // card ids of userMysekaiCanvases
    std::vector<UserHonor> user_honors;          // userHonors
};

// Parses the user-data text. Fails only when the text is not one JSON value;
// the error is the JSON reader's message with its line and column.
Result<UserData> parse_user_data(std::string_view text);

}  // namespace vdz
