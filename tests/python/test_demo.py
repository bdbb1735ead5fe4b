"""The demo checks its flags against the region before it asks the engine,
the way command-line tools do, and words the engine's refusals in one line."""
import importlib.util
from pathlib import Path
import subprocess
import sys
from types import SimpleNamespace

import pytest

DEMO = Path(__file__).resolve().parents[2] / "tools" / "demo.py"


def load_demo():
    spec = importlib.util.spec_from_file_location("demo", DEMO)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def test_the_default_request_prints_the_best_three_decks():
    run = subprocess.run([sys.executable, str(DEMO)], capture_output=True, text=True, timeout=120)
    assert run.returncode == 0, run.stderr
    assert '"liveType": "multi", "limit": 10' in run.stdout
    assert [line.split()[0] for line in run.stdout.splitlines() if line.startswith("#")] == [
        "#1", "#2", "#3"]


# (flags, what the error line must hold)
BAD_FLAGS = [
    (["--character", "0"], "argument --character: 0 is not a character id (accepted: 1..26)"),
    (["--character", "27"], "argument --character: 27 is not a character id (accepted: 1..26)"),
    (["--character", "one"], "argument --character: one is not a character id"),
    (["--event-id", "999"], "argument --event-id: the region has no event 999 (accepted: 1.."),
    (["--event-id", "abc"], "argument --event-id: the region has no event abc (accepted: 1.."),
    (["--music-id", "999"],
     "argument --music-id: the region has no music metas of song 999 (accepted: 1.."),
    (["--difficulty", "append"],
     "argument --difficulty: song 1 has no difficulty 'append' (accepted: easy, normal, hard, "
     "expert, master)"),
]


@pytest.mark.parametrize("flags,message", BAD_FLAGS, ids=[" ".join(f) for f, _ in BAD_FLAGS])
def test_bad_flags_are_refused_before_the_engine_is_asked(flags, message):
    run = subprocess.run([sys.executable, str(DEMO), *flags], capture_output=True, text=True,
                         timeout=120)
    assert run.returncode == 2
    assert run.stdout == ""
    assert "Traceback" not in run.stderr
    assert run.stderr.splitlines()[-1].startswith(f"demo.py: error: {message}")


def test_a_challenge_without_an_event_shows_its_points_but_no_event_bonus():
    run = subprocess.run([sys.executable, str(DEMO), "--character", "3"], capture_output=True,
                         text=True, timeout=120)
    assert run.returncode == 0, run.stderr
    assert "challenge points" in run.stdout
    assert "bonus" not in run.stdout


def test_a_character_the_player_owns_no_card_of():
    demo = load_demo()
    region = SimpleNamespace(owned=[1, 2, 3, 5, 5], event_ids={1}, difficulties={1: ["master"]})
    args = SimpleNamespace(character=4, event_id=None, music_id=1, difficulty="master")
    assert demo.flag_error(region, args) == (
        "argument --character: the player owns no card of character 4 (accepted: 1..3, 5)")
    args.character = 5
    assert demo.flag_error(region, args) is None


@pytest.mark.parametrize("message,line", [
    ("候选卡池为空", "候选卡池为空 (no card of the player fits the request)"),
    ("Cannot recommend any deck in 10 cards",
     "Cannot recommend any deck in 10 cards (no five of the player's cards make a deck for the "
     "request)"),
    ("构建参数非法: fixed card 重复: 3\nmore",
     "构建参数非法: fixed card 重复: 3 more (the request's settings do not fit together)"),
    ("something new", "something new"),
])
def test_refusals_are_one_line_with_known_messages_explained(message, line):
    assert load_demo().refusal(message) == line
