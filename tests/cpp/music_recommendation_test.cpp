#include "auxiliary/music_recommendation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vdz {
namespace {

MusicMeta flat_meta(i32 id, const char* difficulty, double rate = 0.5) {
    MusicMeta meta;
    meta.music_id = id;
    meta.difficulty = difficulty;
    meta.base_score = 1.0;
    meta.base_score_auto = 0.75;
    meta.fever_score = 1.0;
    meta.skill_score_solo.fill(rate);
    meta.skill_score_multi.fill(rate);
    meta.skill_score_auto.fill(rate);
    meta.event_rate_solo = meta.event_rate_multi = meta.event_rate_auto = 100;
    return meta;
}

MusicDeck deck_of(std::vector<double> cards, i32 power = 10000) {
    MusicDeck deck;
    deck.cards = std::move(cards);
    deck.total_power = power;
    return deck;
}

MusicRecommendSettings settings_for(
    LiveType live, SkillOrderChooseStrategy strategy = SkillOrderChooseStrategy::BEST) {
    MusicRecommendSettings settings;
    settings.live_type = live;
    settings.skill_order_choose_strategy = strategy;
    return settings;
}

// The live score with rates 1 to 6 and nothing else, at a power that makes
// it the dot product of the rates and the played skill list (up to rounding).
i32 dot_score(const MusicDeck& deck, const MusicRecommendSettings& settings) {
    MusicMeta meta = flat_meta(1, "master");
    meta.base_score = meta.base_score_auto = meta.fever_score = 0.0;
    meta.skill_score_solo = meta.skill_score_auto = {1, 2, 3, 4, 5, 6};
    const auto record = evaluate_music(meta, deck_of(deck.cards, 2500), settings);
    EXPECT_TRUE(record.ok());
    return record.ok() ? static_cast<i32>(std::lround(record->live_score / 100.0)) : -1;
}

i32 dot(std::vector<double> list) {
    double sum = 0.0;
    for (usize i = 0; i < list.size(); ++i)
        sum += static_cast<double>(i + 1) * list[i];
    return static_cast<i32>(sum);
}

TEST(MusicRecommendation, SkillOrderStrategies) {
    const MusicDeck three = deck_of({30, 60, 90});
    EXPECT_EQ(dot_score(three, settings_for(LiveType::SOLO)), dot({30, 60, 90, 0, 0, 30}));
    EXPECT_EQ(dot_score(deck_of({90, 30, 60}), settings_for(LiveType::SOLO)),
              dot({30, 60, 90, 0, 0, 90}))
        << "best plays the smallest skill first; the encore is the leader's";
    EXPECT_EQ(dot_score(three, settings_for(LiveType::AUTO, SkillOrderChooseStrategy::WORST)),
              dot({90, 60, 30, 0, 0, 30}));
    EXPECT_EQ(
        dot_score(three, settings_for(LiveType::CHALLENGE, SkillOrderChooseStrategy::AVERAGE)),
        dot({60, 60, 60, 0, 0, 30}));

    auto specific = settings_for(LiveType::SOLO, SkillOrderChooseStrategy::SPECIFIC);
    specific.specific_skill_order = std::array<u64, 5>{4, 3, 2, 1, 0};
    EXPECT_EQ(dot_score(deck_of({10, 20, 30, 40, 50}), specific), dot({50, 40, 30, 20, 10, 10}));
    const auto four = evaluate_music(flat_meta(1, "x"), deck_of({10, 20, 30, 40}), specific);
    ASSERT_FALSE(four.ok());
    EXPECT_EQ(four.error().message, "specific_skill_order size does not match skills size");

    // Best and worst sort the first n rates: with best the largest skill
    // meets the largest of them, with worst the smallest; later rates stay.
    MusicMeta meta = flat_meta(1, "x", 0.0);
    meta.base_score = 0.0;
    meta.skill_score_solo = {3.0, 1.0, 2.0, 0.0, 0.0, 7.0};
    const auto best = evaluate_music(meta, deck_of({30, 90, 60}, 25), settings_for(LiveType::SOLO));
    EXPECT_NEAR(best->live_score, 30 * 1 + 60 * 2 + 90 * 3 + 30 * 7, 1);
    const auto worst =
        evaluate_music(meta, deck_of({30, 90, 60}, 25),
                       settings_for(LiveType::SOLO, SkillOrderChooseStrategy::WORST));
    EXPECT_NEAR(worst->live_score, 90 * 1 + 60 * 2 + 30 * 3 + 30 * 7, 1);
}

TEST(MusicRecommendation, MultiSkillList) {
    MusicMeta meta = flat_meta(1, "x", 1.0);
    meta.base_score = meta.fever_score = 0.0;
    auto multi = settings_for(LiveType::MULTI);
    // own = 100 + 0.2 × 200 = 140, six times; the extra is 0.075 × 5 × power.
    auto record = evaluate_music(meta, deck_of({100, 50, 50, 50, 50}, 1000), multi);
    EXPECT_EQ(record->live_score, static_cast<i32>(6 * 140 / 100.0 * 1000 * 4 + 0.075 * 5000));
    multi.multi_live_teammate_score_up = 80;
    multi.multi_live_teammate_power = 2000;
    record = evaluate_music(meta, deck_of({100, 50, 50, 50, 50}, 1000), multi);
    EXPECT_EQ(record->live_score,
              static_cast<i32>((140 + 4 * 80 + 140) / 100.0 * 1000 * 4 + 0.075 * 9000));
}

TEST(MusicRecommendation, WorkedScoresAndEventPoints) {
    struct Case {
        const char* name;
        MusicDeck deck;
        MusicRecommendSettings settings;
        i32 score;
        i32 points;
    };
    auto cheerful = settings_for(LiveType::CHEERFUL);
    cheerful.event_type = EventType::CHEERFUL;
    auto world_bloom = settings_for(LiveType::SOLO);
    world_bloom.event_type = EventType::WORLD_BLOOM;
    MusicDeck bonus = deck_of({100});
    bonus.event_bonus_rate = 150.0;
    bonus.support_deck_bonus_rate = 50.0;
    const Case cases[] = {
        // C = 1 + 0.5 × 100 / 100 × 2 = 2.0; 100 + trunc(80000 / 20000) = 104.
        {"solo", deck_of({100}), settings_for(LiveType::SOLO), 80000, 104},
        {"world bloom as marathon", deck_of({100}), world_bloom, 80000, 104},
        {"bonus rates", bonus, settings_for(LiveType::SOLO), 80000, 312},
        // C = 1.5 + 3.0; (4 × 4.5 + 0.375) × 10000; 110 + 10 + min(2, 13).
        {"multi", deck_of({100, 0, 0, 0, 0}), settings_for(LiveType::MULTI), 183750, 122},
        {"cheerful", deck_of({100, 0, 0, 0, 0}), cheerful, 183750, 164},
        // C = 0.75 + 1.0: 7 × power, whatever the bonus rates.
        {"challenge auto", deck_of({100}, 176367), settings_for(LiveType::CHALLENGE_AUTO), 1234569,
         12000 + 120 * 61},
    };
    for (const Case& c : cases) {
        const auto record = evaluate_music(flat_meta(7, "hard"), c.deck, c.settings);
        ASSERT_TRUE(record.ok()) << c.name << ": " << record.error().message;
        EXPECT_EQ(record->live_score, c.score) << c.name;
        EXPECT_EQ(record->event_point, c.points) << c.name;
        EXPECT_EQ(record->music_id, 7);
        EXPECT_EQ(record->difficulty, "hard");
    }
}

TEST(MusicRecommendation, ChecksInOrder) {
    const MusicMetas metas = {flat_meta(1, "easy")};
    auto cheerful_in_marathon = settings_for(LiveType::CHEERFUL);
    auto multi_in_cheerful = settings_for(LiveType::MULTI);
    multi_in_cheerful.event_type = EventType::CHEERFUL;
    auto solo_with_mates = settings_for(LiveType::SOLO);
    solo_with_mates.multi_live_teammate_power = 1;
    auto solo_with_score_up = settings_for(LiveType::AUTO);
    solo_with_score_up.multi_live_teammate_score_up = 1;
    solo_with_score_up.multi_live_teammate_power = 1;
    const auto specific = settings_for(LiveType::SOLO, SkillOrderChooseStrategy::SPECIFIC);
    struct Case {
        const MusicMetas* metas;
        std::vector<double> cards;
        MusicRecommendSettings settings;
        const char* message;
    };
    const MusicMetas none;
    const Case cases[] = {
        {&none, {}, solo_with_mates, "music metas are not loaded"},
        {&metas, {}, solo_with_mates, "deck.cards must contain 1 to 5 cards"},
        {&metas,
         {1, 2, 3, 4, 5, 6},
         settings_for(LiveType::SOLO),
         "deck.cards must contain 1 to 5 cards"},
        {&metas,
         {1},
         solo_with_score_up,
         "multi_live_teammate_score_up is only valid for multi live"},
        {&metas, {1}, solo_with_mates, "multi_live_teammate_power is only valid for multi live"},
        {&metas,
         {1},
         specific,
         "specific_skill_order is required when skill_order_choose_strategy is specific"},
        {&metas, {1}, multi_in_cheerful, "multi live is not playable in cheerful event"},
        {&metas, {1}, cheerful_in_marathon, "cheerful live is only playable in cheerful event"},
    };
    for (const Case& c : cases) {
        const auto records = recommend_music_core(*c.metas, deck_of(c.cards), c.settings);
        ASSERT_FALSE(records.ok()) << c.message;
        EXPECT_EQ(records.error().message, c.message);
    }
}

TEST(MusicRecommendation, OrderAndJson) {
    MusicMeta richer = flat_meta(9, "easy");
    richer.event_rate_solo = 200;
    MusicMeta louder = flat_meta(8, "easy");
    louder.base_score = 1.5;
    const MusicMetas metas = {flat_meta(3, "special"),
                              flat_meta(3, " APPEND"),
                              flat_meta(3, "master"),
                              flat_meta(2, "expert"),
                              louder,
                              flat_meta(3, "special"),
                              richer,
                              flat_meta(3, "")};
    const auto records = recommend_music_core(metas, deck_of({100}), settings_for(LiveType::SOLO));
    ASSERT_TRUE(records.ok());
    std::vector<std::pair<i32, std::string>> order;
    for (const auto& r : *records)
        order.emplace_back(r.music_id, r.difficulty);
    EXPECT_EQ(order, (std::vector<std::pair<i32, std::string>>{{9, "easy"},
                                                               {8, "easy"},
                                                               {2, "expert"},
                                                               {3, "master"},
                                                               {3, " APPEND"},
                                                               {3, "special"},
                                                               {3, "special"},
                                                               {3, ""}}));
    EXPECT_EQ(write_music_recommendations({(*records)[2]}),
              R"([{"music_id":2,"difficulty":"expert","live_score":80000,"event_point":104}])");
    EXPECT_EQ(write_music_recommendations({}), "[]");
}

TEST(MusicRecommendation, ReadsTheDeck) {
    const auto deck = read_music_deck(
        R"({"cards": [{"skill_score_up": 120, "x": 1}, 5, "a", {"skill_score_up": "100"},
                      {"skill_score_up": 12.5}], "total_power": -7, "event_bonus_rate": 2,
            "support_deck_bonus_rate": "3"})");
    ASSERT_TRUE(deck.ok()) << deck.error().message;
    EXPECT_EQ(deck->cards, (std::vector<double>{120, 0, 0, 0, 12.5}));
    EXPECT_EQ(deck->total_power, -7);
    EXPECT_EQ(deck->event_bonus_rate, 2.0);
    EXPECT_EQ(deck->support_deck_bonus_rate, 0.0);
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"[]", "deck.cards is required"},
        {R"({"cards": {}})", "deck.cards is required"},
        {R"({"total_power": 1})", "deck.cards is required"},
        {R"({"cards": []})", "deck.total_power is required"},
        {R"({"cards": [], "total_power": 1.0})", "deck.total_power is required"},
        {R"({"cards": [], "total_power": 2147483648})", "deck.total_power is required"},
        {R"({"cards": [], "total_power": "5"})", "deck.total_power is required"},
    };
    for (const Case& c : cases) {
        const auto read = read_music_deck(c.text);
        ASSERT_FALSE(read.ok()) << c.text;
        EXPECT_EQ(read.error().message, c.message) << c.text;
    }
    EXPECT_FALSE(read_music_deck("{").ok());
}

TEST(MusicRecommendation, EventAndLiveTypes) {
    MasterData master;
    master.events = {{123, "cheerful_carnival"}, {124, "festival"}, {123, "marathon"}};
    struct Case {
        std::optional<i32> event_id;
        std::optional<std::string> event_type;
        LiveType live;
        std::optional<EventType> event;  // none: refused
        LiveType played;
    };
    const Case cases[] = {
        {123, "marathon", LiveType::MULTI, EventType::CHEERFUL, LiveType::CHEERFUL},
        {999, " World_Bloom ", LiveType::SOLO, EventType::WORLD_BLOOM, LiveType::SOLO},
        {{}, {}, LiveType::MYSEKAI, EventType::MARATHON, LiveType::MULTI},
        {123, {}, LiveType::MYSEKAI, EventType::CHEERFUL, LiveType::MULTI},
        {{}, "WL", LiveType::CHALLENGE, EventType::WORLD_BLOOM, LiveType::CHALLENGE},
        {{}, "cheerfulcarnival", LiveType::AUTO, EventType::CHEERFUL, LiveType::AUTO},
        {{}, " Festival", LiveType::SOLO, std::nullopt, LiveType::SOLO},
        {124, "marathon", LiveType::SOLO, std::nullopt, LiveType::SOLO},
        {{}, "", LiveType::SOLO, std::nullopt, LiveType::SOLO},
    };
    for (const Case& c : cases) {
        RecommendOptions options;
        options.event_id = c.event_id;
        options.event_type = c.event_type;
        options.live_type = c.live;
        const auto settings = music_settings(master, options);
        if (!c.event) {
            ASSERT_FALSE(settings.ok());
            const std::string shown = c.event_id == 124 ? "festival" : *c.event_type;
            EXPECT_EQ(settings.error().message, "invalid event type: " + shown);
            continue;
        }
        ASSERT_TRUE(settings.ok()) << settings.error().message;
        EXPECT_EQ(settings->event_type, *c.event);
        EXPECT_EQ(settings->live_type, c.played);
    }
}

}  // namespace
}  // namespace vdz
