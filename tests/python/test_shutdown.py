"""A process whose threads are inside the module's computing calls when the
interpreter exits ends with the exit status its main thread chose. The
interpreter ends such threads by unwinding their stacks once they try to
take its lock back; that unwinding must pass through the module."""
import subprocess
import sys

import pytest

from conftest import generate_region

EXIT_STATUS = 7

# Every computing method in a loop on its own thread, and one thread whose
# argument conversion runs Python code, so that threads stand inside the
# module both with and without the interpreter lock when it exits.
WORKERS = r"""
import _thread, json, sys, threading
from collections.abc import Sequence
from pathlib import Path
from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData

region_dir, mode = Path(sys.argv[1]), sys.argv[2]
engine = NativeEngine()
engine.update_masterdata(str(region_dir / "masterdata"), "r")
engine.update_musicmetas((region_dir / "music_metas.json").read_text(), "r")
user_text = (region_dir / "user_data.json").read_text()
player = NativeUserData(user_text.encode())
cards = [card["cardId"] for card in json.loads(user_text)["userCards"]][:5]
score = (region_dir / "music_score.json").read_text()
request = '{"liveType": "multi", "eventId": 1}'
deck = json.dumps({"cards": [{"skill_score_up": 100, "skill_life_recovery": 0}] * 5,
                   "total_power": 250000})
pool = engine.build_pool("r", request, player)

class SlowSkills(Sequence):
    def __len__(self):
        return 5

    def __getitem__(self, index):
        if index >= 5:
            raise IndexError(index)
        sum(range(2000))
        return 1.0

calls = [
    lambda: engine.recommend("r", request, player),
    lambda: engine.build_pool("r", request, player),
    lambda: pool.recommend(limit=20),
    lambda: engine.get_world_bloom_support_cards(
        "r", '{"world_bloom_event_turn": 1, "world_bloom_character_id": 1}', player),
    lambda: engine.recommend_area_items("r", cards, player),
    lambda: engine.recommend_music("r", '{"liveType": "multi"}', deck),
    lambda: engine.calculate_exact_live("r", 250000, [1.0] * 5, "multi", score),
    lambda: engine.calculate_exact_live("r", 250000, SlowSkills(), "multi", score),
]
started = threading.Semaphore(0)

def work(call, rounds):
    try:
        call()
    finally:
        started.release()
    for _ in range(rounds):
        call()

for call in calls:
    if mode == "daemon":
        threading.Thread(target=work, args=(call, 10**9), daemon=True).start()
    elif mode == "raw":
        _thread.start_new_thread(work, (call, 10**9))
    else:
        threading.Thread(target=work, args=(call, 3)).start()
for _ in calls:
    started.acquire()
sys.exit(%d)
""" % EXIT_STATUS


@pytest.fixture(scope="module")
def small_region_dir(tmp_path_factory):
    return generate_region(tmp_path_factory.mktemp("small_region"), "--cards", "200", "--user-cards", "100")


def test_exit_while_threads_compute_ends_normally(small_region_dir):
    """The fault showed in every run; 30 runs over three kinds of thread:
    daemon threads, threads of the low-level module, and ordinary threads
    the interpreter joins before it exits."""
    modes = ["daemon", "raw", "joined"] * 10
    failures = []
    for start in range(0, len(modes), 5):
        runs = [(mode, subprocess.Popen([sys.executable, "-c", WORKERS, str(small_region_dir), mode],
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE))
                for mode in modes[start:start + 5]]
        for mode, run in runs:
            out, err = run.communicate(timeout=60)
            if run.returncode != EXIT_STATUS or err:
                failures.append((mode, run.returncode, err.decode(errors="replace")[-500:]))
    assert failures == []
