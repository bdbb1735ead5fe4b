"""Deck recommendation engine; the native module `_native` holds everything."""
