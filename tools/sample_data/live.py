"""Everything about playing a song: the in-game note and combo coefficients
(ingameNotes.json, ingameCombos.json), the music metas of every song and
difficulty, and one music score (the chart of one song) for exact scoring.
"""

from .world import rng_for

SONG_COUNT = 50
DIFFICULTIES = ("easy", "normal", "hard", "expert", "master")
APPEND_SHARE = 0.3  # songs that also have an "append" chart
# Difficulty -> (lowest, highest) tap count.
TAP_COUNTS = {
    "easy": (150, 250),
    "normal": (300, 420),
    "hard": (500, 650),
    "expert": (700, 950),
    "master": (1000, 1400),
    "append": (900, 1300),
}
EVENT_RATES = (100, 105, 110, 114, 117, 120, 122, 124, 126)
SKILL_SLOTS = 6
META_DECIMALS = 6

# Note type id -> (name, score coefficient).
NOTE_TYPES = {
    1: ("normal", 1.0),
    2: ("critical", 2.0),
    3: ("long_start", 1.0),
    4: ("long_end", 1.0),
    5: ("critical_long_start", 2.0),
    6: ("flick", 1.0),
    7: ("critical_flick", 3.0),
    8: ("long_middle", 0.1),
}
COMBO_STEP = 100
COMBO_STEPS = 10
COMBO_LAST = 99999
SCORE_SONG = (1, "expert")  # the song and difficulty the music score charts


def song_ids():
    return list(range(1, SONG_COUNT + 1))


def build_ingame_notes():
    return [
        {"id": note_id, "ingameNoteType": name, "scoreCoefficient": coefficient}
        for note_id, (name, coefficient) in NOTE_TYPES.items()
    ]


def build_ingame_combos():
    rows = []
    for step in range(COMBO_STEPS):
        rows.append(
            {
                "id": step + 1,
                "fromCount": step * COMBO_STEP + 1,
                "toCount": (step + 1) * COMBO_STEP,
                "scoreCoefficient": round(1.0 + 0.01 * step, 2),
            }
        )
    rows.append(
        {
            "id": COMBO_STEPS + 1,
            "fromCount": COMBO_STEPS * COMBO_STEP + 1,
            "toCount": COMBO_LAST,
            "scoreCoefficient": round(1.0 + 0.01 * COMBO_STEPS, 2),
        }
    )
    return rows


def build_music_metas(seed):
    rows = []
    for music_id in song_ids():
        rng = rng_for(seed, f"music:{music_id}")
        music_time = round(rng.uniform(90.0, 200.0), 3)
        event_rate = rng.choice(EVENT_RATES)
        difficulties = DIFFICULTIES + (("append",) if rng.random() < APPEND_SHARE else ())
        for depth, difficulty in enumerate(difficulties):
            low, high = TAP_COUNTS[difficulty]
            base = rng.uniform(0.9, 1.0) + 0.04 * depth
            solo = [rng.uniform(0.08, 0.11) for _ in range(SKILL_SLOTS - 1)] + [rng.uniform(0.11, 0.14)]
            rows.append(
                {
                    "music_id": music_id,
                    "difficulty": difficulty,
                    "music_time": music_time,
                    "event_rate": event_rate,
                    "base_score": _meta(base),
                    "base_score_auto": _meta(base * 0.72),
                    "skill_score_solo": [_meta(v) for v in solo],
                    "skill_score_auto": [_meta(v * 0.8) for v in solo],
                    "skill_score_multi": [_meta(v * 1.4) for v in solo],
                    "fever_score": _meta(rng.uniform(0.3, 0.5)),
                    "tap_count": rng.randint(low, high),
                }
            )
    return rows


def _meta(value):
    return round(value, META_DECIMALS)


def build_music_score(seed, music_metas):
    """The chart of one song: its notes spread over the song, six skill
    markers and one fever marker."""
    music_id, difficulty = SCORE_SONG
    meta = next(m for m in music_metas if m["music_id"] == music_id and m["difficulty"] == difficulty)
    rng = rng_for(seed, "music-score")
    end = meta["music_time"] - 2.0
    times = sorted(round(rng.uniform(2.0, end), 4) for _ in range(meta["tap_count"]))
    notes = []
    long_id = 0
    open_long = None
    for time in times:
        if open_long is not None:
            notes.append({"time": time, "type": 4, "longId": open_long})
            open_long = None
            continue
        note_type = rng.choices((1, 2, 3, 5, 6, 7), weights=(62, 8, 9, 2, 15, 4))[0]
        if note_type in (3, 5):
            long_id += 1
            open_long = long_id
            notes.append({"time": time, "type": note_type, "longId": long_id})
        else:
            notes.append({"time": time, "type": note_type, "longId": 0})
    if open_long is not None:  # close a hold that started on the last note
        notes[-1] = {"time": notes[-1]["time"], "type": 1, "longId": 0}
    span = end - 2.0
    skills = [{"time": round(2.0 + span * (k + 0.5) / SKILL_SLOTS, 4)} for k in range(SKILL_SLOTS)]
    fevers = [{"time": round(2.0 + span * 0.7, 4)}]
    return {"notes": notes, "skills": skills, "fevers": fevers}
