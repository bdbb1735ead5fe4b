// parse_recommend_options: the options keys in their fixed reading order,
// which is also the order of the checks. Four lookup rules:
//   P  paired: both forms looked up, unequal values conflict
//   F  first of the keys holding a value of the wanted kind
//   G  first of the keys present, whatever it holds
//   S  a single key
#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <string>

#include "common/text.h"
#include "handler/codes.h"
#include "handler/options.h"
#include "handler/options_validation.h"
#include "json/value.h"

namespace vdz {
namespace {

using json::Value;
using Keys = std::initializer_list<std::string_view>;

// The options as read so far; `root` is null when the text is no object.
class OptionsReader {
  public:
    explicit OptionsReader(const Value& root) : root_(root.is_object() ? &root : nullptr) {}

    const Value* find(std::string_view key) const { return root_ ? root_->find(key) : nullptr; }

    // Rule P. Unequal values under both keys are a conflict.
    Result<const Value*> pair(std::string_view camel, std::string_view snake) const {
        const Value* a = find(camel);
        const Value* b = find(snake);
        if (a && b && !(*a == *b))
            return make_error(std::string(camel) + " 与 " + std::string(snake) + " 冲突");
        return a ? a : b;
    }

    // Rule G.
    const Value* first_present(Keys keys) const {
        for (const std::string_view key : keys)
            if (const Value* v = find(key)) return v;
        return nullptr;
    }

    // Rule F for each kind.
    std::optional<i32> first_int(Keys keys) const {
        for (const std::string_view key : keys)
            if (const Value* v = find(key))
                if (const auto i = v->as_i64()) return static_cast<i32>(*i);
        return std::nullopt;
    }
    std::optional<std::string> first_text(Keys keys) const {
        for (const std::string_view key : keys)
            if (const Value* v = find(key); v && v->is_string()) return *v->as_string();
        return std::nullopt;
    }
    std::optional<bool> first_bool(Keys keys) const {
        for (const std::string_view key : keys)
            if (const Value* v = find(key); v && v->is_bool()) return v->as_bool();
        return std::nullopt;
    }

  private:
    const Value* root_;
};

// A count: a JSON integer that is not negative.
std::optional<u64> as_count(const Value* v) {
    return v && v->kind() == Value::Kind::Unsigned ? v->as_u64() : std::nullopt;
}

std::string range_message(std::string_view name, u64 lo, u64 hi) {
    return std::string(name) + " 必须在 " + std::to_string(lo) + "..=" + std::to_string(hi) +
           " 范围内";
}

// Integer lists (target_bonus_list, custom_bonus_character_ids).
Result<std::vector<i32>> read_int_list_option(const OptionsReader& in, std::string_view camel,
                                              std::string_view snake, i32 lo, i32 hi,
                                              usize max_items) {
    auto found = in.pair(camel, snake);
    VDZ_TRY(found);
    std::vector<i32> out;
    const Value* value = *found;
    if (!value) return out;
    const json::Array* items = value->as_array();
    const std::string name(snake);
    if (!items) return make_error(name + " 必须是数组");
    if (items->size() > max_items)
        return make_error(name + " 最多支持 " + std::to_string(max_items) + " 项");
    for (const Value& item : *items) {
        const std::optional<i64> v = item.as_i64();
        if (!v || *v < lo || *v > hi)
            return make_error(name + " value 必须在 " + std::to_string(lo) +
                              "..=" + std::to_string(hi) + " 范围内");
        if (std::find(out.begin(), out.end(), static_cast<i32>(*v)) != out.end())
            return make_error(name + " 不得包含重复值");
        out.push_back(static_cast<i32>(*v));
    }
    return out;
}

// Id lists: every integer element, others skipped, never an error.
std::vector<i32> read_id_list(const OptionsReader& in, std::string_view key) {
    std::vector<i32> out;
    const Value* value = in.find(key);
    const json::Array* items = value ? value->as_array() : nullptr;
    if (!items) return out;
    for (const Value& item : *items)
        if (const auto v = item.as_i64()) out.push_back(static_cast<i32>(*v));
    return out;
}

// A signed 32-bit decimal: an optional sign, then digits only.
std::optional<i32> parse_character_key(std::string_view key) {
    std::string_view digits = key;
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-'))
        digits.remove_prefix(1);
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    i64 value = 0;
    for (const char c : digits) {
        value = value * 10 + (c - '0');
        if (value > i64{1} << 31) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<i32>(value);
}

Result<std::vector<std::pair<i32, u8>>> read_support_units(const OptionsReader& in) {
    auto found =
        in.pair("customBonusCharacterSupportUnits", "custom_bonus_character_support_units");
    VDZ_TRY(found);
    std::vector<std::pair<i32, u8>> out;
    if (!*found) return out;
    const json::Object* members = (*found)->as_object();
    if (!members) return make_error("custom bonus support units 必须是对象");
    // Members come in ascending byte order of their keys.
    for (const json::Member& member : *members) {
        const auto character = parse_character_key(member.key);
        if (!character) return make_error("custom bonus support character id 非法");
        const std::string* text = member.value.as_string();
        const u8 code = text ? parse_unit(*text) : unit::OTHER;
        if (!is_real_unit(code)) return make_error("custom bonus support unit 非法");
        out.push_back({*character, code});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return out;
}

Result<std::optional<std::array<u64, 5>>> read_specific_order(const OptionsReader& in) {
    const Value* value = in.first_present({"specificSkillOrder", "specific_skill_order"});
    if (!value) return std::optional<std::array<u64, 5>>{};
    std::vector<u64> indices;
    if (const std::string* text = value->as_string()) {
        std::string_view rest = *text;
        while (true) {
            const usize comma = rest.find(',');
            std::string_view piece = trim_unicode(rest.substr(0, comma));
            if (!piece.empty() && piece.front() == '+') piece.remove_prefix(1);
            u64 v = 0;
            const auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), v);
            if (!piece.empty() && ec == std::errc() && end == piece.data() + piece.size())
                indices.push_back(v);
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
    } else if (const json::Array* items = value->as_array()) {
        for (const Value& item : *items)
            if (const auto v = as_count(&item)) indices.push_back(*v);
    } else {
        return make_error("specific_skill_order 非法");
    }
    if (indices.size() != 5) return make_error("specific_skill_order 必须包含 5 个索引");
    std::array<u64, 5> order{};
    for (usize i = 0; i < 5; ++i) {
        if (indices[i] >= 5) return make_error("specific_skill_order 索引必须在 0..5");
        order[i] = indices[i];
    }
    return std::optional<std::array<u64, 5>>{order};
}

bool in_name_table(const std::string& text, Keys names) {
    const std::string folded = ascii_lower(trim_unicode(text));
    return std::find(names.begin(), names.end(), folded) != names.end();
}

// Reads every key; the validation runs after.
Status read_options(const OptionsReader& in, RecommendOptions& o) {
    // 1-4. Region, event, live type.
    if (const Value* region = in.find("region"); region && region->is_string())
        o.region = *region->as_string();
    o.event_id = in.first_int({"eventId", "event_id"});
    o.event_type = in.first_text({"eventType", "event_type"});
    if (const auto live = in.first_text({"liveType", "live_type"})) {
        const auto parsed = parse_live_type(*live);
        if (!parsed) return make_error("live_type 非法");
        o.live_type = *parsed;
    }
    // 5. Target.
    auto target = in.pair("target", "target");
    VDZ_TRY(target);
    if (*target) {
        const std::string* text = (*target)->as_string();
        if (!text) return make_error("target 必须是字符串");
        const auto parsed = parse_target(*text);
        if (!parsed) return make_error("target 非法");
        o.target = *parsed;
    }
    // 6-8. limit, member, timeout_ms.
    auto limit = in.pair("limit", "limit");
    VDZ_TRY(limit);
    if (*limit) {
        const auto v = as_count(*limit);
        if (!v || *v < 1 || *v > MAX_LIMIT) return make_error(range_message("limit", 1, MAX_LIMIT));
        o.limit = *v;
    }
    auto member = in.pair("member", "member");
    VDZ_TRY(member);
    if (*member && !(*member)->is_null()) {
        const auto v = as_count(*member);
        if (v != 5u) return make_error(range_message("member", 5, 5));
        o.member = 5;
    }
    auto timeout = in.pair("timeoutMs", "timeout_ms");
    VDZ_TRY(timeout);
    if (*timeout) {
        const auto v = as_count(*timeout);
        if (!v || *v < 1 || *v > MAX_TIMEOUT_MS)
            return make_error(range_message("timeout_ms", 1, MAX_TIMEOUT_MS));
        o.timeout_ms = *v;
    }
    // 9. Event-bonus tiers.
    auto tiers = read_int_list_option(in, "targetBonusList", "target_bonus_list", 0, 10000, 32);
    VDZ_TRY(tiers);
    o.target_bonus_list = std::move(tiers).value();
    // 10-21. Plain values.
    o.minimize = in.first_bool({"minimize"}).value_or(false);
    o.music_id = in.first_int({"musicId", "music_id"});
    o.music_diff = in.first_text({"musicDiff", "music_diff"});
    o.fixed_cards = read_id_list(in, "fixedCards");
    o.fixed_characters = read_id_list(in, "fixedCharacters");
    o.forced_leader_character_id = in.first_int({"forcedLeaderCharacterId"});
    o.excluded_cards = read_id_list(in, "excludedCards");
    o.world_bloom_character_id =
        in.first_int({"worldBloomCharacterId", "world_bloom_character_id"});
    o.world_bloom_event_turn = in.first_int({"worldBloomEventTurn", "world_bloom_event_turn"});
    o.challenge_live_character_id =
        in.first_int({"challengeLiveCharacterId", "challenge_live_character_id"});
    o.event_unit = in.first_text({"eventUnit", "event_unit"});
    o.event_attr = in.first_text({"eventAttr", "event_attr"});
    // 22. Name checks of the event texts.
    if (o.event_type &&
        !in_name_table(*o.event_type, {"marathon", "cheerful", "cheerful_carnival",
                                       "cheerfulcarnival", "world_bloom", "worldbloom", "wl"}))
        return make_error("event_type 非法");
    if (o.event_attr &&
        !in_name_table(*o.event_attr, {"mysterious", "cute", "cool", "pure", "happy"}))
        return make_error("event_attr 非法");
    if (o.event_unit &&
        !in_name_table(*o.event_unit, {"light_sound", "idol", "street", "theme_park", "themepark",
                                       "school_refusal", "piapro"}))
        return make_error("event_unit 非法");
    // 23-25. Custom bonuses.
    auto characters = read_int_list_option(in, "customBonusCharacterIds",
                                           "custom_bonus_character_ids", 1, 26, 26);
    VDZ_TRY(characters);
    o.custom_bonus_character_ids = std::move(characters).value();
    auto attr = in.pair("customBonusAttr", "custom_bonus_attr");
    VDZ_TRY(attr);
    if (*attr && !(*attr)->is_null()) {
        const std::string* text = (*attr)->as_string();
        if (!text) return make_error("custom_bonus_attr / attr 必须是字符串");
        o.custom_bonus_attr = *text;
    }
    auto units = read_support_units(in);
    VDZ_TRY(units);
    o.custom_bonus_character_support_units = std::move(units).value();
    // 26-30. Flags.
    o.filter_other_unit = in.first_bool({"filterOtherUnit"}).value_or(false);
    o.support_master_max =
        in.first_bool({"supportMasterMax", "support_master_max"}).value_or(false);
    o.support_skill_max = in.first_bool({"supportSkillMax", "support_skill_max"}).value_or(false);
    o.keep_after_training_state = in.first_bool({"keepAfterTrainingState"}).value_or(false);
    o.best_skill_as_leader = in.first_bool({"bestSkillAsLeader"}).value_or(true);
    // 31-33. Skill strategies.
    if (const auto text =
            in.first_text({"skillReferenceChooseStrategy", "skillReferenceStrategy"})) {
        const auto parsed = parse_skill_reference_strategy(*text);
        if (!parsed) return make_error("skill_reference_choose_strategy 非法");
        o.skill_reference_choose_strategy = *parsed;
    }
    if (const auto text = in.first_text(
            {"liveSkillOrder", "skillOrderChooseStrategy", "skill_order_choose_strategy"})) {
        const auto parsed = parse_skill_order_strategy(*text);
        if (!parsed) return make_error("skill_order_choose_strategy 非法");
        o.skill_order_choose_strategy = *parsed;
    }
    auto order = read_specific_order(in);
    VDZ_TRY(order);
    o.specific_skill_order = *order;
    // 34-41. Multi-live, event-point and filter values.
    o.multi_live_teammate_score_up =
        in.first_int({"multiLiveTeammateScoreUp", "multi_teammate_score_up"});
    o.multi_live_teammate_power = in.first_int({"multiLiveTeammatePower", "multi_teammate_power"});
    if (const Value* bound =
            in.first_present({"multiLiveScoreUpLowerBound", "multi_live_score_up_lower_bound"}))
        o.multi_live_score_up_lower_bound = bound->as_f64();
    o.boost = in.first_int({"boost"});
    o.other_score = in.first_int({"otherScore", "other_score"});
    o.life = in.first_int({"life"});
    o.unit_filter = in.first_text({"unitFilter", "unit_filter"});
    o.attr_filter = in.first_text({"attrFilter", "attr_filter"});
    return ok_status();
}

}  // namespace

Result<RecommendOptions> parse_recommend_options(std::string_view options_json) {
    Result<Value> parsed = json::parse_value(options_json);
    if (!parsed) return std::move(parsed).error();
    RecommendOptions options;
    VDZ_TRY(read_options(OptionsReader(*parsed), options));
    // 42, 43. Card configurations, which never fail to read.
    options.rarity_configs = read_rarity_configs(*parsed);
    options.single_card_configs = read_single_card_configs(*parsed);
    // 44. The record as a whole.
    if (auto invalid = validate_recommend_options(options))
        return option_error_from_pool_error(std::move(*invalid));
    return options;
}

}  // namespace vdz
