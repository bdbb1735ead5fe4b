"""Shared fixtures and the helpers that make regions: a fresh engine, a
minimal player per test, the hand-written tiny region's tables, the sample
region generator, and the generated sample region loaded into an engine."""
import json
from pathlib import Path
import subprocess
import sys

import pytest

from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData

ROOT = Path(__file__).resolve().parents[2]
GENERATOR = ROOT / "tools" / "gen_sample_data.py"
TINY = ROOT / "tests" / "data" / "tiny_region"
# The tiny region's master-data tables by file name; copy before changing.
TINY_TABLES = {path.name: path.read_text(encoding="utf-8") for path in (TINY / "masterdata").iterdir()}


def generate_region(out, *args):
    """Writes the region the generator makes with `args` into `out`, and
    returns `out`."""
    subprocess.run([sys.executable, str(GENERATOR), "--out", str(out), *args], check=True)
    return out


class LoadedRegion:
    """A generated region's master data loaded into a fresh engine under
    `name`, with each card's character and the player's data as JSON."""

    def __init__(self, directory, name):
        masterdata = Path(directory) / "masterdata"
        self.engine = NativeEngine()
        self.engine.update_masterdata(str(masterdata), name)
        cards = json.loads((masterdata / "cards.json").read_text())
        self.character_of = {card["id"]: card["characterId"] for card in cards}
        self.user_json = json.loads((Path(directory) / "user_data.json").read_text())

    def most_owned_character(self, user_cards=None):
        """The character the player (or `user_cards`) owns most cards of."""
        owned = [self.character_of[c["cardId"]] for c in user_cards or self.user_json["userCards"]]
        return max(set(owned), key=owned.count)

    def first_cards_per_character(self, count, characters=None):
        """The player's first `count` cards of each character (of only the
        first `characters` characters met, when given), in the player's
        order."""
        kept, per_character = [], {}
        for card in self.user_json["userCards"]:
            character = self.character_of[card["cardId"]]
            if character not in per_character and len(per_character) == characters:
                continue
            if per_character.get(character, 0) < count:
                per_character[character] = per_character.get(character, 0) + 1
                kept.append(card)
        return kept


@pytest.fixture
def engine():
    return NativeEngine()


@pytest.fixture
def user_data():
    return NativeUserData(b"{}")


@pytest.fixture(scope="session")
def sample_region_dir(tmp_path_factory):
    """The generated sample region (master data and a player), made once."""
    return generate_region(tmp_path_factory.mktemp("sample_region"))
