"""The four auxiliary methods from many threads on one engine and one player,
with reloads of the region landing meanwhile: every call gives the answer it
gives alone."""

from concurrent.futures import ThreadPoolExecutor
import json

from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData
from conftest import TINY, TINY_TABLES

METAS = (TINY / "music_metas.json").read_text()
CHART = (TINY / "music_score.json").read_text()
DECK = json.dumps({"cards": [{"skill_score_up": 100}, {"skill_score_up": 60}], "total_power": 200000})


def test_auxiliary_calls_from_many_threads():
    engine = NativeEngine()
    engine.update_masterdata_from_strings(TINY_TABLES, "tiny")
    engine.update_musicmetas(METAS, "tiny")
    user = NativeUserData((TINY / "user_data.json").read_bytes())
    calls = [
        lambda: engine.calculate_exact_live("tiny", 250000, [120.0, 110.0], "multi", CHART),
        lambda: engine.recommend_music("tiny", '{"liveType": "multi"}', DECK),
        lambda: engine.recommend_area_items("tiny", [1, 6, 3], user),
        lambda: engine.get_world_bloom_support_cards("tiny", '{"eventId": 2}', user),
    ]
    alone = [call() for call in calls]

    def work(index):
        if index % 10 == 9:
            engine.update_masterdata_from_strings(TINY_TABLES, "tiny")
            engine.update_musicmetas(METAS, "tiny")
            return None
        return index % 4, calls[index % 4]()

    with ThreadPoolExecutor(max_workers=8) as pool:
        results = [r for r in pool.map(work, range(200)) if r is not None]
    assert all(text == alone[which] for which, text in results)
