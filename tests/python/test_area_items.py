"""`NativeEngine.recommend_area_items` over the hand-written tiny region: the
upgrades its player can buy for a deck, their shop items and costs, the
order, and the errors with their exception kinds."""

import json

import pytest

from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData
from conftest import TINY, TINY_TABLES

USER_JSON = json.loads((TINY / "user_data.json").read_text())
KEYS = ["area_id", "area_type", "area_view_type", "area_item_id", "next_level", "shop_item_id",
        "cost", "power", "power_per_coin"]


@pytest.fixture(scope="module")
def engine():
    engine = NativeEngine()
    engine.update_masterdata_from_strings(TINY_TABLES, "tiny")
    return engine


def with_areas(areas):
    return NativeUserData(json.dumps({**USER_JSON, "userAreas": areas}).encode())


def upgrades(engine, cards, user):
    text = engine.recommend_area_items("tiny", cards, user)
    assert " " not in text
    records = json.loads(text, object_pairs_hook=lambda pairs: pairs)
    assert all([k for k, _ in r] == KEYS for r in records)
    assert all([k for k, _ in dict(r)["cost"]] == ["coin", "seed", "szk"] for r in records)
    return [{**dict(r), "cost": dict(dict(r)["cost"])} for r in records]


def test_the_players_next_levels(engine):
    # Item 1 is at its top level 3; item 2 (cool cards) goes to 3, item 3
    # (character 5) to 2.
    user = NativeUserData(json.dumps(USER_JSON).encode())
    records = upgrades(engine, [1, 6, 3], user)
    by_item = {r["area_item_id"]: r for r in records}
    assert {i: (r["next_level"], r["shop_item_id"]) for i, r in by_item.items()} == {
        2: (3, 1013), 3: (2, 1022)}
    assert by_item[2]["cost"] == {"coin": 3000, "seed": 15, "szk": 0}
    assert (by_item[2]["area_id"], by_item[2]["area_type"], by_item[2]["area_view_type"]) == (
        1, "reality_world", "side_view")
    assert by_item[3]["cost"] == {"coin": 2000, "seed": 0, "szk": 0}
    for r in records:
        assert r["power"] >= 1
        assert r["power_per_coin"] == r["power"] / r["cost"]["coin"]
    ratios = [(r["power_per_coin"], r["power"]) for r in records]
    assert ratios == sorted(ratios, reverse=True)

    # A deck without cool cards or character 5 gains nothing from either.
    assert engine.recommend_area_items("tiny", [2], user) == "[]"
    # The same card twice is valued twice: the gain doubles.
    once = upgrades(engine, [3], user)
    twice = upgrades(engine, [3, 3], user)
    assert [r["power"] * 2 for r in once] == [r["power"] for r in twice]


def test_items_the_player_lacks_start_at_level_one(engine):
    records = upgrades(engine, [3, 6], with_areas([]))
    levels = {r["area_item_id"]: (r["next_level"], r["shop_item_id"], r["cost"]["coin"]) for r in records}
    assert levels == {1: (1, 1001, 1000), 2: (1, 1011, 1000), 3: (1, 1021, 1000)}


ERRORS = [
    ([], "card_ids must contain 1 to 5 cards"),
    ([1] * 6, "card_ids must contain 1 to 5 cards"),
    ([1, 12], "User card not found for cardId=12"),
    ([1, 70000], "User card not found for cardId=70000"),
    ([3, 7], "构建参数非法: fixed card 角色重复: 5"),  # the valuation's own preparation error
]


@pytest.mark.parametrize("cards,message", ERRORS)
def test_errors(engine, cards, message):
    with pytest.raises(RuntimeError) as raised:
        engine.recommend_area_items("tiny", cards, NativeUserData(json.dumps(USER_JSON).encode()))
    assert str(raised.value) == message


def test_missing_tables(engine):
    user = NativeUserData(json.dumps(USER_JSON).encode())
    for table, message in [("areas.json", "areas masterdata is not loaded"),
                           ("areaItems.json", "areaItems masterdata is not loaded"),
                           ("shopItems.json", "shopItems masterdata is not loaded")]:
        engine.update_masterdata_from_strings({k: v for k, v in TINY_TABLES.items() if k != table}, "bare")
        with pytest.raises(RuntimeError, match=f"^{message}$"):
            engine.recommend_area_items("bare", [1], user)
    with pytest.raises(RuntimeError, match="^masterdata for region nowhere is not loaded$"):
        engine.recommend_area_items("nowhere", [], user)
