"""`recommend` on the roads whose depth-first search starts from seed decks
(score searches with and without an event, multi and cheerful lives, the
bonus and mysekai targets), over the generated region: one road and the
other give the same decks, and the search is exact, so a shorter list is the
head of a longer one although the seeds differ with the limit."""

import json

import pytest

from _vorava_devo_zuvoro._native import NativeUserData
from conftest import LoadedRegion

REGION = "gen"

ROADS = [
    ("solo marathon", {"liveType": "solo", "eventId": 1}),
    ("auto marathon", {"liveType": "auto", "eventId": 1}),
    ("multi marathon", {"liveType": "multi", "eventId": 1}),
    ("cheerful carnival", {"liveType": "cheerful", "eventId": 4}),
    ("solo without event", {"liveType": "solo"}),
    ("bonus target", {"liveType": "multi", "target": "bonus", "eventId": 1}),
    ("mysekai target", {"liveType": "multi", "target": "mysekai", "eventId": 1}),
]
IDS = [road[0] for road in ROADS]


@pytest.fixture(scope="module")
def region(sample_region_dir):
    region = LoadedRegion(sample_region_dir, REGION)
    # Three cards of each of eight characters: small enough for searches
    # without a deadline.
    player = {**region.user_json, "userCards": region.first_cards_per_character(3, characters=8)}
    return region.engine, NativeUserData(json.dumps(player).encode())


def decks(text):
    return json.loads(text)["decks"]


def ranking(found):
    """What the ranking key is made of, deck by deck."""
    return [(d["score"], d["live_score"], d["event_bonus_rate"], d["mysekai_event_point"])
            for d in found]


@pytest.mark.parametrize("case,options", ROADS, ids=IDS)
def test_recommend_and_the_pool_agree(region, case, options):
    engine, user = region
    request = json.dumps({**options, "limit": 4})
    direct = decks(engine.recommend(REGION, request, user))
    assert len(direct) == 4
    assert direct == decks(engine.build_pool(REGION, request, user).recommend())
    for deck in direct:
        assert len({card["card_id"] for card in deck["cards"]}) == 5


@pytest.mark.parametrize("case,options", ROADS, ids=IDS)
def test_a_shorter_list_heads_a_longer_one(region, case, options):
    engine, user = region
    pool = engine.build_pool(REGION, json.dumps(options), user)
    longer = decks(pool.recommend(limit=6, timeout_ms=0))
    for limit in (1, 3):
        assert ranking(decks(pool.recommend(limit=limit, timeout_ms=0))) == ranking(longer[:limit])
