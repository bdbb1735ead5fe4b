// The typed reader's scalar conversions and its one routine for every record
// type: object rows with duplicate and missing-key checks, array rows in
// declared key order.
#include "json/typed.h"

#include <limits>

#include "common/text.h"

namespace vdz::json {
namespace {

// Integers by lexical form only: a float is the wrong type, an integer that
// does not fit is the wrong value.
template <class I>
bool read_integer(Reader& in, I& out) {
    Number number;
    if (!in.read_number(number, &Codec<I>::expected)) return false;
    switch (number.kind) {
        case Number::Kind::Unsigned:
            if (number.unsigned_value <= static_cast<u64>(std::numeric_limits<I>::max())) {
                out = static_cast<I>(number.unsigned_value);
                return true;
            }
            break;
        case Number::Kind::Signed:
            if constexpr (std::is_signed_v<I>) {
                if (number.signed_value >= std::numeric_limits<I>::min()) {
                    out = static_cast<I>(number.signed_value);
                    return true;
                }
            }
            break;
        case Number::Kind::Double:
            return in.fail("invalid type: " + describe_number(number) + ", expected " +
                           Codec<I>::expected());
    }
    return in.fail("invalid value: " + describe_number(number) + ", expected " +
                   Codec<I>::expected());
}

// Position of `key` among the shape's keys (count when unknown). Rows usually
// list their keys in declared order, so the search starts after the last hit.
usize find_key(const RecordShape& shape, std::string_view key, usize hint) {
    for (usize n = 0; n < shape.count; ++n) {
        const usize i = hint + n < shape.count ? hint + n : hint + n - shape.count;
        if (shape.keys[i] == key) return i;
    }
    return shape.count;
}

// An unknown key may be any text of the caller's, so a long one is cut.
bool fail_duplicate(Reader& in, std::string_view key) {
    (void)in.fail_unplaced("duplicate field `" + echoed_input(key) + "`");
    in.place_in_object();
    return false;
}

bool read_object_row(Reader& in, void* record, const RecordShape& shape) {
    if (!in.begin_object(shape.expected)) return false;
    const usize mark = in.unknown_keys_mark();
    u64 seen = 0;
    usize hint = 0;
    std::string_view key;
    bool more = false;

    // 1. Members in text order: declared keys are read, others skipped; any
    // key met twice is refused before its value.
    for (;;) {
        if (!in.next_key(key, more)) return false;
        if (!more) break;
        const usize index = find_key(shape, key, hint);
        if (index == shape.count) {
            if (!in.note_unknown_key(mark, key)) return fail_duplicate(in, key);
            if (!in.read_colon() || !in.skip_value()) return false;
            continue;
        }
        const u64 bit = u64{1} << index;
        if ((seen & bit) != 0) return fail_duplicate(in, key);
        seen |= bit;
        hint = index + 1;
        if (!in.read_colon()) return false;
        if (!shape.read_field[index](in, record)) {
            in.place_in_object();
            return false;
        }
    }
    in.release_unknown_keys(mark);

    // 2. At the closing brace: the first required key absent, in declared
    // order. Defaulted and nullable members keep their initial values.
    for (usize i = 0; i < shape.count; ++i) {
        if (shape.presence[i] == Presence::Required && (seen & (u64{1} << i)) == 0) {
            (void)in.fail_unplaced("missing field `" + std::string(shape.keys[i]) + "`");
            in.place_in_object();
            return false;
        }
    }
    return in.end_object();
}

// Values in declared key order; the row may stop early only before keys that
// all have defaults. The error names the first key that has none.
bool read_array_row(Reader& in, void* record, const RecordShape& shape) {
    if (!in.begin_array(shape.expected)) return false;
    for (usize i = 0; i < shape.count; ++i) {
        bool more = false;
        if (!in.next_element(more)) return false;
        if (!more) {
            for (usize j = i; j < shape.count; ++j) {
                if (shape.presence[j] == Presence::Defaulted) continue;
                (void)in.fail_unplaced("invalid length " + std::to_string(j) +
                                       ", expected struct " + std::string(shape.name) + " with " +
                                       std::to_string(shape.count) +
                                       (shape.count == 1 ? " element" : " elements"));
                in.place_in_array();
                return false;
            }
            break;
        }
        if (!shape.read_field[i](in, record)) {
            in.place_in_array();
            return false;
        }
    }
    return in.end_array();
}

}  // namespace

bool read_i32(Reader& in, i32& out) {
    return read_integer(in, out);
}

bool read_u32(Reader& in, u32& out) {
    return read_integer(in, out);
}

bool read_i64(Reader& in, i64& out) {
    return read_integer(in, out);
}

bool read_u64(Reader& in, u64& out) {
    return read_integer(in, out);
}

bool read_f64(Reader& in, double& out) {
    Number number;
    if (!in.read_number(number, &Codec<double>::expected)) return false;
    switch (number.kind) {
        case Number::Kind::Unsigned:
            out = static_cast<double>(number.unsigned_value);
            break;
        case Number::Kind::Signed:
            out = static_cast<double>(number.signed_value);
            break;
        case Number::Kind::Double:
            out = number.double_value;
            break;
    }
    return true;
}

bool read_text(Reader& in, std::string& out) {
    std::string_view text;
    if (!in.read_string(text, &Codec<std::string>::expected)) return false;
    out.assign(text);
    return true;
}

bool read_boolean(Reader& in, bool& out) {
    return in.read_bool(out, &Codec<bool>::expected);
}

bool read_record(Reader& in, void* record, const RecordShape& shape) {
    switch (in.peek()) {
        case Next::Object:
            return read_object_row(in, record, shape);
        case Next::Array:
            return read_array_row(in, record, shape);
        default:
            return in.fail_type(shape.expected);
    }
}

}  // namespace vdz::json
