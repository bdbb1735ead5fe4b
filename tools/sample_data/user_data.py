"""One player's account data (user_data.json): owned cards with their
levels, skill levels, master ranks, training and read episodes, character
ranks, area-item levels, decks, World Bloom support decks, challenge-live
decks, mysekai fixture bonuses, gates and canvases, and honors. Everything
it names exists in the generated master data.
"""

from . import constants as c
from .areas import AREA_ITEM_MAX_LEVEL, area_item_plan
from .cards import episode_ids_of
from .characters import GATE_MAX_LEVEL, MAX_CHARACTER_RANK
from .honors import HONOR_LEVELS, general_honor_ids, honor_has_bonus, honor_has_levels, leader_honor_ids
from .world import rng_for

# How likely a player is to own a card of each rarity, relative to the others.
OWNERSHIP_WEIGHTS = {"rarity_1": 3.0, "rarity_2": 3.0, "rarity_3": 2.5, "rarity_4": 1.2, "rarity_birthday": 1.0}
TRAINED_SHARE = {"rarity_3": 0.7, "rarity_4": 0.6}
SKILL_LEVEL_WEIGHTS = {"rarity_4": (50, 25, 15, 10), "rarity_birthday": (40, 30, 20, 10)}
LOW_RARITY_SKILL_LEVEL_WEIGHTS = (20, 20, 25, 35)
MASTER_RANK_WEIGHTS = {"rarity_4": (60, 15, 10, 6, 4, 5), "rarity_birthday": (50, 20, 10, 8, 6, 6)}
LOW_RARITY_MASTER_RANK_WEIGHTS = (30, 15, 15, 10, 10, 20)
DECK_COUNT = 10
SUPPORT_DECK_CHARACTERS = 8
SUPPORT_DECK_SIZE = 12
CANVAS_SHARE = 0.1


def build_user_data(world, seed, user_card_count):
    owned = _owned_cards(world, seed, user_card_count)
    rng = rng_for(seed, "player")
    return {
        "userGamedata": {"userId": 1000000 + seed, "name": "sample player", "rank": 150},
        "userCards": [_user_card(card, rng_for(seed, f"user-card:{card.id}")) for card in owned],
        "userCharacters": [
            {"characterId": ch, "characterRank": int(rng.triangular(1, MAX_CHARACTER_RANK, 60))}
            for ch in range(1, c.CHARACTER_COUNT + 1)
        ],
        "userAreas": _user_areas(rng),
        "userDecks": _user_decks(owned, rng),
        "userWorldBloomSupportDecks": _support_decks(owned, rng),
        "userChallengeLiveSoloDecks": _challenge_decks(owned),
        "userMysekaiFixtureGameCharacterPerformanceBonuses": [
            {"gameCharacterId": ch, "totalBonusRate": rng.randrange(0, 201, 5)}
            for ch in range(1, c.CHARACTER_COUNT + 1)
        ],
        "userMysekaiGates": [
            {"mysekaiGateId": gate_id, "mysekaiGateLevel": rng.randint(1, GATE_MAX_LEVEL)}
            for gate_id in range(1, len(c.BAND_UNITS) + 1)
        ],
        "userMysekaiCanvases": [
            {"cardId": card.id}
            for card in owned
            if card.rarity in ("rarity_3", "rarity_4") and rng.random() < CANVAS_SHARE
        ],
        "userHonors": _user_honors(rng),
    }


def _owned_cards(world, seed, count):
    """A weighted sample of cards without repetition, in card id order."""
    if count > len(world.cards):
        raise ValueError(f"the player cannot own {count} of {len(world.cards)} cards")
    rng = rng_for(seed, "ownership")
    keyed = [(rng.random() ** (1.0 / OWNERSHIP_WEIGHTS[card.rarity]), card.id, card) for card in world.cards]
    keyed.sort(key=lambda item: (-item[0], item[1]))
    return sorted((card for _, _, card in keyed[:count]), key=lambda card: card.id)


def _user_card(card, rng):
    max_level, training_max_level, max_skill_level = c.RARITIES[card.rarity]
    if card.rarity in c.TRAINABLE_RARITIES and rng.random() < TRAINED_SHARE[card.rarity]:
        level = rng.randint(max_level, training_max_level)
        status = "done"
        image = "special_training" if rng.random() < 0.85 else "original"
    else:
        level = rng.randint(1, max_level)
        status = "not_doing" if card.rarity in c.TRAINABLE_RARITIES else "none"
        image = "original"
    skill_weights = SKILL_LEVEL_WEIGHTS.get(card.rarity, LOW_RARITY_SKILL_LEVEL_WEIGHTS)
    rank_weights = MASTER_RANK_WEIGHTS.get(card.rarity, LOW_RARITY_MASTER_RANK_WEIGHTS)
    episodes = []
    for part, episode_id in enumerate(episode_ids_of(card.id)):
        read = rng.random() < (0.85, 0.7)[part]
        episodes.append(
            {
                "cardEpisodeId": episode_id,
                "scenarioStatus": "already_read" if read else "unread",
                "scenarioStatusReasons": [],
            }
        )
    return {
        "cardId": card.id,
        "level": level,
        "exp": 0,
        "skillLevel": rng.choices(range(1, max_skill_level + 1), weights=skill_weights)[0],
        "masterRank": rng.choices(range(c.MAX_MASTER_RANK + 1), weights=rank_weights)[0],
        "specialTrainingStatus": status,
        "defaultImage": image,
        "duplicateCount": 0,
        "episodes": episodes,
    }


def _user_areas(rng):
    by_area = {}
    for item_id, area_id, _ in area_item_plan():
        level = min(AREA_ITEM_MAX_LEVEL, int(rng.triangular(0, AREA_ITEM_MAX_LEVEL + 1, AREA_ITEM_MAX_LEVEL)))
        if level > 0:  # items not yet bought are not listed
            by_area.setdefault(area_id, []).append({"areaItemId": item_id, "level": level})
    return [{"areaId": area_id, "actionSets": [], "areaItems": items} for area_id, items in sorted(by_area.items())]


def _user_decks(owned, rng):
    decks = []
    for deck_id in range(1, DECK_COUNT + 1):
        members = rng.sample([card.id for card in owned], min(5, len(owned)))
        deck = {"deckId": deck_id, "name": f"Deck {deck_id}", "leader": members[0] if members else 0}
        deck |= {f"member{slot}": card_id for slot, card_id in enumerate(members, start=1)}
        decks.append(deck)
    return decks


def _support_decks(owned, rng):
    decks = []
    for character in sorted(rng.sample(range(1, c.CHARACTER_COUNT + 1), SUPPORT_DECK_CHARACTERS)):
        others = [card.id for card in owned if card.character != character]
        decks.append({"characterId": character, "cardIds": rng.sample(others, min(SUPPORT_DECK_SIZE, len(others)))})
    return decks


def _challenge_decks(owned):
    """Each character's challenge live is played with its strongest owned card."""
    order = {"rarity_1": 0, "rarity_2": 1, "rarity_3": 2, "rarity_birthday": 3, "rarity_4": 4}
    best = {}
    for card in owned:
        if card.character not in best or order[card.rarity] > order[best[card.character].rarity]:
            best[card.character] = card
    return [{"characterId": ch, "cardId": best[ch].id} for ch in sorted(best)]


def _user_honors(rng):
    honors = []
    for honor_id in general_honor_ids():
        if honor_has_levels(honor_id) and rng.random() < 0.4:
            level = rng.randint(1, HONOR_LEVELS) if honor_has_bonus(honor_id) else 1
            honors.append({"honorId": honor_id, "level": level})
    for honor_id in leader_honor_ids().values():
        if rng.random() < 0.3:
            honors.append({"honorId": honor_id, "level": 1})
    return honors
