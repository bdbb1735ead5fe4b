"""`recommend` on the default road (lives other than challenge lives): the
pruned depth-first search for the score, bonus and mysekai targets, with and
without event-bonus tiers, through the engine and through a kept pool."""

import json

import pytest

from test_recommend import REGION, Region, region  # noqa: F401  (fixture)

LIVES = ["solo", "multi"]
TARGETS = [
    ("score", {}),
    ("score", {"eventId": 1}),
    ("bonus", {"eventId": 1}),
    ("mysekai", {"eventId": 1}),
]


def request(region, live, target, more, **extra):
    return {"liveType": live, "target": target, "limit": 3, **more, **extra}


def best_first(decks, field):
    return all(a[field] >= b[field] for a, b in zip(decks, decks[1:]))


@pytest.mark.parametrize("live", LIVES)
@pytest.mark.parametrize("target,more", TARGETS, ids=[f"{t}-{len(m)}" for t, m in TARGETS])
def test_engine_and_pool_agree(region, live, target, more):
    options = request(region, live, target, more)
    direct = json.loads(region.recommend(options))["decks"]
    pool = region.pool(options)
    assert json.loads(pool.recommend())["decks"] == direct
    assert len(direct) == 3
    # Five cards of five characters in every deck, no card set twice.
    sets = set()
    for deck in direct:
        ids = [c["card_id"] for c in deck["cards"]]
        assert len(set(region.character_of[i] for i in ids)) == 5
        sets.add(frozenset(ids))
    assert len(sets) == 3
    if target == "bonus":
        assert best_first(direct, "event_bonus_rate")
    elif target == "score" and not more:
        assert best_first(direct, "live_score")


def test_a_smaller_limit_gives_the_first_decks(region):
    options = request(region, "solo", "score", {"eventId": 1})
    three = json.loads(region.recommend(options))["decks"]
    one = json.loads(region.pool(options).recommend(limit=1))["decks"]
    assert one == three[:1]


def test_bonus_tiers(region):
    options = request(region, "solo", "bonus", {"eventId": 1})
    best = json.loads(region.recommend(options))["decks"]
    top = best[0]["event_bonus_rate"]
    # The best bonus is a tier when it is a whole or half percent.
    tier = int(top) if float(top).is_integer() else None
    tiers = [t for t in (tier, 1, 0) if t is not None]
    options["targetBonusList"] = tiers + [10000]
    direct = json.loads(region.recommend(options))["decks"]
    assert json.loads(region.pool(options).recommend())["decks"] == direct
    rates = [d["event_bonus_rate"] for d in direct]
    assert all(r in tiers for r in rates)
    assert rates == sorted(rates, reverse=True)
    for t in tiers:
        assert rates.count(t) <= 3
    if tier is not None:
        assert rates[0] == tier
    # A tier that no deck reaches: an empty list, no error.
    options["targetBonusList"] = [10000]
    assert json.loads(region.recommend(options))["decks"] == []
