"""The sample-data generator and the hand-written tiny region: generation is
deterministic, every table the loader knows is written, and every id a table
or the player names exists where it should."""

import json
from pathlib import Path
import subprocess
import sys

import pytest

from conftest import GENERATOR, ROOT, TINY, generate_region

sys.path.insert(0, str(ROOT / "tools"))

from sample_data.constants import ALL_TABLES  # noqa: E402

# The tables a region cannot load without.
REQUIRED_TABLES = {
    "gameCharacterUnits.json",
    "cards.json",
    "events.json",
    "cardRarities.json",
    "cardEpisodes.json",
    "masterLessons.json",
    "skills.json",
    "areaItemLevels.json",
    "characterRanks.json",
    "cardMysekaiCanvasBonuses.json",
    "eventCards.json",
    "eventDeckBonuses.json",
    "eventCardBonusLimits.json",
    "eventHonorBonuses.json",
    "worldBloomDifferentAttributeBonuses.json",
    "eventSkillScoreUpLimits.json",
    "eventRarityBonusRates.json",
}
UNITS = {"light_sound", "idol", "street", "theme_park", "school_refusal", "piapro"}
ATTRS = {"cool", "cute", "happy", "pure", "mysterious"}
KNOWN_EFFECT_TYPES = {
    "score_up",
    "score_up_keep",
    "score_up_condition_life",
    "life_recovery",
    "score_up_unit_count",
    "score_up_character_rank",
    "other_member_score_up_reference_rate",
}
DIFFICULTIES = {"easy", "normal", "hard", "expert", "master", "append"}
META_NUMBERS = ("music_time", "base_score", "base_score_auto", "fever_score")
META_INTEGERS = ("music_id", "event_rate", "tap_count")
META_ARRAYS = ("skill_score_solo", "skill_score_multi", "skill_score_auto")


def read_bytes(root):
    return {p.relative_to(root): p.read_bytes() for p in sorted(root.rglob("*")) if p.is_file()}


@pytest.fixture(scope="module")
def generated(tmp_path_factory):
    return generate_region(tmp_path_factory.mktemp("region"), "--cards", "400", "--user-cards", "200", "--seed", "7")


def test_same_seed_gives_same_bytes_and_another_seed_other_data(tmp_path):
    args = ("--cards", "60", "--user-cards", "30")
    first = read_bytes(generate_region(tmp_path / "a", *args, "--seed", "3"))
    second = read_bytes(generate_region(tmp_path / "b", *args, "--seed", "3"))
    other = read_bytes(generate_region(tmp_path / "c", *args, "--seed", "4"))
    assert first == second
    assert first.keys() == other.keys()
    assert first[Path("masterdata/cards.json")] != other[Path("masterdata/cards.json")]
    assert first[Path("user_data.json")] != other[Path("user_data.json")]


def test_every_table_the_loader_knows_is_written_as_a_json_array(generated):
    assert REQUIRED_TABLES <= set(ALL_TABLES)
    assert len(ALL_TABLES) == len(set(ALL_TABLES))
    assert {p.name for p in (generated / "masterdata").iterdir()} == set(ALL_TABLES)
    for name in ALL_TABLES:
        assert isinstance(json.loads((generated / "masterdata" / name).read_text("utf-8")), list), name
    assert isinstance(json.loads((generated / "music_metas.json").read_text("utf-8")), list)
    assert isinstance(json.loads((generated / "user_data.json").read_text("utf-8")), dict)
    assert len(json.loads((generated / "user_data.json").read_text("utf-8"))["userCards"]) == 200


def test_tiny_region_holds_every_required_table():
    names = {p.name for p in (TINY / "masterdata").iterdir()}
    assert REQUIRED_TABLES <= names <= set(ALL_TABLES)


@pytest.mark.parametrize(
    "args",
    [("--cards", "10", "--user-cards", "11"), ("--cards", "0"), ("--cards", "65536"), ("--user-cards", "-1")],
    ids=["more owned than exist", "no cards", "card ids beyond 16 bits", "negative owned"],
)
def test_impossible_sizes_are_refused(tmp_path, args):
    run = subprocess.run([sys.executable, str(GENERATOR), "--out", str(tmp_path), *args], capture_output=True)
    assert run.returncode == 2
    assert not (tmp_path / "masterdata").exists()


def test_an_out_path_through_a_file_is_a_usage_error(tmp_path):
    taken = tmp_path / "taken"
    taken.write_text("kept")
    for out in (taken, taken / "region"):
        run = subprocess.run([sys.executable, str(GENERATOR), "--out", str(out)], capture_output=True, text=True)
        assert run.returncode == 2
        assert run.stderr.splitlines()[-1] == f"gen_sample_data.py: error: argument --out: {taken} is a file, not a directory"
    assert taken.read_text() == "kept"


# --- consistency: every reference resolves, every value is within its range ---


class Region:
    """A region read back from disk, with the lookups the checks need."""

    def __init__(self, root):
        self.root = root
        self.tables = {
            p.name: json.loads(p.read_text("utf-8")) for p in sorted((root / "masterdata").glob("*.json"))
        }
        self.music_metas = json.loads((root / "music_metas.json").read_text("utf-8"))
        self.music_score = json.loads((root / "music_score.json").read_text("utf-8"))
        self.user = json.loads((root / "user_data.json").read_text("utf-8"))
        self.cards = {card["id"]: card for card in self.table("cards.json")}
        self.characters = {row["gameCharacterId"] for row in self.table("gameCharacterUnits.json")}
        self.rarities = {row["cardRarityType"]: row for row in self.table("cardRarities.json")}
        self.skills = {row["id"]: row for row in self.table("skills.json")}
        self.events = {row["id"]: row["eventType"] for row in self.table("events.json")}
        self.honors = {row["id"]: row for row in self.table("honors.json")}

    def table(self, name):
        return self.tables.get(name, [])

    def level_cap(self, rarity):
        row = self.rarities[rarity]
        return row.get("trainingMaxLevel") or row["maxLevel"]


def card_levels(card):
    """(param1, param2, param3) per level from either parameter shape."""
    params = card["cardParameters"]
    if isinstance(params, dict):
        return list(zip(params["param1"], params["param2"], params["param3"]))
    by_level = {}
    for row in params:
        by_level.setdefault(row["cardLevel"], {})[row["cardParameterType"]] = row["power"]
    assert sorted(by_level) == list(range(1, len(by_level) + 1)), card["id"]
    return [(v["param1"], v["param2"], v["param3"]) for _, v in sorted(by_level.items())]


def check_cards(region):
    unit_rows = {row["id"] for row in region.table("gameCharacterUnits.json")}
    assert len(unit_rows) == len(region.table("gameCharacterUnits.json")), "unit row ids are unique"
    assert len(region.cards) == len(region.table("cards.json")), "card ids are unique"
    for card in region.cards.values():
        assert card["characterId"] in region.characters
        assert card["attr"] in ATTRS
        assert card["skillId"] in region.skills
        assert card.get("specialTrainingSkillId") in region.skills.keys() | {None}
        support = card.get("supportUnit", "none")
        assert support == "none" or (support in UNITS and card["characterId"] > 20), card["id"]
        levels = card_levels(card)
        assert len(levels) == region.level_cap(card["cardRarityType"]), card["id"]
        assert all(a <= b for earlier, later in zip(levels, levels[1:]) for a, b in zip(earlier, later))
        assert 1000 <= sum(levels[-1]) <= 100000, card["id"]
    for episode in region.table("cardEpisodes.json"):
        assert episode["cardId"] in region.cards
    for lesson in region.table("masterLessons.json"):
        assert lesson["cardRarityType"] in region.rarities and 1 <= lesson["masterRank"] <= 5
    for row in region.table("cardMysekaiCanvasBonuses.json") + region.table("eventRarityBonusRates.json"):
        assert row["cardRarityType"] in region.rarities
    for skill in region.skills.values():
        for effect in skill.get("skillEffects", []):
            for detail in effect["skillEffectDetails"]:
                assert 1 <= detail["level"] <= 4


def check_events(region):
    assert set(region.events.values()) <= {"marathon", "cheerful_carnival", "world_bloom"}
    assert len(region.events) == len(region.table("events.json")), "event ids are unique"
    unit_rows = {row["id"] for row in region.table("gameCharacterUnits.json")}
    for row in region.table("eventCards.json"):
        assert row["cardId"] in region.cards and row["eventId"] in region.events
    for row in region.table("eventDeckBonuses.json"):
        assert row["eventId"] in region.events
        assert row.get("gameCharacterUnitId") in unit_rows | {None}
        assert row.get("cardAttr") in ATTRS | {None}
    for name in (
        "eventCardBonusLimits.json",
        "eventSkillScoreUpLimits.json",
        "eventMysekaiFixtureGameCharacterPerformanceBonusLimits.json",
        "eventHonorBonuses.json",
    ):
        assert all(row["eventId"] in region.events for row in region.table(name)), name
    for row in region.table("eventHonorBonuses.json"):
        assert row["honorId"] in region.honors and row["leaderGameCharacterId"] in region.characters
    for row in region.table("worldBlooms.json"):
        assert region.events[row["eventId"]] == "world_bloom"
        assert row["gameCharacterId"] in region.characters | {None}
    for row in region.table("worldBloomSupportDeckUnitEventLimitedBonuses.json"):
        assert region.events[row["eventId"]] == "world_bloom"
        assert region.cards[row["cardId"]]["characterId"] == row["gameCharacterId"]


def check_areas(region):
    areas = {row["id"] for row in region.table("areas.json")}
    items = {row["id"]: row["areaId"] for row in region.table("areaItems.json")}
    assert set(items.values()) <= areas
    shop = {row["id"]: row for row in region.table("shopItems.json")}
    for row in region.table("areaItemLevels.json"):
        assert row["areaItemId"] in items
        assert row.get("targetUnit") in UNITS | {"any", None}
        assert row.get("targetCardAttr") in ATTRS | {"any", None}
        assert row.get("targetGameCharacterId") in region.characters | {None}
        level = row["level"]
        shop_id = 990 + 10 * row["areaItemId"] + level if level <= 10 else 1535 + 5 * row["areaItemId"] + level
        costs = [cost["cost"] for cost in shop[shop_id]["costs"]]
        assert any(c["resourceType"] == "coin" and c["resourceId"] == 0 and c["quantity"] > 0 for c in costs)
    gates = {row["id"] for row in region.table("mysekaiGates.json")}
    assert {row["mysekaiGateId"] for row in region.table("mysekaiGateLevels.json")} <= gates


def check_live(region):
    keys = set()
    for meta in region.music_metas:
        assert all(isinstance(meta[k], int) for k in META_INTEGERS)
        assert all(isinstance(meta[k], (int, float)) for k in META_NUMBERS)
        assert all(len(meta[k]) == 6 and all(isinstance(v, float) for v in meta[k]) for k in META_ARRAYS)
        assert meta["difficulty"] in DIFFICULTIES
        keys.add((meta["music_id"], meta["difficulty"]))
    assert len(keys) == len(region.music_metas), "one meta per song and difficulty"
    note_types = {row["id"] for row in region.table("ingameNotes.json")}
    notes = region.music_score["notes"]
    assert notes and {note["type"] for note in notes} <= note_types
    combos = region.table("ingameCombos.json")
    assert all(any(r["fromCount"] <= n <= r["toCount"] for r in combos) for n in range(1, len(notes) + 1))


def check_player(region):
    user = region.user
    owned = {card["cardId"]: card for card in user["userCards"]}
    assert len(owned) == len(user["userCards"]), "a card is owned once"
    episodes = {row["id"]: row["cardId"] for row in region.table("cardEpisodes.json")}
    for user_card in owned.values():
        card = region.cards[user_card["cardId"]]
        rarity = region.rarities[card["cardRarityType"]]
        trained = user_card["specialTrainingStatus"] == "done"
        assert not trained or "trainingMaxLevel" in rarity, card["id"]
        assert 1 <= user_card["level"] <= (rarity.get("trainingMaxLevel") if trained else rarity["maxLevel"])
        assert 1 <= user_card["skillLevel"] <= rarity["maxSkillLevel"]
        assert 0 <= user_card["masterRank"] <= 5
        assert all(episodes[e["cardEpisodeId"]] == card["id"] for e in user_card["episodes"])
    ranks = [row["characterRank"] for row in region.table("characterRanks.json")]
    for row in user["userCharacters"]:
        assert row["characterId"] in region.characters and min(ranks) <= row["characterRank"] <= max(ranks)
    item_levels = {}
    for row in region.table("areaItemLevels.json"):
        item_levels.setdefault(row["areaItemId"], set()).add(row["level"])
    for area in user["userAreas"]:
        for item in area["areaItems"]:
            assert item["level"] in item_levels[item["areaItemId"]]
    for deck in user["userDecks"]:
        assert {deck[f"member{slot}"] for slot in range(1, 6)} <= owned.keys()
    for deck in user["userWorldBloomSupportDecks"]:
        assert deck["characterId"] in region.characters and set(deck["cardIds"]) <= owned.keys()
    for deck in user["userChallengeLiveSoloDecks"]:
        assert region.cards[deck["cardId"]]["characterId"] == deck["characterId"] and deck["cardId"] in owned
    for bonus in user["userMysekaiFixtureGameCharacterPerformanceBonuses"]:
        assert bonus["gameCharacterId"] in region.characters
    gate_levels = {(row["mysekaiGateId"], row["level"]) for row in region.table("mysekaiGateLevels.json")}
    assert {(g["mysekaiGateId"], g["mysekaiGateLevel"]) for g in user["userMysekaiGates"]} <= gate_levels
    assert {canvas["cardId"] for canvas in user["userMysekaiCanvases"]} <= owned.keys()
    for honor in user["userHonors"]:
        levels = {level["level"] for level in region.honors[honor["honorId"]].get("levels", [])}
        assert honor["level"] in levels


@pytest.fixture(scope="module", params=["generated", "tiny"])
def region(request, generated):
    return Region(generated if request.param == "generated" else TINY)


@pytest.mark.parametrize("check", [check_cards, check_events, check_areas, check_live, check_player])
def test_region_is_consistent(region, check):
    check(region)


def test_generated_region_covers_the_game(generated):
    region = Region(generated)
    unit_rows = region.table("gameCharacterUnits.json")
    assert region.characters == set(range(1, 27))
    assert {row["unit"] for row in unit_rows} == UNITS
    assert all(sum(row["gameCharacterId"] == singer for row in unit_rows) > 1 for singer in range(21, 27))

    cards = list(region.cards.values())
    assert {card["cardRarityType"] for card in cards} == set(region.rarities) and "rarity_birthday" in region.rarities
    assert {type(card["cardParameters"]) for card in cards} == {dict, list}
    assert {"specialTrainingSkillId" in card for card in cards} == {True, False}
    assert {card["supportUnit"] for card in cards if card["characterId"] > 20} > {"none"}

    effects = [effect for skill in region.skills.values() for effect in skill["skillEffects"]]
    types = {effect["skillEffectType"] for effect in effects}
    assert KNOWN_EFFECT_TYPES < types, "every known effect type and at least one unknown"
    enhances = [effect["skillEnhance"] for effect in effects if "skillEnhance" in effect]
    assert {"skillEnhanceCondition" in enhance for enhance in enhances} == {True, False}

    world_bloom = {event for event, kind in region.events.items() if kind == "world_bloom"}
    assert {"marathon", "cheerful_carnival"} < set(region.events.values())
    assert min(world_bloom) <= 140 < max(e for e in world_bloom if e < 1001)
    assert 180 in world_bloom and max(world_bloom) >= 1001
    for name in ("eventCards.json", "eventDeckBonuses.json", "eventCardBonusLimits.json", "eventHonorBonuses.json"):
        assert region.table(name), name

    targets = region.table("areaItemLevels.json")
    assert {row.get("targetUnit") for row in targets} >= UNITS
    assert {row.get("targetCardAttr") for row in targets} >= ATTRS
    assert {row.get("targetGameCharacterId") for row in targets} >= region.characters
    assert len({meta["music_id"] for meta in region.music_metas}) >= 50
    assert {meta["difficulty"] for meta in region.music_metas} == DIFFICULTIES
