// Settling the event context: the event kind and turn first, then the rows
// of the event in master-data order.
#include "handler/event_context.h"

#include <algorithm>

#include "handler/codes.h"

namespace vdz {
namespace {

bool names_custom_bonus(const RecommendOptions& o) {
    return o.event_unit || o.event_attr || o.custom_bonus_attr ||
           !o.custom_bonus_character_ids.empty();
}

// The event kind: the master event row of the id, else the options' type.
std::optional<EventType> event_kind(const RecommendOptions& o, const MasterDataView& view) {
    if (o.event_id) {
        const auto row = std::find_if(view.events.begin(), view.events.end(),
                                      [&](const Event& e) { return e.id == *o.event_id; });
        if (row != view.events.end()) {
            const EventType kind = parse_event_type(row->event_type);
            if (kind != EventType::NONE) return kind;
        }
    }
    if (o.event_type) {
        const EventType kind = parse_event_type(*o.event_type);
        if (kind != EventType::NONE) return kind;
    }
    if (names_custom_bonus(o)) return EventType::MARATHON;
    return std::nullopt;
}

std::optional<i32> world_bloom_turn(EventType kind, const RecommendOptions& o,
                                    const MasterDataView& view) {
    if (o.world_bloom_event_turn || kind != EventType::WORLD_BLOOM) return o.world_bloom_event_turn;
    if (!o.event_id) return std::nullopt;
    const i32 e = *o.event_id;
    if (e >= 1001) return (e / 100000) % 10 + 1;
    if (e == FINAL_CHAPTER_EVENT_ID) return 2;
    const bool listed = std::any_of(view.world_blooms.begin(), view.world_blooms.end(),
                                    [&](const RawWorldBloom& w) { return w.event_id == e; });
    if (!listed) return std::nullopt;
    return e > 140 ? 2 : 1;
}

// The row of a rarity with the largest master rank not above `master_rank`
// (a later row wins a tie); 0 when none qualifies.
i32 rarity_bonus_from_rows(std::span<const EventRarityBonus> rows, u32 rarity, i64 master_rank) {
    const EventRarityBonus* best = nullptr;
    for (const EventRarityBonus& row : rows) {
        if (row.rarity != rarity || row.master_rank > master_rank) continue;
        if (!best || row.master_rank >= best->master_rank) best = &row;
    }
    return best ? best->bonus_rate_x10 : 0;
}

void read_deck_bonuses(EventContext& context, const MasterDataView& view,
                       const RecommendOptions& o) {
    if (context.event_id) {
        for (const EventDeckBonus& row : view.event_deck_bonuses) {
            if (row.event_id != *context.event_id) continue;
            DeckBonusRow out;
            out.character = row.game_character_id;
            if (row.card_attr) {
                out.has_attr_text = true;
                const u8 attr = parse_card_attr(*row.card_attr);
                if (is_real_attr(attr)) out.attr_index = static_cast<u8>(attr - 1);
            }
            if (row.unit) out.unit = parse_unit(*row.unit);
            out.rate = row.bonus_rate;
            context.deck_bonuses.push_back(out);
        }
    }
    // The event's unit: the one unit the rows name, else the option's.
    std::optional<u8> only_unit;
    bool several = false;
    for (const DeckBonusRow& row : context.deck_bonuses) {
        if (row.unit == unit::OTHER) continue;
        if (only_unit && *only_unit != row.unit) several = true;
        only_unit = row.unit;
    }
    if (only_unit && !several) {
        context.unit = *only_unit;
    } else {
        context.unit = o.event_unit ? parse_unit(*o.event_unit) : unit::OTHER;
    }
}

void read_custom_bonuses(EventContext& context, const MasterDataView& view,
                         const RecommendOptions& o) {
    if (!o.custom_bonus_character_ids.empty()) {
        context.bonus_characters = o.custom_bonus_character_ids;
    } else if (o.event_unit) {
        const u8 event_unit = parse_unit(*o.event_unit);
        for (const CharacterUnit& row : view.character_units)
            if (parse_unit(row.unit) == event_unit)
                context.bonus_characters.push_back(row.game_character_id);
    }
    if (o.custom_bonus_attr) {
        context.custom_attr = parse_card_attr(*o.custom_bonus_attr);
    } else if (o.event_attr) {
        context.custom_attr = parse_card_attr(*o.event_attr);
    }
    for (const auto& [character, unit_code] : o.custom_bonus_character_support_units)
        if (character >= 0 && character <= 26)
            context.support_unit_by_character[static_cast<usize>(character)] = unit_code;
}

void read_rarity_bonuses(EventContext& context, const MasterDataView& view,
                         const RecommendOptions& o) {
    if (!o.event_id && !names_custom_bonus(o)) return;
    if (!view.event_rarity_bonuses) return;
    const EventRarityBonuses& rates = *view.event_rarity_bonuses;
    if (o.event_id) context.rarity_rows = rates.of_event(*o.event_id);
    if (context.rarity_rows.empty() && !rates.empty())
        context.rarity_rows = rates.of_event(rates[0].event_id);
    for (u32 rarity = 0; rarity < 6; ++rarity)
        for (u32 rank = 0; rank < 6; ++rank)
            context.rarity_bonus[rarity][rank] =
                rarity_bonus_from_rows(context.rarity_rows, rarity, rank);
}

void read_event_rows(EventContext& context, const MasterDataView& view,
                     std::span<const UserHonor> honors) {
    if (!context.event_id) return;
    const i32 id = *context.event_id;
    for (const EventCardBonus& row : view.event_cards)
        if (row.event_id == id)
            context.event_cards.try_emplace(static_cast<u32>(row.card_id),
                                            EventCardRates{row.bonus_rate, row.leader_bonus_rate});
    for (const RawEventSkillScoreUpLimit& row : view.event_skill_score_up_limits) {
        if (row.event_id != id) continue;
        context.skill_score_up_limit = row.score_up_rate_limit;
        break;
    }
    context.fixture_bonus_limit = fixture_bonus_limit(view, id);
    for (const RawEventCardBonusLimit& row : view.event_card_bonus_limits) {
        if (row.event_id != id) continue;
        context.limited_bonus_count = static_cast<u64>(std::max(row.member_count_limit, 0));
        break;
    }
    if (context.world_bloom()) {
        for (usize count = 1; count < context.distinct_attr_bonus.size(); ++count) {
            for (const WorldBloomDiffAttrBonus& row : view.world_bloom_diff_attr_bonuses) {
                if (row.attribute_count != static_cast<i32>(count)) continue;
                context.distinct_attr_bonus[count] =
                    static_cast<u16>(std::clamp(row.bonus_rate, 0, 65535));
                break;
            }
        }
    }
    if (context.final_chapter()) {
        for (const RawEventHonorBonus& row : view.event_honor_bonuses) {
            if (row.event_id != id || row.leader_game_character_id < 0 ||
                row.leader_game_character_id > 26)
                continue;
            const bool owned = std::any_of(honors.begin(), honors.end(), [&](const UserHonor& h) {
                return h.honor_id == static_cast<u32>(row.honor_id);
            });
            if (!owned) continue;
            u16& entry =
                context.leader_honor_bonus[static_cast<usize>(row.leader_game_character_id)];
            entry = static_cast<u16>(entry + static_cast<u16>(std::max(row.bonus_rate, 0)));
        }
    }
}

}  // namespace

std::optional<i32> fixture_bonus_limit(const MasterDataView& view, i32 event_id) {
    for (const RawEventFixtureBonusLimit& row : view.event_fixture_bonus_limits)
        if (row.event_id == event_id) return row.bonus_rate_limit;
    return std::nullopt;
}

i32 EventContext::rarity_bonus_of(u32 rarity, u32 master_rank) const {
    if (rarity < 6 && master_rank < 6) return rarity_bonus[rarity][master_rank];
    return rarity_bonus_from_rows(rarity_rows, rarity, master_rank);
}

std::optional<EventContext> settle_event_context(const RecommendOptions& options,
                                                 const MasterDataView& view,
                                                 std::span<const UserHonor> honors) {
    const std::optional<EventType> kind = event_kind(options, view);
    if (!kind) return std::nullopt;
    EventContext context;
    context.kind = *kind;
    context.event_id = options.event_id;
    context.world_bloom_turn = world_bloom_turn(*kind, options, view);
    read_deck_bonuses(context, view, options);
    read_custom_bonuses(context, view, options);
    read_rarity_bonuses(context, view, options);
    read_event_rows(context, view, honors);
    return context;
}

const MusicMeta* choose_music_meta(const RecommendOptions& options, const MasterDataView& view) {
    if (!options.music_id) return nullptr;
    const std::string_view difficulty =
        options.music_diff ? std::string_view(*options.music_diff) : std::string_view("expert");
    const MusicMeta* first = nullptr;
    for (const MusicMeta& meta : view.music_metas) {
        if (meta.music_id != *options.music_id) continue;
        if (equals_ignore_ascii_case(meta.difficulty, difficulty)) return &meta;
        if (!first) first = &meta;
    }
    return first;
}

}  // namespace vdz
