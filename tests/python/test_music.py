"""`NativeEngine.recommend_music` over the hand-written tiny region: every
song and difficulty against a direct transcription of the live-score and
event-point model, the event and live types, and the errors with their
exception kinds."""

import json
import math

import pytest

from _vorava_devo_zuvoro._native import NativeEngine
from conftest import TINY, TINY_TABLES

METAS = json.loads((TINY / "music_metas.json").read_text())
RANK = {"easy": 0, "normal": 1, "hard": 2, "expert": 3, "master": 4, "append": 5}
DECK = {"cards": [{"skill_score_up": 100}, {"skill_score_up": 60}, {"skill_score_up": 80},
                  {"skill_score_up": 120}, {"skill_score_up": 40}],
        "total_power": 234567, "event_bonus_rate": 150.5, "support_deck_bonus_rate": 12.25}


@pytest.fixture(scope="module")
def engine():
    engine = NativeEngine()
    engine.update_masterdata(str(TINY / "masterdata"), "tiny")
    engine.update_musicmetas((TINY / "music_metas.json").read_text(), "tiny")
    return engine


def trunc(x):
    return max(-2**31, min(2**31 - 1, math.trunc(x)))


def expected(live, cheerful_event=False, deck=DECK):
    """Every meta's record under strategy best, ranked."""
    cards = [c["skill_score_up"] for c in deck["cards"]]
    power = deck["total_power"]
    group = {"multi": "multi", "cheerful": "multi", "auto": "auto", "challenge_auto": "auto"}.get(live, "solo")
    if group == "multi":
        own = cards[0]
        for value in cards[1:]:
            own += 0.2 * value
        skills = sorted([own] * 5) + [own]
    else:
        skills = sorted(cards) + [cards[0]]
    out = []
    for meta in METAS:
        rates = list(meta[f"skill_score_{group}"])
        rates[:5] = sorted(rates[:5])
        base = {"multi": meta["base_score"] + 0.5 * meta["fever_score"], "auto": meta["base_score_auto"],
                "solo": meta["base_score"]}[group]
        c = base
        for rate, skill in zip(rates, skills):
            c += (rate * skill) / 100
        extra = 0.075 * (5 * power) if group == "multi" else 0.0
        score = trunc((c * power) * 4 + extra)
        bonus = (deck["event_bonus_rate"] + deck["support_deck_bonus_rate"]) / 100 + 1
        q = meta["event_rate"] / 100
        if live in ("challenge", "challenge_auto"):
            points = 12000 + 120 * (score // 20000)
        elif group == "multi":
            k = 110 + trunc(score / 17000.0) + min(4 * score // 340000, 13)
            points = trunc(bonus * (q * k))
            if cheerful_event:
                points = trunc(points * 1.35)
        else:
            points = trunc(bonus * (q * (100 + score // 20000)))
        out.append({"music_id": meta["music_id"], "difficulty": meta["difficulty"],
                    "live_score": score, "event_point": points})
    return sorted(out, key=lambda r: (-r["event_point"], -r["live_score"], r["music_id"],
                                      RANK.get(r["difficulty"].strip().lower(), 2**64)))


LIVES = [
    # (options, live type of the model, cheerful event)
    ({}, "solo", False),
    ({"liveType": "auto", "eventId": 1}, "auto", False),
    ({"liveType": "multi", "eventType": " World_Bloom "}, "multi", False),
    ({"liveType": "mysekai"}, "multi", False),
    ({"liveType": "multi", "eventType": "cheerful_carnival"}, "cheerful", True),
    ({"liveType": "challenge_auto", "eventId": 2}, "challenge_auto", False),
    ({"liveType": "challenge", "eventId": 99, "eventType": "cheerful"}, "challenge", False),
]


@pytest.mark.parametrize("options,live,cheerful", LIVES)
def test_every_meta_matches_the_model(engine, options, live, cheerful):
    text = engine.recommend_music("tiny", json.dumps(options), json.dumps(DECK))
    assert " " not in text
    records = json.loads(text, object_pairs_hook=lambda pairs: pairs)
    assert len(records) == len(METAS)
    assert all([k for k, _ in r] == ["music_id", "difficulty", "live_score", "event_point"] for r in records)
    assert [dict(r) for r in records] == expected(live, cheerful)


ERRORS = [
    # (options, deck, exception, message)
    ({"liveType": "bad"}, "{", ValueError, None),
    ({}, "{", ValueError, None),
    ({}, "[]", ValueError, "deck.cards is required"),
    ({}, '{"cards": [], "total_power": 1.0}', ValueError, "deck.total_power is required"),
    ({}, '{"cards": [], "total_power": 1}', RuntimeError, "deck.cards must contain 1 to 5 cards"),
    ({}, '{"cards": [1, 2, 3, 4, 5, 6], "total_power": 1}', RuntimeError, "deck.cards must contain 1 to 5 cards"),
    ({"multiLiveTeammatePower": 5}, '{"cards": [1], "total_power": 1}', RuntimeError,
     "multi_live_teammate_power is only valid for multi live"),
    ({"liveType": "mysekai", "eventType": "cheerful"}, '{"cards": [1], "total_power": 1}', RuntimeError,
     "multi live is not playable in cheerful event"),
    ({"liveType": "cheerful"}, '{"cards": [1], "total_power": 1}', RuntimeError,
     "cheerful live is only playable in cheerful event"),
]


@pytest.mark.parametrize("options,deck,kind,message", ERRORS)
def test_errors(engine, options, deck, kind, message):
    with pytest.raises(kind) as raised:
        engine.recommend_music("tiny", json.dumps(options), deck)
    assert type(raised.value) is kind
    if message is not None:
        assert str(raised.value) == message


def test_an_event_of_an_unknown_type(engine):
    tables = dict(TINY_TABLES)
    tables["events.json"] = '[{"id": 1, "eventType": " Festival"}]'
    odd = NativeEngine()
    odd.update_masterdata_from_strings(tables, "odd")
    with pytest.raises(ValueError) as raised:
        odd.recommend_music("odd", '{"eventId": 1}', '{"cards": [], "total_power": 1}')
    assert str(raised.value) == "invalid event type:  Festival"


def test_regions_without_music_metas(engine):
    bare = NativeEngine()
    bare.update_masterdata(str(TINY / "masterdata"), "bare")
    with pytest.raises(RuntimeError, match="^music metas are not loaded$"):
        bare.recommend_music("bare", "{}", '{"cards": [1], "total_power": 1}')
    with pytest.raises(RuntimeError, match="^masterdata for region nowhere is not loaded$"):
        bare.recommend_music("nowhere", "not json", "not json")
