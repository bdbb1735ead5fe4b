// Typed reading: JSON text straight into C++ records, in one pass, with the
// error texts callers see ("missing field `id` at line 3 column 9").
// Supported member types: i32, u32, i64, u64, double, bool, std::string,
// json::Value, records declaring a layout (record.h), std::vector<T>,
// std::array<T, N> and std::optional<T>.
//
//     // A whole table: an array of rows, each an object or an array.
//     Result<std::vector<RawHonor>> rows = json::read_rows<RawHonor>(text);
//     // Any single document.
//     Result<RawOptions> options = json::read_document<RawOptions>(text);
//
// A key whose value takes one of several shapes is read into a std::variant
// by a custom reader that tries each shape in order:
//
//     bool read_card_parameters(json::Reader& in, RawCardParameters& out) {
//         return json::read_one_of(in, out, "data did not match any variant of …");
//     }
//     json::required("cardParameters", &RawCard::parameters).read_with(read_card_parameters)
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "json/reader.h"
#include "json/record.h"
#include "json/value.h"

namespace vdz::json {

// How one type is read. Specialised below for every supported type; each has
// `expected()` (the type error's "expected …" text) and `read()`, which fills
// a freshly constructed value.
template <class T>
struct Codec;

template <class T>
[[nodiscard]] bool read(Reader& in, T& out) {
    return Codec<T>::read(in, out);
}

// Whether a captured value reads as a T, with nothing after it. Errors stay
// in the scratch reader: `in` is untouched.
template <class T>
bool reads_as(const Reader& in, const Span& value, T& out) {
    Reader again = in.replay(value);
    return Codec<T>::read(again, out) && again.finish();
}

// Reads a value into the first of the variant's types that it fits, trying
// each on the captured value in order. A value that fits none fails with
// `no_match`, placed where the enclosing array or object stops reading.
template <class... Shapes>
[[nodiscard]] bool read_one_of(Reader& in, std::variant<Shapes...>& out, std::string_view no_match);

// Reads a whole document holding one T.
template <class T>
Result<T> read_document(std::string_view text) {
    Reader in(text);
    T value{};
    if (!Codec<T>::read(in, value) || !in.finish()) return in.take_error();
    return value;
}

// Reads a whole document holding an array of rows.
template <class Row>
Result<std::vector<Row>> read_rows(std::string_view text) {
    return read_document<std::vector<Row>>(text);
}

// --- scalars ---------------------------------------------------------------------

[[nodiscard]] bool read_i32(Reader& in, i32& out);
[[nodiscard]] bool read_u32(Reader& in, u32& out);
[[nodiscard]] bool read_i64(Reader& in, i64& out);
[[nodiscard]] bool read_u64(Reader& in, u64& out);
[[nodiscard]] bool read_f64(Reader& in, double& out);
[[nodiscard]] bool read_text(Reader& in, std::string& out);
[[nodiscard]] bool read_boolean(Reader& in, bool& out);

template <>
struct Codec<i32> {
    static std::string expected() { return "i32"; }
    static bool read(Reader& in, i32& out) { return read_i32(in, out); }
};
template <>
struct Codec<u32> {
    static std::string expected() { return "u32"; }
    static bool read(Reader& in, u32& out) { return read_u32(in, out); }
};
template <>
struct Codec<i64> {
    static std::string expected() { return "i64"; }
    static bool read(Reader& in, i64& out) { return read_i64(in, out); }
};
template <>
struct Codec<u64> {
    static std::string expected() { return "u64"; }
    static bool read(Reader& in, u64& out) { return read_u64(in, out); }
};
template <>
struct Codec<double> {
    static std::string expected() { return "f64"; }
    static bool read(Reader& in, double& out) { return read_f64(in, out); }
};
template <>
struct Codec<bool> {
    static std::string expected() { return "a boolean"; }
    static bool read(Reader& in, bool& out) { return read_boolean(in, out); }
};
template <>
struct Codec<std::string> {
    static std::string expected() { return "a string"; }
    static bool read(Reader& in, std::string& out) { return read_text(in, out); }
};
template <>
struct Codec<Value> {
    static std::string expected() { return "any valid JSON value"; }
    static bool read(Reader& in, Value& out) { return read_value(in, out); }
};

// --- containers ------------------------------------------------------------------

template <class T>
struct Codec<std::optional<T>> {
    static std::string expected() { return Codec<T>::expected(); }
    static bool read(Reader& in, std::optional<T>& out) {
        bool was_null = false;
        if (!in.take_null(was_null)) return false;
        if (was_null) {
            out.reset();
            return true;
        }
        return Codec<T>::read(in, out.emplace());
    }
};

template <class T>
struct Codec<std::vector<T>> {
    static std::string expected() { return "a sequence"; }
    static bool read(Reader& in, std::vector<T>& out) {
        if (!in.begin_array(&expected)) return false;
        for (bool more = false; in.next_element(more);) {
            if (!more) return in.end_array();
            if (!Codec<T>::read(in, out.emplace_back())) {
                in.place_in_array();
                return false;
            }
        }
        return false;
    }
};

template <class T, usize N>
struct Codec<std::array<T, N>> {
    static std::string expected() { return "an array of length " + std::to_string(N); }
    static bool read(Reader& in, std::array<T, N>& out) {
        if (!in.begin_array(&expected)) return false;
        for (usize i = 0; i < N; ++i) {
            bool more = false;
            if (!in.next_element(more)) return false;
            if (!more) {
                (void)in.fail_unplaced("invalid length " + std::to_string(i) + ", expected " +
                                       expected());
                in.place_in_array();
                return false;
            }
            if (!Codec<T>::read(in, out[i])) {
                in.place_in_array();
                return false;
            }
        }
        return in.end_array();
    }
};

// --- records -----------------------------------------------------------------------

// A record layout seen at run time, so that one reading routine serves every
// record type. Built at compile time by RecordShapeOf.
struct RecordShape {
    std::string_view name;
    Expected expected;
    usize count;                                // number of keys
    const std::string_view* keys;               // in declared order
    const Presence* presence;                   // per key
    bool (*const* read_field)(Reader&, void*);  // per key: reads into the record
};

// Reads one record as an object or an array row. `record` points to a
// freshly constructed record of the shape's type.
[[nodiscard]] bool read_record(Reader& in, void* record, const RecordShape& shape);

template <class R>
requires HasLayout<R>
struct RecordShapeOf {
    static constexpr auto layout = json_layout(Of<R>{});
    static constexpr usize COUNT = std::tuple_size_v<decltype(layout.fields)>;

    static std::string expected() { return "struct " + std::string(layout.name); }

    template <usize I>
    static bool read_field(Reader& in, void* record) {
        constexpr const auto& field = std::get<I>(layout.fields);
        using F = std::remove_cvref_t<decltype(field)>;
        typename F::Member& target = static_cast<R*>(record)->*(field.member);
        if constexpr (F::CUSTOM) {
            return field.reader(in, target);
        } else {
            return Codec<typename F::Member>::read(in, target);
        }
    }

    template <usize... I>
    static constexpr auto keys(std::index_sequence<I...>) {
        return std::array<std::string_view, COUNT>{std::get<I>(layout.fields).key...};
    }
    template <usize... I>
    static constexpr auto presences(std::index_sequence<I...>) {
        return std::array<Presence, COUNT>{std::get<I>(layout.fields).presence...};
    }
    template <usize... I>
    static constexpr auto readers(std::index_sequence<I...>) {
        return std::array<bool (*)(Reader&, void*), COUNT>{&read_field<I>...};
    }

    static constexpr auto KEYS = keys(std::make_index_sequence<COUNT>{});
    static constexpr auto PRESENCE = presences(std::make_index_sequence<COUNT>{});
    static constexpr auto READERS = readers(std::make_index_sequence<COUNT>{});
    static constexpr RecordShape SHAPE{layout.name, &expected,       COUNT,
                                       KEYS.data(), PRESENCE.data(), READERS.data()};
};

template <class R>
requires HasLayout<R>
struct Codec<R> {
    static std::string expected() { return RecordShapeOf<R>::expected(); }
    static bool read(Reader& in, R& out) { return read_record(in, &out, RecordShapeOf<R>::SHAPE); }
};

// ---------------------------------------------------------------------------

template <class... Shapes>
bool read_one_of(Reader& in, std::variant<Shapes...>& out, std::string_view no_match) {
    Span value;
    if (!in.capture(value)) return false;
    const auto try_shape = [&](auto shape) {
        if (!reads_as(in, value, shape)) return false;
        out = std::move(shape);
        return true;
    };
    if ((try_shape(Shapes{}) || ...)) return true;
    return in.fail_unplaced(std::string(no_match));
}

}  // namespace vdz::json
