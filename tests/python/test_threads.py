"""Many Python threads using one engine and one player at the same time."""
import threading

from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData


def test_threads_share_one_engine_without_deadlock():
    engine = NativeEngine()
    shared_user = NativeUserData(b'{"userCards": []}')
    failures = []
    start = threading.Barrier(8)

    def worker(index):
        start.wait()
        region = f"region-{index % 3}"
        expected = f"masterdata for region {region} is not loaded"
        calls = [
            lambda: engine.recommend(region, "{}", shared_user),
            lambda: engine.build_pool(region, "{}", NativeUserData(b"{}")),
            lambda: engine.recommend_area_items(region, [1, 2, 3], shared_user),
            lambda: engine.calculate_exact_live(region, 10, [1.0] * 5, "solo", "{}"),
            lambda: engine.update_musicmetas("[]", region),
        ]
        for round_index in range(300):
            try:
                calls[round_index % len(calls)]()
                failures.append("call returned")
            except RuntimeError as error:
                if str(error) != expected:
                    failures.append(str(error))

    threads = [threading.Thread(target=worker, args=(i,)) for i in range(8)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(timeout=60)
    assert not any(thread.is_alive() for thread in threads)
    assert failures == []
