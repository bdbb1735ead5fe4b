// The music ranking: skill list, skill order, live score and event points of
// each song and difficulty, in the order the game's event formulas apply
// them. Every float-to-integer step truncates toward zero and saturates.
#include "auxiliary/music_recommendation.h"

#include <algorithm>
#include <compare>
#include <limits>

#include "common/numeric.h"
#include "common/text.h"
#include "json/writer.h"

namespace vdz {
namespace {

constexpr usize MAX_DECK_CARDS = 5;
// Positions of the scored list: five skills and the leader's encore.
constexpr usize SCORED_POSITIONS = 6;

enum class LiveGroup : u8 { SOLO, MULTI, AUTO };

LiveGroup live_group(LiveType type) {
    switch (type) {
        case LiveType::MULTI:
        case LiveType::CHEERFUL:
            return LiveGroup::MULTI;
        case LiveType::AUTO:
        case LiveType::CHALLENGE_AUTO:
            return LiveGroup::AUTO;
        default:
            return LiveGroup::SOLO;
    }
}

// IEEE 754 total order, so that the sorts never depend on the algorithm.
bool total_less(double a, double b) {
    return std::strong_order(a, b) < 0;
}

// Sorts at most six values in place: an insertion sort is all they need.
template <class Less>
void sort_few(double* first, double* last, Less less) {
    for (double* i = first; i != last; ++i) {
        for (double* j = i; j != first && less(*j, *(j - 1)); --j)
            std::swap(*j, *(j - 1));
    }
}

// The deck's skills in play order; the last entry is the leader's encore.
// For a multi live the player's skill is the leader's plus a fifth of the
// others', and the four teammates play theirs (or the player's when unknown);
// the list then always stands for five players, whatever the deck's size.
Result<std::vector<double>> skill_list(const MusicDeck& deck,
                                       const MusicRecommendSettings& settings, usize& ordered) {
    // 1. The list as played.
    const usize n = deck.cards.size();
    const double leader = deck.cards[0];
    std::vector<double> skills;
    if (live_group(settings.live_type) == LiveGroup::MULTI) {
        double own = leader;
        for (usize i = 1; i < n; ++i)
            own += 0.2 * deck.cards[i];
        const double mate = settings.multi_live_teammate_score_up
                                ? static_cast<double>(*settings.multi_live_teammate_score_up)
                                : own;
        skills = {own, mate, mate, mate, mate, own};
        ordered = MAX_DECK_CARDS;
    } else {
        skills = deck.cards;
        skills.push_back(leader);
        ordered = n;
    }

    // 2. The order the strategy assumes for the first `ordered` entries.
    double* const first = skills.data();
    double* const last = first + ordered;
    switch (settings.skill_order_choose_strategy) {
        case SkillOrderChooseStrategy::BEST:
            sort_few(first, last, total_less);
            break;
        case SkillOrderChooseStrategy::WORST:
            sort_few(first, last, [](double a, double b) { return total_less(b, a); });
            break;
        case SkillOrderChooseStrategy::AVERAGE: {
            double sum = 0.0;
            for (auto it = first; it != last; ++it)
                sum += *it;
            std::fill(first, last, sum / static_cast<double>(ordered));
            break;
        }
        case SkillOrderChooseStrategy::SPECIFIC: {
            const auto& order = *settings.specific_skill_order;
            if (order.size() + 1 != skills.size()) {
                return make_error("specific_skill_order size does not match skills size");
            }
            std::vector<double> chosen;
            for (const u64 index : order) {
                if (index >= skills.size()) {
                    return make_error("specific_skill_order index out of range: " +
                                      std::to_string(index));
                }
                chosen.push_back(skills[index]);
            }
            chosen.push_back(skills.back());
            skills = std::move(chosen);
            break;
        }
    }

    // 3. Empty places of a short deck play no skill.
    if (skills.size() < SCORED_POSITIONS) {
        skills.insert(skills.end() - 1, SCORED_POSITIONS - skills.size(), 0.0);
    }
    return skills;
}

// Event points of a live of `score`: a challenge live's fixed scale, or the
// event formula of the live type's group times the song's rate and the deck's
// bonus.
Result<i32> event_points(i32 score, const MusicMeta& meta, const MusicDeck& deck,
                         const MusicRecommendSettings& settings) {
    if (is_challenge(settings.live_type)) return 12000 + 120 * (score / 20000);
    const double bonus = (deck.event_bonus_rate + deck.support_deck_bonus_rate) / 100.0 + 1.0;
    const LiveGroup group = live_group(settings.live_type);
    const i32 rate = group == LiveGroup::MULTI  ? meta.event_rate_multi
                     : group == LiveGroup::AUTO ? meta.event_rate_auto
                                                : meta.event_rate_solo;
    const double rate_factor = static_cast<double>(rate) / 100.0;
    if (group != LiveGroup::MULTI) {
        const i32 k = 100 + score / 20000;
        return saturating_cast<i32>(bonus * (rate_factor * static_cast<double>(k)));
    }
    // The score's fourfold in 64 bits, so that a large score cannot wrap.
    const i64 fourfold = 4 * i64{score};
    const i64 k = 110 + i64{saturating_cast<i32>(static_cast<double>(score) / 17000.0)} +
                  std::min<i64>(fourfold / 340000, 13);
    const double points = bonus * (rate_factor * static_cast<double>(k));
    if (settings.live_type == LiveType::MULTI) {
        if (settings.event_type == EventType::CHEERFUL) {
            return make_error("multi live is not playable in cheerful event");
        }
        return saturating_cast<i32>(points);
    }
    if (settings.event_type != EventType::CHEERFUL) {
        return make_error("cheerful live is only playable in cheerful event");
    }
    return saturating_cast<i32>(static_cast<double>(saturating_cast<i32>(points)) * 1.35);
}

}  // namespace

Result<MusicRecommendation> evaluate_music(const MusicMeta& meta, const MusicDeck& deck,
                                           const MusicRecommendSettings& settings) {
    // 1. Skills and the rates they meet.
    usize ordered = 0;
    Result<std::vector<double>> skills = skill_list(deck, settings, ordered);
    if (!skills) return std::move(skills).error();
    const LiveGroup group = live_group(settings.live_type);
    std::array<double, 6> rates = group == LiveGroup::MULTI  ? meta.skill_score_multi
                                  : group == LiveGroup::AUTO ? meta.skill_score_auto
                                                             : meta.skill_score_solo;
    if (settings.skill_order_choose_strategy == SkillOrderChooseStrategy::BEST ||
        settings.skill_order_choose_strategy == SkillOrderChooseStrategy::WORST) {
        sort_few(rates.data(), rates.data() + ordered, total_less);
    }
    const double base = group == LiveGroup::MULTI  ? meta.base_score + 0.5 * meta.fever_score
                        : group == LiveGroup::AUTO ? meta.base_score_auto
                                                   : meta.base_score;

    // 2. Live score; the room's power of a multi live in 64 bits, so that a
    // large teammate power cannot wrap.
    double coefficient = base;
    for (usize i = 0; i < SCORED_POSITIONS; ++i)
        coefficient += (rates[i] * (*skills)[i]) / 100.0;
    double extra = 0.0;
    if (group == LiveGroup::MULTI) {
        const i64 room = settings.multi_live_teammate_power
                             ? i64{deck.total_power} + 4 * i64{*settings.multi_live_teammate_power}
                             : 5 * i64{deck.total_power};
        extra = 0.075 * static_cast<double>(room);
    }
    const i32 score =
        saturating_cast<i32>((coefficient * static_cast<double>(deck.total_power)) * 4.0 + extra);

    // 3. Event points.
    Result<i32> points = event_points(score, meta, deck, settings);
    if (!points) return std::move(points).error();
    return MusicRecommendation{meta.difficulty, *points, meta.music_id, score};
}

Result<std::vector<MusicRecommendation>> recommend_music_core(
    const MusicMetas& metas, const MusicDeck& deck, const MusicRecommendSettings& settings) {
    // 1. Checks of the request as a whole.
    if (metas.empty()) return make_error("music metas are not loaded");
    if (deck.cards.empty() || deck.cards.size() > MAX_DECK_CARDS) {
        return make_error("deck.cards must contain 1 to 5 cards");
    }
    const bool multi = live_group(settings.live_type) == LiveGroup::MULTI;
    if (settings.multi_live_teammate_score_up && !multi) {
        return make_error("multi_live_teammate_score_up is only valid for multi live");
    }
    if (settings.multi_live_teammate_power && !multi) {
        return make_error("multi_live_teammate_power is only valid for multi live");
    }
    if (settings.skill_order_choose_strategy == SkillOrderChooseStrategy::SPECIFIC &&
        !settings.specific_skill_order) {
        return make_error(
            "specific_skill_order is required when skill_order_choose_strategy is specific");
    }

    // 2. One record per music meta, then the ranking.
    std::vector<MusicRecommendation> records;
    records.reserve(metas.size());
    for (const MusicMeta& meta : metas) {
        Result<MusicRecommendation> record = evaluate_music(meta, deck, settings);
        if (!record) return std::move(record).error();
        records.push_back(std::move(record).value());
    }
    std::stable_sort(records.begin(), records.end(),
                     [](const MusicRecommendation& a, const MusicRecommendation& b) {
                         if (a.event_point != b.event_point) return a.event_point > b.event_point;
                         if (a.live_score != b.live_score) return a.live_score > b.live_score;
                         if (a.music_id != b.music_id) return a.music_id < b.music_id;
                         return difficulty_rank(a.difficulty) < difficulty_rank(b.difficulty);
                     });
    return records;
}

u64 difficulty_rank(std::string_view difficulty) {
    static constexpr std::array<std::string_view, 6> NAMES = {"easy",   "normal", "hard",
                                                              "expert", "master", "append"};
    const std::string key = ascii_lower(trim_unicode(difficulty));
    for (usize i = 0; i < NAMES.size(); ++i) {
        if (key == NAMES[i]) return i;
    }
    return std::numeric_limits<u64>::max();
}

std::string write_music_recommendations(const std::vector<MusicRecommendation>& records) {
    std::string out;
    json::Writer w(out);
    w.begin_array();
    for (const MusicRecommendation& record : records) {
        w.begin_object();
        w.member("music_id", record.music_id);
        w.member("difficulty", record.difficulty);
        w.member("live_score", record.live_score);
        w.member("event_point", record.event_point);
        w.end_object();
    }
    w.end_array();
    return out;
}

}  // namespace vdz
