// The event context of a request: which event the request is for (from the
// master event row, the options' event type, or the custom bonus options),
// its World Bloom turn, and the rows and tables of that event that the card
// candidates and the search context read. Built once per request by the
// card power step; absent when the request has no event.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "common/types.h"
#include "handler/enums.h"
#include "handler/master_data_view.h"
#include "handler/options.h"
#include "handler/user_records.h"

namespace vdz {

// The event of the World Bloom final chapter.
inline constexpr i32 FINAL_CHAPTER_EVENT_ID = 180;

// One deck-bonus row of the event, with its texts read into codes.
struct DeckBonusRow {
    std::optional<i32> character;
    std::optional<u8> attr_index;  // 0..4
    bool has_attr_text = false;
    u8 unit = 10;  // Unit code; 10 when the row names none
    i32 rate = 0;
};

// An event card's bonus rates, whole percent.
struct EventCardRates {
    i32 bonus_rate = 0;
    i32 leader_bonus_rate = 0;
};

struct EventContext {
    EventType kind = EventType::MARATHON;  // never NONE
    std::optional<i32> event_id;
    std::optional<i32> world_bloom_turn;
    std::vector<DeckBonusRow> deck_bonuses;  // master order
    u8 unit = 10;                            // the event's unit; 10 when none
    std::vector<i32> bonus_characters;
    u8 custom_attr = 0;  // attribute code 1..5 (6: a name of none); 0 when not given
    std::array<u8, 27> support_unit_by_character{};  // configured Unit code, 0 = none
    // Rarity bonus in tenths by rarity code 0..5 and master rank 0..5, and the
    // rows it is read from for ranks beyond.
    std::array<std::array<i32, 6>, 6> rarity_bonus{};
    std::vector<EventRarityBonus> rarity_rows;
    std::unordered_map<u32, EventCardRates> event_cards;  // by card id, first row
    std::optional<i32> skill_score_up_limit;
    std::optional<i32> fixture_bonus_limit;
    std::array<u16, 27> leader_honor_bonus{};  // by leader character, final chapter only
    u64 limited_bonus_count = 5;
    std::array<u16, 6> distinct_attr_bonus{};  // World Bloom events only

    bool world_bloom() const { return kind == EventType::WORLD_BLOOM; }
    bool final_chapter() const { return event_id == FINAL_CHAPTER_EVENT_ID; }
    // Rarity bonus t of a card, tenths of a percent.
    i32 rarity_bonus_of(u32 rarity, u32 master_rank) const;
};

// Settles the request's event context, or none when it has no event.
std::optional<EventContext> settle_event_context(const RecommendOptions& options,
                                                 const MasterDataView& view,
                                                 std::span<const UserHonor> honors);

// The mysekai fixture bonus limit of an event id (the first row counts):
// it applies by the request's event id, with or without an event context.
std::optional<i32> fixture_bonus_limit(const MasterDataView& view, i32 event_id);

// The music meta the request names (by id and difficulty, "expert" when the
// options give none), or none.
const MusicMeta* choose_music_meta(const RecommendOptions& options, const MasterDataView& view);

}  // namespace vdz
