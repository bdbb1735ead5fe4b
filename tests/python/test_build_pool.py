"""`NativeEngine.build_pool` over the generated region: how many candidates
the preparation keeps (trimming thresholds, filters, skill variants), every
error of the preparation, the option errors, and what the pool object owns.

Players are written by hand from the generated card list, each card owned
once (a card listed twice counts once), which gives exact candidate counts
per character."""

import json

import pytest

from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData
from conftest import generate_region

REGION = "gen"


class Region:
    def __init__(self, engine, cards):
        self.engine = engine
        self.cards = cards

    def card(self, character, rarity, special_training=False):
        """The first card of a character and rarity, with or without a
        special-training skill."""
        for card in self.cards:
            if (card["characterId"] == character and card["cardRarityType"] == rarity
                    and (card.get("specialTrainingSkillId") is not None) == special_training):
                return card["id"]
        raise LookupError((character, rarity, special_training))

    def find(self, predicate, skip=0):
        """The id of a card without a special-training skill that meets
        `predicate`, skipping the first `skip` such cards."""
        found = [card["id"] for card in self.cards
                 if card.get("specialTrainingSkillId") is None and predicate(card)]
        return found[skip]

    def plain(self, character):
        """A character's cards of rarity 1 to 3 without a special-training
        skill: one candidate each, none kept by an event's thinning."""
        return [card["id"] for card in self.cards
                if card["characterId"] == character and card.get("specialTrainingSkillId") is None
                and card["cardRarityType"] in ("rarity_1", "rarity_2", "rarity_3")]

    def spread(self, count):
        """`count` distinct owned cards, dealt over the 26 characters in turn."""
        return [self.plain(i % 26 + 1)[i // 26] for i in range(count)]

    def last_of(self, character, count):
        """`count` distinct cards of a character that `spread` deals last."""
        return self.plain(character)[-count:]

    def pool(self, card_ids, **options):
        return self.engine.build_pool(REGION, json.dumps(options), player(card_ids))

    def count(self, card_ids, **options):
        return self.pool(card_ids, **options).card_count


def player(card_ids):
    cards = [{"cardId": card_id, "level": 1} for card_id in card_ids]
    return NativeUserData(json.dumps({"userCards": cards}).encode())


@pytest.fixture(scope="module")
def region(tmp_path_factory):
    out = generate_region(tmp_path_factory.mktemp("region"), "--cards", "3000", "--user-cards", "0")
    engine = NativeEngine()
    engine.update_masterdata(str(out / "masterdata"), REGION)
    cards = json.loads((out / "masterdata" / "cards.json").read_text())
    region = Region(engine, cards)
    region.masterdata = out / "masterdata"
    return region


THRESHOLDS = [
    # (case, owned cards, options, candidates kept)
    ("score 400", lambda r: r.spread(400), {}, 400),
    ("score 401: ten per character", lambda r: r.spread(401), {}, 260),
    ("power 512", lambda r: r.spread(512), {"target": "power"}, 512),
    ("power 513: ten per character", lambda r: r.spread(513), {"target": "power"}, 260),
    ("skill 513", lambda r: r.spread(513), {"target": "skill"}, 260),
    ("challenge 19", lambda r: r.last_of(5, 18) + r.spread(30),
     {"liveType": "challenge", "challengeLiveCharacterId": 5}, 19),
    ("challenge 20: nineteen", lambda r: r.last_of(5, 19) + r.spread(30),
     {"liveType": "challenge", "challengeLiveCharacterId": 5}, 19),
    ("a card owned twice counts once", lambda r: r.spread(30) * 2, {}, 30),
    ("challenge character without an event", lambda r: r.spread(60),
     {"challengeLiveCharacterId": 5}, 3),
    ("event 50: not thinned", lambda r: r.spread(49) + [r.card(1, "rarity_4")],
     {"eventType": "marathon"}, 50),
    ("event 51: thinned to rarity 4", lambda r: r.spread(50) + [r.card(1, "rarity_4")],
     {"eventType": "marathon"}, 1),
    ("special-training skill counts twice", lambda r: [r.card(1, "rarity_4", True)], {}, 2),
    ("kept training state: once", lambda r: [r.card(1, "rarity_4", True)],
     {"keepAfterTrainingState": True}, 1),
]


@pytest.mark.parametrize("case,cards,options,expected", THRESHOLDS, ids=[t[0] for t in THRESHOLDS])
def test_candidates_kept(region, case, cards, options, expected):
    assert region.count(cards(region), **options) == expected


def test_filters_apply_to_ordinary_events_only(region):
    idol_cool = region.find(lambda c: 5 <= c["characterId"] <= 8 and c["attr"] == "cool")
    idol_cute = region.find(lambda c: 5 <= c["characterId"] <= 8 and c["attr"] == "cute")
    street_cool = region.find(lambda c: 9 <= c["characterId"] <= 12 and c["attr"] == "cool")
    excluded = region.find(lambda c: 5 <= c["characterId"] <= 8 and c["attr"] == "cool", 1)
    cards = [idol_cool, idol_cute, street_cool, excluded]
    filters = {"excludedCards": [excluded], "unitFilter": "idol", "attrFilter": "cool"}
    assert region.count(cards, eventType="marathon", **filters) == 1
    assert region.count(cards, eventType="marathon", fixedCards=[street_cool], **filters) == 2
    # Outside ordinary events only the exclusion applies.
    for unfiltered in ({}, {"eventType": "world_bloom"}, {"eventType": "marathon", "target": "power"}):
        assert region.count(cards, **unfiltered, **filters) == 3


POOL_ERRORS = [
    # (case, owned cards, options, message)
    ("no cards", lambda r: [], {}, "候选卡池为空"),
    ("fixed card not owned or known", lambda r: r.spread(5), {"fixedCards": [60000]}, "候选卡池为空"),
    ("fixed character without cards", lambda r: [r.card(1, "rarity_2")], {"fixedCharacters": [2]},
     "候选卡池为空"),
    ("six constraints", lambda r: r.spread(10), {"fixedCards": [], "fixedCharacters": [1, 2, 3, 4, 5, 6]},
     "构建参数非法: 固定约束数量超过 5"),
    ("fixed card id", lambda r: r.spread(5), {"fixedCards": [70000]}, "构建参数非法: fixed card id 非法: 70000"),
    ("fixed card twice", lambda r: r.spread(5), {"fixedCards": ["first", "first"]},
     "构建参数非法: fixed card 重复: {first}"),
    ("fixed cards of one character", lambda r: r.spread(5) + [r.card(1, "rarity_3")],
     {"fixedCards": ["first", "one_more"]}, "构建参数非法: fixed card 角色重复: 1"),
    ("fixed character id", lambda r: r.spread(5), {"fixedCharacters": [27]},
     "构建参数非法: fixed character id 非法: 27"),
    ("fixed character of a fixed card", lambda r: r.spread(5), {"fixedCards": ["first"], "fixedCharacters": [1]},
     "构建参数非法: fixed character 角色重复: 1"),
    ("challenge with fixed characters", lambda r: r.spread(5),
     {"liveType": "challenge", "fixedCharacters": [1]}, "构建参数非法: challenge live 不支持 fixed_characters"),
    ("bonus target without an event", lambda r: r.spread(5), {"target": "bonus"},
     "构建参数非法: bonus target 需要活动上下文"),
    ("bonus target in the final chapter", lambda r: r.spread(5),
     {"target": "bonus", "eventId": 180, "eventType": "wl"}, "构建参数非法: 终章不支持 bonus target"),
]


@pytest.mark.parametrize("case,cards,options,message", POOL_ERRORS, ids=[t[0] for t in POOL_ERRORS])
def test_preparation_errors_are_runtime_errors(region, case, cards, options, message):
    owned = cards(region)
    names = {"first": region.card(1, "rarity_2"), "one_more": region.card(1, "rarity_3")}
    options = {key: [names.get(v, v) for v in value] if isinstance(value, list) else value
               for key, value in options.items()}
    with pytest.raises(RuntimeError) as raised:
        region.count(owned, **options)
    assert str(raised.value) == message.format(**names)


def test_a_fixed_characters_own_cards_can_exceed_the_pool(region):
    # More cards than the masks hold are cut per character; only the cards
    # of a fixed character, which always stay, can still be too many.
    model = next(c for c in region.cards if c["id"] == region.plain(1)[0])
    crowd = [{**model, "id": 20_000 + k} for k in range(513)]
    tables = {p.name: p.read_text() for p in region.masterdata.glob("*.json")}
    tables["cards.json"] = json.dumps(region.cards + crowd)
    engine = NativeEngine()
    engine.update_masterdata_from_strings(tables, REGION)
    options = {"eventType": "world_bloom", "fixedCharacters": [1]}
    with pytest.raises(RuntimeError) as raised:
        engine.build_pool(REGION, json.dumps(options), player([c["id"] for c in crowd]))
    assert str(raised.value) == "候选卡数量超过 mask 容量: 513"


OPTION_ERRORS = [
    ('{"limit": 0}', "limit 必须在 1..=100 范围内"),
    ('{"limit": "5"}', "limit 必须在 1..=100 范围内"),
    ('{"member": 4}', "member 必须在 5..=5 范围内"),
    ('{"timeoutMs": 1000, "timeout_ms": 2000}', "timeoutMs 与 timeout_ms 冲突"),
    ('{"timeout_ms": 300001}', "timeout_ms 必须在 1..=300000 范围内"),
    ('{"target": null}', "target 必须是字符串"),
    ('{"liveType": "multi live"}', "live_type 非法"),
    ('{"target_bonus_list": [1, 1]}', "target_bonus_list 不得包含重复值"),
    ('{"eventUnit": "vbs"}', "event_unit 非法"),
    ('{"customBonusCharacterSupportUnits": {"3": "any"}}', "custom bonus support unit 非法"),
    ('{"specificSkillOrder": "0,1,2,3"}', "specific_skill_order 必须包含 5 个索引"),
    ('{"rarity4Config": {"level": 0}}', "构建参数非法: level must be positive"),
    ('{"targetBonusList": [100]}', "构建参数非法: target_bonus_list 仅支持 bonus target"),
    ('{"forcedLeaderCharacterId": 27}', "构建参数非法: forcedLeaderCharacterId must be in 1..=26"),
    ('{"limit": ', "EOF while parsing a value at line 1 column 10"),
]


@pytest.mark.parametrize("options,message", OPTION_ERRORS)
def test_option_errors_are_value_errors(region, options, message):
    with pytest.raises(ValueError) as raised:
        region.engine.build_pool(REGION, options, player(region.spread(5)))
    assert str(raised.value) == message


def test_region_is_looked_up_before_the_options(region):
    with pytest.raises(RuntimeError, match="^masterdata for region other is not loaded$"):
        region.engine.build_pool("other", "{", player([]))


def test_getters_report_the_options(region):
    pool = region.pool(region.spread(30))
    assert (pool.card_count, pool.limit, pool.timeout_ms) == (30, 10, 300000)
    pool = region.pool(region.spread(30), limit=7, timeout_ms=1500)
    assert (pool.limit, pool.timeout_ms) == (7, 1500)


REQUIRED_TABLES = [
    "gameCharacterUnits.json", "cards.json", "events.json", "cardRarities.json", "cardEpisodes.json",
    "masterLessons.json", "skills.json", "areaItemLevels.json", "characterRanks.json",
    "cardMysekaiCanvasBonuses.json", "eventCards.json", "eventDeckBonuses.json",
    "eventCardBonusLimits.json", "eventHonorBonuses.json", "worldBloomDifferentAttributeBonuses.json",
    "eventSkillScoreUpLimits.json", "eventRarityBonusRates.json",
]


def test_pool_keeps_its_data_after_reloads_and_deletes(region, tmp_path):
    engine = NativeEngine()
    generate_region(tmp_path, "--cards", "300", "--user-cards", "0")
    engine.update_masterdata(str(tmp_path / "masterdata"), REGION)
    user = player(range(1, 41))
    pool = engine.build_pool(REGION, '{"limit": 3}', user)
    count = pool.card_count
    assert count >= 40
    engine.update_masterdata_from_strings({name: "[]" for name in REQUIRED_TABLES}, REGION)
    with pytest.raises(RuntimeError, match="^候选卡池为空$"):
        engine.build_pool(REGION, "{}", user)
    del engine, user
    assert (pool.card_count, pool.limit, pool.timeout_ms) == (count, 3, 300000)


def test_pools_build_from_many_threads_at_once(region):
    from concurrent.futures import ThreadPoolExecutor

    user = player(region.spread(300))
    with ThreadPoolExecutor(max_workers=8) as workers:
        counts = list(workers.map(lambda _: region.engine.build_pool(REGION, "{}", user).card_count,
                                  range(32)))
    assert counts == [300] * 32
