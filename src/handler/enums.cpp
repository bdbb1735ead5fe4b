// Accepted texts of the request's enumerations.
#include "handler/enums.h"

#include <initializer_list>
#include <utility>

#include "common/text.h"
#include "handler/codes.h"

namespace vdz {
namespace {

template <class E>
std::optional<E> match(std::string_view text,
                       std::initializer_list<std::pair<std::string_view, E>> table) {
    const std::string_view trimmed = trim_unicode(text);
    for (const auto& [name, value] : table)
        if (equals_ignore_ascii_case(trimmed, name)) return value;
    return std::nullopt;
}

}  // namespace

std::optional<LiveType> parse_live_type(std::string_view text) {
    return match<LiveType>(text, {{"solo", LiveType::SOLO},
                                  {"auto", LiveType::AUTO},
                                  {"multi", LiveType::MULTI},
                                  {"cheerful", LiveType::CHEERFUL},
                                  {"challenge", LiveType::CHALLENGE},
                                  {"challengeauto", LiveType::CHALLENGE_AUTO},
                                  {"challenge_auto", LiveType::CHALLENGE_AUTO},
                                  {"mysekai", LiveType::MYSEKAI}});
}

std::optional<Target> parse_target(std::string_view text) {
    return match<Target>(text, {{"score", Target::SCORE},
                                {"power", Target::POWER},
                                {"skill", Target::SKILL},
                                {"bonus", Target::BONUS},
                                {"mysekai", Target::MYSEKAI}});
}

std::optional<SkillReferenceChooseStrategy> parse_skill_reference_strategy(std::string_view text) {
    return match<SkillReferenceChooseStrategy>(
        text, {{"max", SkillReferenceChooseStrategy::MAX},
               {"min", SkillReferenceChooseStrategy::MIN},
               {"average", SkillReferenceChooseStrategy::AVERAGE}});
}

std::optional<SkillOrderChooseStrategy> parse_skill_order_strategy(std::string_view text) {
    return match<SkillOrderChooseStrategy>(text,
                                           {{"best", SkillOrderChooseStrategy::BEST},
                                            {"max", SkillOrderChooseStrategy::BEST},
                                            {"worst", SkillOrderChooseStrategy::WORST},
                                            {"min", SkillOrderChooseStrategy::WORST},
                                            {"average", SkillOrderChooseStrategy::AVERAGE},
                                            {"specific", SkillOrderChooseStrategy::SPECIFIC}});
}

EventType parse_event_type(std::string_view text) {
    return match<EventType>(text, {{"marathon", EventType::MARATHON},
                                   {"cheerful", EventType::CHEERFUL},
                                   {"cheerfulcarnival", EventType::CHEERFUL},
                                   {"cheerful_carnival", EventType::CHEERFUL},
                                   {"world_bloom", EventType::WORLD_BLOOM},
                                   {"worldbloom", EventType::WORLD_BLOOM},
                                   {"wl", EventType::WORLD_BLOOM}})
        .value_or(EventType::NONE);
}

}  // namespace vdz
