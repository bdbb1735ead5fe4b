"""`NativeEngine.get_world_bloom_support_cards` over the hand-written tiny
region, whose support bonuses are the built-in tables: the worked bonuses, the
three switches and their keys, the character fallback, the order and every
error with its exception kind."""

import json

import pytest

from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData
from conftest import TINY

KEYS = ["after_training", "bonus", "card_id", "default_image", "level", "master_rank", "skill_level"]


@pytest.fixture(scope="module")
def engine():
    engine = NativeEngine()
    engine.update_masterdata(str(TINY / "masterdata"), "tiny")
    return engine


def player(*cards):
    return NativeUserData(json.dumps({"userCards": list(cards)}).encode())


def card(card_id, **more):
    return {"cardId": card_id, "level": 30, "skillLevel": 4, "masterRank": 5, **more}


# Character 1 sings in light_sound with character 2; 5 is idol; 21 a virtual
# singer (card 4 supports light_sound, card 8 idol).
PLAYER = player(card(7), card(6, specialTrainingStatus=" DONE ", defaultImage="special_training"),
                card(5), card(8), card(4), card(6, masterRank=0, skillLevel=1))


def support(engine, options, user=PLAYER):
    text = engine.get_world_bloom_support_cards("tiny", json.dumps(options), user)
    assert " " not in text
    records = json.loads(text, object_pairs_hook=lambda pairs: pairs)
    assert all([k for k, _ in r] == KEYS for r in records)
    return [dict(r) for r in records]


def test_worked_bonuses_and_order(engine):
    records = support(engine, {"worldBloomEventTurn": 1, "worldBloomCharacterId": 1})
    assert [(r["card_id"], r["bonus"]) for r in records][:2] == [(5, 20.0), (6, 15.0)]
    assert [r["card_id"] for r in records] == [5, 6, 6, 4, 7, 8]
    assert records[2]["bonus"] == 10.0  # the second card 6 at rank 0, skill level 1
    assert [r["bonus"] > 0 for r in records] == [True] * 4 + [False] * 2
    first_six = next(r for r in records if r["card_id"] == 6)
    assert first_six == {"after_training": True, "bonus": 15.0, "card_id": 6,
                         "default_image": "special_training", "level": 30, "master_rank": 5,
                         "skill_level": 4}


def test_switches_use_the_snake_case_key_first(engine):
    base = {"worldBloomEventTurn": 1, "worldBloomCharacterId": 1}
    plain = support(engine, base)
    filtered = support(engine, {**base, "filterOtherUnit": True})
    assert all(r["bonus"] > 0 for r in filtered)
    assert support(engine, {**base, "filter_other_unit": 1, "filterOtherUnit": True}) == plain
    assert support(engine, {**base, "filter_other_unit": True, "filterOtherUnit": False}) == filtered
    low = player(card(5, masterRank=0, skillLevel=1))
    raised = support(engine, {**base, "support_master_max": True, "supportSkillMax": True}, low)
    assert (raised[0]["master_rank"], raised[0]["skill_level"]) == (5, 4)
    assert raised[0]["bonus"] == 20.0
    assert support(engine, {**base, "supportMasterMax": "true"}, low)[0]["master_rank"] == 0


def test_character_from_the_forced_leader_or_the_event(engine):
    by_event = support(engine, {"eventId": 2})
    assert by_event[0]["card_id"] == 5
    assert by_event[0]["bonus"] == 30.0  # the event's limited bonus for card 5 adds 10
    forced = support(engine, {"worldBloomEventTurn": 1, "forcedLeaderCharacterId": 2})
    assert forced[0]["card_id"] == 6
    assert support(engine, {"eventId": 2}, player()) == []


ERRORS = [
    ({}, "world_bloom_event_turn or a World Bloom event_id is required"),
    ({"worldBloomEventTurn": 4, "eventId": 2}, "world_bloom_event_turn or a World Bloom event_id is required"),
    ({"worldBloomEventTurn": 1}, "world_bloom_character_id is required"),
    ({"eventId": 180}, "world_bloom_character_id is required"),
    ({"worldBloomEventTurn": 1, "worldBloomCharacterId": 27}, "world_bloom_character_id is required"),
]


@pytest.mark.parametrize("options,message", ERRORS)
def test_routine_errors_are_runtime_errors(engine, options, message):
    with pytest.raises(RuntimeError) as raised:
        engine.get_world_bloom_support_cards("tiny", json.dumps(options), player())
    assert str(raised.value) == f"构建参数非法: {message}"


def test_front_errors(engine):
    with pytest.raises(RuntimeError, match="^构建参数非法: support deck card not found for card_id=99$"):
        support(engine, {"eventId": 2}, player(card(5), card(99)))
    with pytest.raises(ValueError, match="forcedLeaderCharacterId must be in 1..=26$"):
        support(engine, {"eventId": 2, "forcedLeaderCharacterId": 27})
    with pytest.raises(ValueError):
        engine.get_world_bloom_support_cards("tiny", "{", PLAYER)
    with pytest.raises(RuntimeError, match="^masterdata for region nowhere is not loaded$"):
        engine.get_world_bloom_support_cards("nowhere", "{", PLAYER)
