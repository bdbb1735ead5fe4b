"""`NativeEngine.calculate_exact_live` over the hand-written tiny region: every
note's breakdown against a direct transcription of the scoring rules, the
live-type texts and the errors with their exception kinds."""

import json

import pytest

from _vorava_devo_zuvoro._native import NativeEngine
from conftest import TINY, TINY_TABLES

CHART = (TINY / "music_score.json").read_text()
NOTES = {1: 1.0, 2: 2.0, 3: 1.0}


@pytest.fixture(scope="module")
def engine():
    engine = NativeEngine()
    engine.update_masterdata(str(TINY / "masterdata"), "tiny")
    return engine


def expected(power, skills, multi, chart, fever_chart=None, sum_power=0):
    """The live scored note by note in the same order of operations."""
    notes = chart["notes"]
    windows = [(m["time"], m["time"] + 5.0, b) for m, b in zip(chart["skills"], skills)]
    source = fever_chart or chart
    if multi and source.get("fevers") and source["notes"]:
        start = max([0.0] + [m["time"] for m in source["fevers"]])
        after = [n["time"] for n in source["notes"] if n["time"] >= start]
        if after:
            k = min(len(source["notes"]) // 10, len(after))
            windows.append((start, after[max(k, 1) - 1], 50.0))
    total_coefficient = 0.0
    for note in notes:
        total_coefficient += NOTES[note["type"]]
    out, running = [], 0.0
    for i, note in enumerate(notes):
        combo = 1.0 if i + 1 <= 100 else 1.01
        bonuses = [b for s, e, b in windows if s <= note["time"] <= e]
        factor = 1.0
        for b in bonuses:
            factor = (factor * b) / 100.0
        score = combo * NOTES[note["type"]] * factor * float(power) * 4.0 / total_coefficient
        running += score
        out.append({"note_coefficient": NOTES[note["type"]], "combo_coefficient": combo,
                    "judge_coefficient": 1.0, "effect_bonuses": bonuses, "score": score})
    active = (sum_power if sum_power > 0 else 5 * power) * 0.075 if multi else 0.0
    return {"total": active + running, "active_bonus": active, "notes": out}


LIVES = [
    # (live type text, multi group, skills, sum power, fever chart)
    ("solo", False, [120.0, 150.0], 0, None),
    ("  Cheerful_Live\t", True, [100.0], 0, None),
    ("MULTI", True, [120.0, 150.0, 130.0], 0, {"notes": [{"time": 3.0}], "fevers": [{"time": 2.0}]}),
    ("multi", True, [], 250000, {"notes": [], "fevers": [{"time": 2.0}]}),
    ("challenge_auto", False, [110.0], 0, {"notes": [{"time": 3.0}], "fevers": [{"time": 2.0}]}),
]


@pytest.mark.parametrize("live_type,multi,skills,sum_power,fever", LIVES)
def test_every_note_matches_the_rules(engine, live_type, multi, skills, sum_power, fever):
    fever_text = json.dumps(fever) if fever is not None else None
    text = engine.calculate_exact_live("tiny", 123456, skills, live_type, CHART, sum_power, fever_text)
    assert " " not in text
    result = json.loads(text, object_pairs_hook=lambda pairs: pairs)
    assert [k for k, _ in result] == ["total", "active_bonus", "notes"]
    assert [k for k, _ in result[2][1][0]] == [
        "note_coefficient", "combo_coefficient", "judge_coefficient", "effect_bonuses", "score"]
    assert json.loads(text) == expected(123456, skills, multi, json.loads(CHART), fever, sum_power)


def test_keyword_defaults_and_empty_fever_text(engine):
    plain = engine.calculate_exact_live("tiny", 1000, [120.0], "cheerful", CHART)
    assert engine.calculate_exact_live(
        region="tiny", power=1000, skills=(120.0,), live_type="cheerful", music_score_json=CHART,
        fever_music_score_json="") == plain
    assert json.loads(plain)["active_bonus"] == 375.0


ERRORS = [
    # (arguments after the region, exception, message)
    ((1, [], "mysekai", CHART), ValueError, "invalid live type: mysekai"),
    ((1, [], "", CHART), ValueError, "invalid live type: "),
    ((1, [], " Solo x", "{"), ValueError, "invalid live type:  Solo x"),
    ((1, [], "solo", "{"), RuntimeError,
     "invalid music score JSON: EOF while parsing an object at line 1 column 1"),
    ((1, [], "solo", "{}"), RuntimeError, "musicScore.notes must not be empty"),
    ((1, [], "solo", CHART, 0, "not json"), RuntimeError, "invalid fever music score JSON: "),
    ((1, [], "solo", '{"notes": [[1, 9]]}'), RuntimeError, "ingame note not found for type=9"),
]


@pytest.mark.parametrize("arguments,kind,message", ERRORS)
def test_errors(engine, arguments, kind, message):
    with pytest.raises(kind) as raised:
        engine.calculate_exact_live("tiny", *arguments)
    assert str(raised.value).startswith(message)
    assert type(raised.value) is kind


def test_missing_tables_and_regions(engine):
    tables = dict(TINY_TABLES)
    del tables["ingameCombos.json"]
    engine.update_masterdata_from_strings(tables, "no-combos")
    with pytest.raises(RuntimeError, match="^ingameCombos masterdata is not loaded$"):
        engine.calculate_exact_live("no-combos", 1, [], "solo", "{")
    del tables["ingameNotes.json"]
    engine.update_masterdata_from_strings(tables, "no-notes")
    with pytest.raises(RuntimeError, match="^ingameNotes masterdata is not loaded$"):
        engine.calculate_exact_live("no-notes", 1, [], "solo", "{")
    # The region is looked up before the live type is read.
    with pytest.raises(RuntimeError, match="^masterdata for region nowhere is not loaded$"):
        engine.calculate_exact_live("nowhere", 1, [], "bad type", "{")
