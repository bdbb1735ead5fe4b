// The chart reader, on the JSON layer's pull interface. It differs from the
// typed record reader in one point only: a key no record knows may stand any
// number of times, since charts are written by hand and by many tools.
#include "auxiliary/music_score.h"

#include <array>
#include <span>
#include <string>

#include "json/reader.h"
#include "json/typed.h"

namespace vdz {
namespace {

using json::Reader;

// Reads a record written as an object or as an array of its values. `read_field`
// reads the value of key `index` (declared order) into the record.
template <class ReadField>
bool read_fields(Reader& in, json::Expected expected, std::span<const std::string_view> keys,
                 ReadField read_field) {
    switch (in.peek()) {
        case json::Next::Object: {
            if (!in.begin_object(expected)) return false;
            u32 seen = 0;
            std::string_view key;
            bool more = false;
            for (;;) {
                if (!in.next_key(key, more)) return false;
                if (!more) return in.end_object();
                usize index = 0;
                while (index < keys.size() && keys[index] != key)
                    ++index;
                if (index == keys.size()) {
                    if (!in.read_colon() || !in.skip_value()) return false;
                    continue;
                }
                if ((seen >> index) & 1U) {
                    (void)in.fail_unplaced("duplicate field `" + std::string(key) + "`");
                    in.place_in_object();
                    return false;
                }
                seen |= 1U << index;
                if (!in.read_colon()) return false;
                if (!read_field(index)) {
                    in.place_in_object();
                    return false;
                }
            }
        }
        case json::Next::Array: {
            if (!in.begin_array(expected)) return false;
            for (usize index = 0; index < keys.size(); ++index) {
                bool more = false;
                if (!in.next_element(more)) return false;
                if (!more) break;  // the values left out keep their defaults
                if (!read_field(index)) {
                    in.place_in_array();
                    return false;
                }
            }
            return in.end_array();  // also refuses a value beyond the last field
        }
        default:
            return in.fail_type(expected);
    }
}

std::string expected_score() {
    return "struct MusicScore";
}
std::string expected_note() {
    return "struct MusicNote";
}
std::string expected_marker() {
    return "struct MusicNoteBase";
}
std::string expected_list() {
    return "a sequence";
}

bool read_marker(Reader& in, MusicNoteBase& out) {
    static constexpr std::array<std::string_view, 1> KEYS = {"time"};
    return read_fields(in, &expected_marker, KEYS,
                       [&](usize) { return json::read_f64(in, out.time); });
}

bool read_note(Reader& in, MusicNote& out) {
    static constexpr std::array<std::string_view, 3> KEYS = {"time", "type", "longId"};
    return read_fields(in, &expected_note, KEYS, [&](usize index) {
        switch (index) {
            case 0:
                return json::read_f64(in, out.time);
            case 1:
                return json::read_i32(in, out.type);
            default:
                return json::read_i32(in, out.long_id);
        }
    });
}

template <class T>
bool read_list(Reader& in, std::vector<T>& out, bool (*read_item)(Reader&, T&)) {
    if (!in.begin_array(&expected_list)) return false;
    for (bool more = false; in.next_element(more);) {
        if (!more) return in.end_array();
        if (!read_item(in, out.emplace_back())) {
            in.place_in_array();
            return false;
        }
    }
    return false;
}

bool read_score(Reader& in, MusicScore& out) {
    static constexpr std::array<std::string_view, 3> KEYS = {"notes", "skills", "fevers"};
    return read_fields(in, &expected_score, KEYS, [&](usize index) {
        switch (index) {
            case 0:
                return read_list(in, out.notes, &read_note);
            case 1:
                return read_list(in, out.skills, &read_marker);
            default:
                return read_list(in, out.fevers, &read_marker);
        }
    });
}

}  // namespace

Result<MusicScore> read_music_score(std::string_view text) {
    Reader in(text);
    MusicScore score;
    if (!read_score(in, score) || !in.finish()) return in.take_error();
    return score;
}

}  // namespace vdz
