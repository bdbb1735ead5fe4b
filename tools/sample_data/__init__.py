"""Deterministic synthetic sample data for the deck recommender: a complete
region's master data, music metas, a music score and one player."""
