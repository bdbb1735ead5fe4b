"""The sweep bench's request drawing: every request it draws is one the
engine's options reader and validation accept, so the bench times searches
rather than refusals of its own making, and a seed always draws the same list."""

from pathlib import Path
import sys

import pytest

from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "bench"))
import sweep_bench  # noqa: E402

REGION = "sweep"
# The refusals a valid request may still meet: the player's cards leave no
# candidate, or more candidates than a pool holds.
POOL_REFUSALS = ("候选卡池为空", "候选卡数量超过 mask 容量")


@pytest.fixture(scope="module")
def sweep_region(sample_region_dir):
    return sweep_bench.Region.load(sample_region_dir)


def test_drawn_requests_pass_the_options_checks(sample_region_dir, sweep_region):
    engine = NativeEngine()
    engine.update_masterdata(str(sample_region_dir / "masterdata"), REGION)
    engine.update_musicmetas((sample_region_dir / "music_metas.json").read_text(), REGION)
    player = NativeUserData((sample_region_dir / "user_data.json").read_bytes())
    refused = []
    for request in sweep_bench.draw_requests(sweep_region, seed=7, count=400):
        options = sweep_bench.json.dumps(request["options"])
        try:
            engine.build_pool(REGION, options, player)
        except RuntimeError as error:
            if not str(error).startswith(POOL_REFUSALS):
                refused.append((options, str(error)))
    assert refused == []


def test_a_seed_draws_the_same_requests(sweep_region):
    first = sweep_bench.draw_requests(sweep_region, seed=3, count=50)
    assert first == sweep_bench.draw_requests(sweep_region, seed=3, count=50)
    assert first != sweep_bench.draw_requests(sweep_region, seed=4, count=50)
