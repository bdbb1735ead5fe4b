"""Shared fixtures: a fresh engine and a minimal player per test."""
import pytest

from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData


@pytest.fixture
def engine():
    return NativeEngine()


@pytest.fixture
def user_data():
    return NativeUserData(b"{}")
