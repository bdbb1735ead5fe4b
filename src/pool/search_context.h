// The one record of search settings that travels with a CardPool: target and
// live type, fixed cards and characters, the option values the deck
// evaluator needs, music and event values, bounds over the whole pool, the
// World Bloom support lists and five per-card vectors in pool order. The pool
// builder fills it once; afterwards it is only read (a compaction makes a new
// one), so several searches may share it.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "common/types.h"
#include "handler/enums.h"

namespace vdz {

// One card of a World Bloom support list: its id and its support bonus.
struct SupportEntry {
    u16 card_id = 0;
    double value = 0.0;  // percent

    bool operator==(const SupportEntry&) const = default;
};

// A support list, best first, and how many of its entries a deck's support
// sum takes (the support deck's size; 0 turns the list off).
struct SupportDeckList {
    std::vector<SupportEntry> entries;
    u8 count = 0;

    bool operator==(const SupportDeckList&) const = default;
};

// The general list and, in the final chapter only, one list per character
// id 0..26 (entry 0 unused); empty otherwise.
struct WorldBloomSupport {
    SupportDeckList general;
    std::vector<SupportDeckList> per_character;

    bool operator==(const WorldBloomSupport&) const = default;
};

// `event_kind` when the request has no event.
inline constexpr u8 NO_EVENT_KIND = 3;
// Deck power cap of the third World Bloom turn.
inline constexpr u32 WORLD_BLOOM_POWER_CAP = 336000;

struct SearchContext {
    Target target = Target::SCORE;
    LiveType live_type = LiveType::SOLO;
    u8 event_kind = NO_EVENT_KIND;  // 0 marathon, 1 cheerful carnival, 2 World Bloom, 3 none
    bool world_bloom = false;       // the event is a World Bloom event
    bool final_chapter = false;     // the event's id is 180
    bool dominance_pruning = true;  // the live type is not a challenge live
    std::optional<u8> designated_character;  // final chapter only
    bool minimize = false;
    bool keep_after_training_state = false;
    bool best_skill_as_leader = true;
    SkillReferenceChooseStrategy skill_reference_choose_strategy =
        SkillReferenceChooseStrategy::AVERAGE;
    SkillOrderChooseStrategy skill_order_choose_strategy = SkillOrderChooseStrategy::BEST;
    std::optional<std::array<u64, 5>> specific_skill_order;
    std::optional<double> multi_live_score_up_lower_bound;
    u32 wl3_power_cap = 0;         // 1: deck power is capped at power_cap
    u64 limited_bonus_count = 5;   // limited bonuses counted in a final-chapter deck
    std::vector<u16> fixed_cards;  // card ids, in the order given
    std::vector<u8> fixed_characters;
    std::optional<i32> multi_live_teammate_score_up;
    std::optional<u32> multi_live_teammate_power;
    u32 music_event_rate = 100;  // percent
    // Base score, auto base score, fever score.
    std::array<double, 3> music_base_scores = {1.0, 1.0, 0.0};
    // Skill-score weights: rows solo, multi, auto.
    std::array<std::array<double, 6>, 3> music_skill_scores{};
    double power_weight = 1.0;  // weights of the greedy card value
    double bonus_weight = 1.0;
    u32 power_cap = WORLD_BLOOM_POWER_CAP;
    u32 boost_rate = 100;  // percent
    u32 other_score = 0;
    u32 life = 1000;
    // World Bloom bonus by the number of distinct attributes in a deck.
    std::array<u16, 6> distinct_attr_bonus{};
    u32 bonus_bound = 0;            // upper bound of a deck's extra event bonus, percent
    u32 skill_bound = 0;            // sum of the five largest skill_value bytes
    i32 honor_power = 0;            // added to every deck's power
    i32 default_support_value = 0;  // support value when world_bloom is clear
    WorldBloomSupport world_bloom_support;

    // Per-card vectors: exactly one entry per pool card, in pool order.
    std::vector<u16> leader_honor_bonus;
    std::vector<u16> leader_limit_bonus;
    std::vector<u8> skill_is_after_training;   // 0 or 1
    std::vector<u8> trained_to_special_image;  // 0 or 1
    std::vector<u8> card_enabled;              // 1 for every card when built

    bool operator==(const SearchContext&) const = default;
};

// boost option -> boost rate in percent: absent or below 1 gives 100,
// 1..5 gives 500 x b, 6..10 gives 1500 + 200 x b, above 10 gives 100.
u32 boost_rate_from_option(std::optional<i32> boost);

}  // namespace vdz
