// Compact JSON output (no white space) appended to a std::string, for every
// result the module returns. Keys come out in the order they are written;
// generic values (value.h) always write their object keys sorted. Doubles take
// the shortest form that reads back to the same value; NaN and infinities are
// written as null.
//
//     std::string out;
//     json::Writer w(out);
//     w.begin_object();
//     w.member("music_id", 74);
//     w.member("difficulty", "master");
//     w.member("event_point", std::optional<double>());  // null
//     w.key("cost");
//     w.begin_array();
//     w.value(1.5);
//     w.end_array();
//     w.end_object();
//     // {"music_id":74,"difficulty":"master","event_point":null,"cost":[1.5]}
#pragma once

#include <concepts>
#include <optional>
#include <string>
#include <string_view>

#include "common/types.h"
#include "json/value.h"

namespace vdz::json {

// Writes one JSON text into a string it borrows. Commas are placed by the
// writer; the caller only pairs every begin with an end and every key with a
// value.
class Writer {
  public:
    explicit Writer(std::string& out) : out_(out) {}

    void begin_object();
    void end_object();
    void begin_array();
    void end_array();
    void key(std::string_view name);

    void null();
    void value(bool b);
    template <std::integral I>
    requires(!std::same_as<I, bool>) void value(I number) {
        if constexpr (std::is_signed_v<I>) {
            write_signed(static_cast<i64>(number));
        } else {
            write_unsigned(static_cast<u64>(number));
        }
    }
    void value(double number);
    void value(std::string_view text);
    void value(const char* text) { value(std::string_view(text)); }
    void value(const std::string& text) { value(std::string_view(text)); }
    void value(const Value& generic);
    // An absent optional is written as null.
    template <class T>
    void value(const std::optional<T>& maybe) {
        if (maybe.has_value()) {
            value(*maybe);
        } else {
            null();
        }
    }

    // key(name) then value(v).
    template <class T>
    void member(std::string_view name, const T& v) {
        key(name);
        value(v);
    }

  private:
    void separate();
    void write_signed(i64 number);
    void write_unsigned(u64 number);

    std::string& out_;
    bool need_comma_ = false;  // a value was completed at the current level
};

// Appends `text` quoted, escaping `"`, `\`, and control characters (\n \r \t
// \b \f, the others as \u00xx). Everything else is copied as it is.
void append_quoted(std::string& out, std::string_view text);

// Appends a double in the shortest form that reads back to it, or null.
void append_double(std::string& out, double number);

// A generic value as compact JSON with sorted keys.
std::string to_json(const Value& value);

}  // namespace vdz::json
