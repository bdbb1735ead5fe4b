// A song chart as the exact live score reads it: the notes with their times
// and types, the moments skills fire and the fever markers. Callers hand it
// as JSON text; every record may be an object with optional keys or an array
// of its values in declared order.
#pragma once

#include <string_view>
#include <vector>

#include "common/result.h"
#include "common/types.h"

namespace vdz {

// One note. `long_id` is kept as read; no computation looks at it.
struct MusicNote {
    double time = 0.0;
    i32 type = 0;  // priced by the in-game note row with this id
    i32 long_id = 0;
};

// A skill or fever marker.
struct MusicNoteBase {
    double time = 0.0;
};

// One chart, lists in text order (times need not be sorted). Owned by the
// call that read it.
struct MusicScore {
    std::vector<MusicNote> notes;
    std::vector<MusicNoteBase> skills;
    std::vector<MusicNoteBase> fevers;
};

// Reads one whole chart. Keys are case-sensitive and optional; unknown keys
// are skipped however often they stand, a known key twice is refused, the
// lists must be arrays, "time" any number, "type" and "longId" 32-bit
// integers written without fraction or exponent. The error reads
// "{fault} at line {L} column {C}".
Result<MusicScore> read_music_score(std::string_view text);

}  // namespace vdz
