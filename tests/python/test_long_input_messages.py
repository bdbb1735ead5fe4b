"""Error messages that repeat part of the caller's input repeat at most its
first 256 characters, then "…": a huge input never makes a huge message,
and input of ordinary length is repeated whole."""
import json

import pytest

from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData
from conftest import TINY, TINY_TABLES

CHART = (TINY / "music_score.json").read_text()
DECK = json.dumps({"cards": [{"skill_score_up": 100, "skill_life_recovery": 0}], "total_power": 1})


@pytest.fixture(scope="module")
def tiny():
    engine = NativeEngine()
    engine.update_masterdata(str(TINY / "masterdata"), "tiny")
    return engine


def region(engine, text):
    engine.recommend(text, "{}", NativeUserData(b"{}"))


def live_type(engine, text):
    engine.calculate_exact_live("tiny", 1, [], text, CHART)


def event_type(engine, text):
    events = json.dumps([{"id": 1, "eventType": text}])
    engine.update_masterdata_from_strings({**TINY_TABLES, "events.json": events}, "odd events")
    engine.recommend_music("odd events", '{"eventId": 1}', DECK)


def table_text(engine, text):
    cards = json.loads(TINY_TABLES["cards.json"])
    cards[0]["attr"] = 0
    cards[0]["id"] = text
    engine.update_masterdata_from_strings({**TINY_TABLES, "cards.json": json.dumps(cards)}, "other")


def repeated_key(engine, text):
    key = json.dumps(text)
    row = json.dumps(json.loads(TINY_TABLES["cards.json"])[0])[:-1] + f", {key}: 0, {key}: 0}}"
    engine.update_masterdata_from_strings({**TINY_TABLES, "cards.json": f"[{row}]"}, "other")


def music_score_text(engine, text):
    engine.calculate_exact_live("tiny", 1, [], "solo", json.dumps({"notes": text}))


def keyword(engine, text):
    engine.recommend(**{text: 1})


# (call, exception, message with {} where the echoed text stands)
CASES = [
    (region, RuntimeError, "masterdata for region {} is not loaded"),
    (live_type, ValueError, "invalid live type: {}"),
    (event_type, ValueError, "invalid event type: {}"),
    (table_text, ValueError, 'invalid type: string "{}", expected i32'),
    (repeated_key, ValueError, "duplicate field `{}`"),
    (music_score_text, RuntimeError, 'invalid type: string "{}", expected a sequence'),
    (keyword, TypeError, "NativeEngine.recommend() got an unexpected keyword argument '{}'"),
]


@pytest.mark.parametrize("call,kind,message", CASES, ids=[case[0].__name__ for case in CASES])
def test_long_input_is_cut_in_messages(tiny, call, kind, message):
    # Characters, not bytes; a text of exactly 256 characters stays whole.
    for text, echo in [("é" * 256, "é" * 256), ("é" * 255 + "x" * 100_000, "é" * 255 + "x…")]:
        with pytest.raises(kind) as raised:
            call(tiny, text)
        assert message.format(echo) in str(raised.value)
        assert len(str(raised.value)) < 600
