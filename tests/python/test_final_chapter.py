"""`recommend` for the final chapter of a World Bloom event (event 180) over
the generated region: decks of five characters, a designated leader
character, one road or the other giving the same decks, and fixed cards."""

import json

import pytest

from _vorava_devo_zuvoro._native import NativeUserData
from conftest import LoadedRegion

REGION = "gen"
FINAL_CHAPTER = 180


# Cards kept per character: the whole sample collection exceeds the pool's
# capacity once every character counts.
PER_CHARACTER = 6


class Region(LoadedRegion):
    def __init__(self, directory, per_character=PER_CHARACTER):
        super().__init__(directory, REGION)
        if per_character:
            self.user_cards = self.first_cards_per_character(per_character)
        else:
            self.user_cards = self.user_json["userCards"]
        self.user = NativeUserData(json.dumps({**self.user_json, "userCards": self.user_cards}).encode())
        # The designated character: one the player owns most cards of.
        self.character = self.most_owned_character(self.user_cards)

    def recommend(self, options):
        return json.loads(self.engine.recommend(REGION, json.dumps(options), self.user))["decks"]

    def pool_recommend(self, options):
        pool = self.engine.build_pool(REGION, json.dumps(options), self.user)
        return json.loads(pool.recommend())["decks"]


@pytest.fixture(scope="module")
def region(sample_region_dir):
    return Region(sample_region_dir)


def characters(region, deck):
    return [region.character_of[card["card_id"]] for card in deck["cards"]]


def card_set(deck):
    return tuple(sorted(card["card_id"] for card in deck["cards"]))


REQUESTS = [
    ("designated, solo", {"liveType": "solo"}, True),
    ("designated, multi", {"liveType": "multi"}, True),
    ("designated, auto", {"liveType": "auto"}, True),
    ("every character, solo", {"liveType": "solo"}, False),
    ("every character, multi", {"liveType": "multi"}, False),
]


@pytest.mark.parametrize("case,options,designated", REQUESTS, ids=[r[0] for r in REQUESTS])
def test_final_chapter_decks(region, case, options, designated):
    request = {"eventId": FINAL_CHAPTER, "limit": 5, **options}
    if designated:
        request["forcedLeaderCharacterId"] = region.character
    decks = region.recommend(request)
    assert 1 <= len(decks) <= 5
    for deck in decks:
        assert len(set(characters(region, deck))) == 5
        if designated:
            assert region.character in characters(region, deck)
    assert len({card_set(deck) for deck in decks}) == len(decks)
    scores = [deck["score"] for deck in decks]
    assert scores == sorted(scores, reverse=True)
    # The same search through a prepared pool gives the same decks.
    assert region.pool_recommend(request) == decks


def test_fixed_cards_are_kept_on_the_final_chapter_road(region):
    base = {"eventId": FINAL_CHAPTER, "liveType": "multi", "limit": 3}
    # A card that none of the best decks holds.
    chosen = {card for deck in region.recommend(base) for card in card_set(deck)}
    fixed = next(card["cardId"] for card in region.user_cards if card["cardId"] not in chosen)
    decks = region.recommend({**base, "fixedCards": [fixed], "timeoutMs": 500})
    assert decks
    for deck in decks:
        assert fixed in card_set(deck)


@pytest.fixture(scope="module")
def whole_player(sample_region_dir):
    """The sample player with every card: more candidates than a pool holds
    until the last trimming cut brings them down."""
    player = Region(sample_region_dir, per_character=None)
    owned = [player.character_of[c["cardId"]] for c in player.user_cards]
    player.by_count = sorted(set(owned), key=lambda c: (-owned.count(c), c))
    return player


def test_the_whole_sample_player_gets_final_chapter_decks(whole_player):
    decks = whole_player.recommend({"eventId": FINAL_CHAPTER, "liveType": "multi", "limit": 5})
    assert len(decks) == 5
    for deck in decks:
        assert len(set(characters(whole_player, deck))) == 5


def constrained_requests(player):
    first, second, third = player.by_count[:3]
    card_of = {}
    for card in player.user_cards:
        card_of.setdefault(player.character_of[card["cardId"]], card["cardId"])
    return [
        ("designated", {"forcedLeaderCharacterId": first}),
        ("designated, fixed card", {"forcedLeaderCharacterId": first, "fixedCards": [card_of[second]]}),
        ("designated, fixed character", {"forcedLeaderCharacterId": first, "fixedCharacters": [third]}),
        ("fixed cards", {"fixedCards": [card_of[second], card_of[third]]}),
        ("fixed characters", {"fixedCharacters": [third, second]}),
        ("score-up lower bound", {"multiLiveScoreUpLowerBound": 150}),
    ]


@pytest.mark.parametrize("index", range(6))
def test_constrained_final_chapter_requests_meet_their_constraints(whole_player, index):
    case, constraints = constrained_requests(whole_player)[index]
    request = {"eventId": FINAL_CHAPTER, "liveType": "multi", "limit": 5, **constraints}
    decks = whole_player.recommend(request)
    assert decks, case
    for deck in decks:
        chars = characters(whole_player, deck)
        ids = [card["card_id"] for card in deck["cards"]]
        assert len(set(chars)) == 5
        # Cards are listed leader first.
        if "forcedLeaderCharacterId" in constraints:
            assert chars[0] == constraints["forcedLeaderCharacterId"]
        elif "fixedCards" in constraints:
            assert ids[0] == constraints["fixedCards"][0]
        elif "fixedCharacters" in constraints:
            assert chars[0] == constraints["fixedCharacters"][0]
        assert set(constraints.get("fixedCards", [])) <= set(ids)
        assert set(constraints.get("fixedCharacters", [])) <= set(chars)
        if "multiLiveScoreUpLowerBound" in constraints:
            assert deck["multi_live_score_up"] + 1e-9 >= constraints["multiLiveScoreUpLowerBound"]
