"""Exact decks on the roads where pruning, re-admission and the bounds must
not lose a deck: a designated final-chapter leader for every `limit`,
event-bonus tiers on a challenge live, checked against every deck of the
pool, and a multi live score up lower bound that only the high-skill cards
reach, which the pool's trimming must not drop."""

import json

import pytest

from _vorava_devo_zuvoro._native import NativeUserData
from conftest import LoadedRegion

REGION = "gen"
# The most decks a result lists.
LISTED_DECKS_MAX = 10_000


@pytest.fixture(scope="module")
def region(sample_region_dir):
    return LoadedRegion(sample_region_dir, REGION)


def leaders(decks, character_of):
    return [character_of[deck["cards"][0]["card_id"]] for deck in decks]


def test_designated_leader_for_every_limit(region):
    engine, character_of = region.engine, region.character_of
    # Six cards per character keep the final chapter's pool within capacity.
    kept = region.first_cards_per_character(6)
    user = NativeUserData(json.dumps({**region.user_json, "userCards": kept}).encode())
    best = None
    for limit in (1, 2, 5, 10):
        options = {"eventId": 180, "forcedLeaderCharacterId": 7, "liveType": "solo", "limit": limit}
        decks = json.loads(engine.recommend(REGION, json.dumps(options), user))["decks"]
        assert decks and leaders(decks, character_of) == [7] * len(decks), limit
        # A longer list starts with the best deck of the shortest.
        best = best or decks[0]
        assert decks[0]["score"] == best["score"]


def card_set(deck):
    return tuple(sorted(card["card_id"] for card in deck["cards"]))


def test_bonus_tiers_on_a_challenge_live(region):
    engine, character_of = region.engine, region.character_of
    user = NativeUserData(json.dumps(region.user_json).encode())
    options = {"liveType": "challenge", "challengeLiveCharacterId": 1, "target": "bonus",
               "eventId": 3, "limit": 3}
    # The decks of the pool (one character's cards, among them two skill
    # variants of one card), best first: by bonus, then score. A list stops
    # at LISTED_DECKS_MAX, while up to 19 cards give 11,628 decks; a cut
    # list still holds every deck of a tier when its last deck lies below
    # the tier, since it is a prefix of the whole order.
    pool = engine.build_pool(REGION, json.dumps(options), user)
    every = json.loads(pool.recommend(limit=10**6, timeout_ms=0))["decks"]
    tiers = [116, 129]
    assert len(every) < LISTED_DECKS_MAX or (
        round(2 * every[-1]["event_bonus_rate"]) < 2 * min(tiers))
    expected = []
    for tier in sorted(tiers, reverse=True):
        expected += [d for d in every if round(2 * d["event_bonus_rate"]) == 2 * tier][:3]
    assert {round(d["event_bonus_rate"]) for d in expected} == set(tiers)

    options["targetBonusList"] = tiers
    decks = json.loads(engine.recommend(REGION, json.dumps(options), user))["decks"]
    assert [(d["event_bonus_rate"], d["score"]) for d in decks] == [
        (d["event_bonus_rate"], d["score"]) for d in expected]
    for deck in decks:
        assert len(set(card_set(deck))) == 5
        assert {character_of[c] for c in card_set(deck)} == {1}


@pytest.mark.parametrize("target", ["power", "score"])
@pytest.mark.parametrize("event", [None, 1], ids=["no event", "event"])
def test_score_up_lower_bound_reached_only_by_high_skill_cards(region, sample_region_dir, target, event):
    engine = region.engine
    engine.update_musicmetas((sample_region_dir / "music_metas.json").read_text(), REGION)
    user = NativeUserData(json.dumps(region.user_json).encode())

    def decks(**options):
        options = {"liveType": "multi", **options, **({"eventId": event} if event else {})}
        return json.loads(engine.recommend(REGION, json.dumps(options), user))["decks"]

    # The largest score up of any deck, and what the target's own best deck
    # reaches: the power and score trimming keep cards by power, far below it.
    best = decks(target="skill", limit=1)[0]["multi_live_score_up"]
    assert decks(target=target, limit=1)[0]["multi_live_score_up"] < best - 10
    found = decks(target=target, limit=3, multiLiveScoreUpLowerBound=best)
    assert found
    assert all(deck["multi_live_score_up"] + 1e-9 >= best for deck in found)
