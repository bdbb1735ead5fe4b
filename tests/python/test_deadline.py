"""A deadline that passes at once (`timeoutMs` 1) on every road of the search
over the generated region: each answers, through the engine and through a
kept pool, with the decks it found by its first clock check past the
deadline or, when it holds none by then, with the error for no deck. Which
of the two depends on where the clock runs out; that it is one of them does
not."""

import json
import re

import pytest

from _vorava_devo_zuvoro._native import NativeUserData
from conftest import LoadedRegion

REGION = "gen"
WORLD_BLOOM = 151
FINAL_CHAPTER = 180

# (id, options); "CHARACTER" and "CARD" stand for the character the player
# owns most cards of and one card of that character.
ROADS = [
    ("score, solo, no event", {}),
    ("score, multi, marathon", {"liveType": "multi", "eventId": 1}),
    ("score, cheerful carnival", {"liveType": "cheerful", "eventId": 4}),
    ("score, World Bloom", {"liveType": "multi", "eventId": WORLD_BLOOM}),
    ("score, final chapter", {"liveType": "multi", "eventId": FINAL_CHAPTER}),
    ("score, final chapter, designated leader",
     {"liveType": "multi", "eventId": FINAL_CHAPTER, "forcedLeaderCharacterId": "CHARACTER"}),
    ("bonus", {"target": "bonus", "eventId": 1}),
    ("mysekai", {"target": "mysekai", "eventId": 1}),
    ("skill", {"target": "skill", "liveType": "multi"}),
    ("power", {"target": "power", "limit": 100}),
    ("power, World Bloom", {"target": "power", "liveType": "multi", "eventId": WORLD_BLOOM, "limit": 100}),
    ("power, final chapter", {"target": "power", "eventId": FINAL_CHAPTER, "limit": 100}),
    ("power, fixed card", {"target": "power", "fixedCards": ["CARD"], "limit": 100}),
    ("challenge, one character, one deck",
     {"liveType": "challenge", "challengeLiveCharacterId": "CHARACTER", "limit": 1}),
    ("challenge, every character, one deck", {"liveType": "challenge", "limit": 1}),
    ("challenge auto, one character", {"liveType": "challenge_auto", "challengeLiveCharacterId": "CHARACTER"}),
    ("challenge, bonus", {"liveType": "challenge", "target": "bonus", "eventId": 1}),
    ("bonus tiers, marathon", {"target": "bonus", "eventId": 1, "targetBonusList": [50]}),
    ("bonus tiers, World Bloom", {"target": "bonus", "eventId": WORLD_BLOOM, "targetBonusList": [100, 150]}),
]


@pytest.fixture(scope="module")
def region(sample_region_dir):
    region = LoadedRegion(sample_region_dir, REGION)
    character = region.most_owned_character()
    user_cards = region.user_json["userCards"]
    card = next(c["cardId"] for c in user_cards if region.character_of[c["cardId"]] == character)
    user = NativeUserData(json.dumps(region.user_json).encode())
    return region.engine, user, {"CHARACTER": character, "CARD": card}


def resolved(options, names):
    def value(v):
        if isinstance(v, list):
            return [value(x) for x in v]
        return names.get(v, v) if isinstance(v, str) else v
    return {key: value(v) for key, v in options.items()}


def assert_decks_or_no_deck_error(call, tiers):
    """Decks, or the error for no deck (with tiers: an empty list instead)."""
    try:
        text = call()
    except RuntimeError as error:
        assert not tiers
        assert re.fullmatch(r"Cannot recommend any deck in \d+ cards", str(error))
        return
    assert json.loads(text)["decks"] or tiers


@pytest.mark.parametrize("options", [r[1] for r in ROADS], ids=[r[0] for r in ROADS])
def test_a_passed_deadline_answers_with_what_the_search_holds(region, options):
    engine, user, names = region
    request = json.dumps({**resolved(options, names), "timeoutMs": 1})
    tiers = "targetBonusList" in options
    assert_decks_or_no_deck_error(lambda: engine.recommend(REGION, request, user), tiers)
    pool = engine.build_pool(REGION, request, user)
    assert_decks_or_no_deck_error(pool.recommend, tiers)
