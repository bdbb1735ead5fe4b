"""Shared fixtures: a fresh engine, a minimal player per test, and the
generated sample region."""
from pathlib import Path
import subprocess
import sys

import pytest

from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData

GENERATOR = Path(__file__).resolve().parents[2] / "tools" / "gen_sample_data.py"


@pytest.fixture
def engine():
    return NativeEngine()


@pytest.fixture
def user_data():
    return NativeUserData(b"{}")


@pytest.fixture(scope="session")
def sample_region_dir(tmp_path_factory):
    """The generated sample region (master data and a player), made once."""
    out = tmp_path_factory.mktemp("sample_region")
    subprocess.run([sys.executable, str(GENERATOR), "--out", str(out)], check=True)
    return out
