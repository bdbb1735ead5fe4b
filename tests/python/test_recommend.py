"""`NativeEngine.recommend` and `NativeCardPool.recommend` over the generated
region: the result JSON and its deck objects, one road and the other giving
the same decks, the pool's overrides, threads, and the errors of the search
step."""

from concurrent.futures import ThreadPoolExecutor
import json

import pytest

from _vorava_devo_zuvoro._native import NativeUserData
from conftest import LoadedRegion

REGION = "gen"

DECK_TYPES = {
    "area_item_bonus_power": int, "base_power": int, "cards": list, "character_bonus_power": int,
    "event_bonus_rate": float, "fixture_bonus_power": int, "gate_bonus_power": int,
    "honor_bonus_power": int, "live_score": int, "multi_live_score_up": float,
    "mysekai_event_point": int, "score": int, "support_deck_bonus_rate": float,
    "support_deck_cards": list, "total_power": int,
}
CARD_TYPES = {
    "after_training": bool, "base_power": int, "card_id": int, "default_image": str,
    "episode1_read": bool, "episode2_read": bool, "event_bonus_rate": float,
    "has_canvas_bonus": bool, "level": int, "master_rank": int, "skill_level": int,
    "skill_life_recovery": int, "skill_score_up": int, "total_power": int,
}


class Region(LoadedRegion):
    def __init__(self, directory):
        super().__init__(directory, REGION)
        self.user = NativeUserData(json.dumps(self.user_json).encode())
        # The character the sample player owns most cards of.
        self.character = self.most_owned_character()

    def recommend(self, options, user=None):
        return self.engine.recommend(REGION, json.dumps(options), user or self.user)

    def pool(self, options, user=None):
        return self.engine.build_pool(REGION, json.dumps(options), user or self.user)


@pytest.fixture(scope="module")
def region(sample_region_dir):
    return Region(sample_region_dir)


def challenge(region, **more):
    return {"liveType": "challenge", "challengeLiveCharacterId": region.character, "limit": 1, **more}


def ordered(text):
    """The JSON text read with every object as its list of (key, value)
    pairs, in the order written."""
    return json.loads(text, object_pairs_hook=lambda pairs: pairs)


def as_dicts(value):
    if isinstance(value, list):
        if all(isinstance(p, tuple) and len(p) == 2 for p in value) and value:
            return {k: as_dicts(v) for k, v in value}
        return [as_dicts(v) for v in value]
    return value


REQUESTS = [
    ("no event", {}),
    ("marathon", {"eventId": 1}),
    ("cheerful carnival", {"eventId": 4}),
    ("challenge auto", {"liveType": "challenge_auto", "eventId": 1}),
    ("bonus target", {"target": "bonus", "eventId": 1}),
    ("mysekai target", {"target": "mysekai", "eventId": 1}),
]


@pytest.mark.parametrize("case,options", REQUESTS, ids=[r[0] for r in REQUESTS])
def test_recommend_and_the_pool_give_the_same_deck(region, case, options):
    request = challenge(region, **options)
    direct = json.loads(region.recommend(request))
    pool = region.pool(request)
    assert direct["decks"] == json.loads(pool.recommend())["decks"]
    assert direct["decks"] == json.loads(pool.recommend(None, None))["decks"]
    assert len(direct["decks"]) == 1


@pytest.mark.parametrize("case,options", REQUESTS[:3], ids=[r[0] for r in REQUESTS[:3]])
def test_deck_objects(region, case, options):
    text = region.recommend(challenge(region, **options))
    top = ordered(text)
    assert [key for key, _ in top] == ["cost_ms", "decks"]
    assert isinstance(top[0][1], float)
    deck_pairs = top[1][1][0]
    assert [key for key, _ in deck_pairs] == sorted(DECK_TYPES)
    deck = as_dicts(deck_pairs)
    for key, kind in DECK_TYPES.items():
        assert type(deck[key]) is kind, key
    assert len(deck["cards"]) == 5
    for card_pairs in top[1][1][0][2][1]:
        assert [key for key, _ in card_pairs] == sorted(CARD_TYPES)
    for card in deck["cards"]:
        for key, kind in CARD_TYPES.items():
            assert type(card[key]) is kind, key
        assert region.character_of[card["card_id"]] == region.character
    assert len({card["card_id"] for card in deck["cards"]}) == 5
    # Challenge lives score 12000 + 120 points per 20,000 of live score.
    assert deck["score"] == 12000 + 120 * (deck["live_score"] // 20000)
    assert deck["total_power"] == sum(card["total_power"] for card in deck["cards"]) + deck[
        "honor_bonus_power"]
    assert deck["support_deck_cards"] == [] and deck["support_deck_bonus_rate"] == 0.0
    assert deck["mysekai_event_point"] == 0
    # The event bonus is the sum of the cards' own bonuses.
    assert deck["event_bonus_rate"] == pytest.approx(sum(c["event_bonus_rate"] for c in deck["cards"]))
    if not options:
        assert deck["event_bonus_rate"] == 0.0


def test_mysekai_target_reports_its_points(region):
    deck = json.loads(region.recommend(challenge(region, target="mysekai", eventId=1)))["decks"][0]
    assert (deck["score"], deck["live_score"], deck["mysekai_event_point"]) == (0, 0, 2500)


def test_pool_overrides(region):
    pool = region.pool(challenge(region))
    expected = json.loads(pool.recommend())["decks"]
    # A deadline too far to represent means none.
    assert json.loads(pool.recommend(timeout_ms=2**64 - 1))["decks"] == expected
    assert json.loads(pool.recommend(1, 0))["decks"] == expected
    with pytest.raises(RuntimeError) as raised:
        pool.recommend(limit=0)
    assert str(raised.value) == f"Cannot recommend any deck in {len(region.user_json['userCards'])} cards"
    # Other limits take the bounded search; a huge one reserves nothing for
    # its size.
    for limit in (2, 500, 10**12):
        decks = json.loads(pool.recommend(limit=limit))["decks"]
        assert 1 < len(decks) <= limit
        assert decks[0] == expected[0]
    assert (pool.limit, pool.timeout_ms) == (1, 300000)


def test_threads_search_one_pool_at_once(region):
    pool = region.pool(challenge(region, eventId=1))
    with ThreadPoolExecutor(max_workers=8) as workers:
        answers = list(workers.map(lambda _: json.loads(pool.recommend())["decks"], range(32)))
    assert all(answer == answers[0] for answer in answers)


def test_single_best_deck_of_many_characters_is_the_best_of_the_bounded_search(region):
    # Without a challenge character every character's cards enter the pool:
    # far too many combinations to try them all, so limit 1 is answered by
    # the bounded search, which finds the best deck before any deadline.
    request = {"liveType": "challenge", "timeoutMs": 300000}
    best = json.loads(region.recommend({**request, "limit": 1}))["decks"]
    two = json.loads(region.recommend({**request, "limit": 2}))["decks"]
    assert len(best) == 1 and len(two) == 2
    assert best[0]["score"] == two[0]["score"]


def test_errors(region):
    cards = region.user_json["userCards"]
    few = [c for c in cards if region.character_of[c["cardId"]] == region.character][:4]
    others = [c for c in cards if region.character_of[c["cardId"]] != region.character][:9]
    user = NativeUserData(json.dumps({"userCards": few + others}).encode())
    # Four cards of the challenge character: nothing to search. The message
    # counts the player's cards, not the pool's.
    for call in (lambda: region.recommend(challenge(region), user),
                 lambda: region.pool(challenge(region), user).recommend()):
        with pytest.raises(RuntimeError, match="^Cannot recommend any deck in 13 cards$"):
            call()
    # With event-bonus tiers an empty search is no error.
    tiers = challenge(region, target="bonus", eventId=1, targetBonusList=[50])
    assert json.loads(region.recommend(tiers, user))["decks"] == []
    assert json.loads(region.pool(tiers).recommend(limit=0))["decks"] == []
    with pytest.raises(RuntimeError, match="^候选卡池为空$"):
        region.recommend({}, NativeUserData(b"{}"))
    with pytest.raises(ValueError, match="^limit 必须在 1..=100 范围内$"):
        region.recommend({"limit": 101})
    with pytest.raises(RuntimeError, match="^masterdata for region other is not loaded$"):
        region.engine.recommend("other", "{", region.user)


@pytest.mark.parametrize("options", [
    {"target": "power", "fixedCharacters": "four"},
    {"target": "skill", "fixedCharacters": "four"},
    {"target": "score", "liveType": "multi", "eventId": 1},
    {"target": "bonus", "eventId": 1},
], ids=["power", "skill", "score", "bonus"])
def test_a_player_of_four_characters_gets_no_deck_without_a_search(region, options):
    # Every card of four characters: no deck has a fifth character. A search
    # slot by slot would try every choice of the first four cards before it
    # knew; the answer comes before any search.
    user_cards = region.first_cards_per_character(1000, characters=4)
    four = sorted({region.character_of[c["cardId"]] for c in user_cards})
    user = NativeUserData(json.dumps({"userCards": user_cards}).encode())
    if options.get("fixedCharacters") == "four":
        options = {**options, "fixedCharacters": four}
    request = {**options, "timeoutMs": 300000}
    with pytest.raises(RuntimeError, match=f"^Cannot recommend any deck in {len(user_cards)} cards$"):
        region.recommend(request, user)


def card_set(deck):
    return tuple(sorted(card["card_id"] for card in deck["cards"]))


def assert_one_deck_per_card_set(decks):
    assert len({card_set(deck) for deck in decks}) == len(decks)


KERNEL_REQUESTS = [
    ("power", {"target": "power"}, lambda d: -d["total_power"]),
    ("power, minimized", {"target": "power", "minimize": True}, lambda d: d["total_power"]),
    ("power, fixed character", {"target": "power", "fixedCharacters": "owned"}, lambda d: -d["total_power"]),
    ("skill", {"target": "skill"}, lambda d: -d["multi_live_score_up"]),
]


@pytest.mark.parametrize("case,options,rank", KERNEL_REQUESTS, ids=[r[0] for r in KERNEL_REQUESTS])
def test_power_and_skill_targets(region, case, options, rank):
    request = {"limit": 6, **options}
    if "fixedCharacters" in request:
        request["fixedCharacters"] = [region.character]
    decks = json.loads(region.recommend(request))["decks"]
    assert decks == json.loads(region.pool(request).recommend())["decks"]
    assert 1 < len(decks) <= 6
    assert [rank(d) for d in decks] == sorted(rank(d) for d in decks)
    assert_one_deck_per_card_set(decks)
    for deck in decks:
        characters = [region.character_of[card["card_id"]] for card in deck["cards"]]
        assert len(set(characters)) == 5
        if "fixedCharacters" in request:
            assert characters[0] == region.character


@pytest.mark.parametrize("target,value", [("power", "total_power"), ("skill", "multi_live_score_up")])
def test_power_and_skill_targets_of_a_challenge_live(region, target, value):
    # The challenge character's cards only: a character may repeat, a card may not.
    request = challenge(region, target=target, limit=4)
    decks = json.loads(region.recommend(request))["decks"]
    assert decks == json.loads(region.pool(request).recommend())["decks"]
    assert len(decks) == 4
    assert [d[value] for d in decks] == sorted((d[value] for d in decks), reverse=True)
    assert_one_deck_per_card_set(decks)
    for deck in decks:
        assert {region.character_of[card["card_id"]] for card in deck["cards"]} == {region.character}
        assert len(card_set(deck)) == len(set(card_set(deck))) == 5


@pytest.mark.parametrize("target", ["score", "bonus", "mysekai"])
def test_challenge_live_with_several_decks(region, target):
    request = challenge(region, target=target, eventId=1, limit=8)
    decks = json.loads(region.recommend(request))["decks"]
    assert decks == json.loads(region.pool(request).recommend())["decks"]
    assert 1 < len(decks) <= 8
    assert_one_deck_per_card_set(decks)
    best = json.loads(region.recommend({**request, "limit": 1}))["decks"][0]
    assert decks[0] == best
    if target == "score":
        assert [d["live_score"] for d in decks] == sorted((d["live_score"] for d in decks), reverse=True)
    # A fixed card holds the first slot of every deck.
    fixed = decks[-1]["cards"][0]["card_id"]
    pinned = json.loads(region.recommend({**request, "fixedCards": [fixed]}))["decks"]
    assert pinned and all(fixed in card_set(deck) for deck in pinned)
