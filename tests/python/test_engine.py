"""The engine's region table as every method sees it."""
import pytest

from _vorava_devo_zuvoro._native import NativeEngine

SCORE = '{"notes": []}'


def computing_calls(engine, user_data, region):
    """Every call that looks a region up, with arguments that are otherwise
    faulty wherever a later check would object: the region is checked first."""
    return [
        lambda: engine.recommend(region, "not json", user_data),
        lambda: engine.build_pool(region, "{", user_data),
        lambda: engine.get_world_bloom_support_cards(region, "[", user_data),
        lambda: engine.recommend_area_items(region, [], user_data),
        lambda: engine.recommend_music(region, "{", "not json"),
        lambda: engine.calculate_exact_live(region, 1, [], "mysekai", "{"),
        lambda: engine.update_musicmetas("not json", region),
    ]


REGIONS = ["jp", "JP", "jp ", "", "日本\u3000", "with\0nul"]


@pytest.mark.parametrize("region", REGIONS)
def test_a_fresh_engine_reports_every_region_as_not_loaded(engine, user_data, region):
    for call in computing_calls(engine, user_data, region):
        with pytest.raises(RuntimeError) as raised:
            call()
        assert str(raised.value) == f"masterdata for region {region} is not loaded"


def test_engines_are_independent(user_data):
    engines = [NativeEngine(), NativeEngine()]
    for engine in engines:
        with pytest.raises(RuntimeError, match="^masterdata for region jp is not loaded$"):
            engine.recommend("jp", "{}", user_data)
