// The writer's separators, escapes and number forms.
#include "json/writer.h"

#include <array>
#include <charconv>
#include <cmath>

#include "json/number_format.h"

namespace vdz::json {
namespace {

// Per byte: 0 when copied as it is, else the letter of its short escape, or
// 'u' for \u00xx.
constexpr std::array<char, 256> make_escapes() {
    std::array<char, 256> escapes{};
    for (int c = 0; c < 0x20; ++c)
        escapes[c] = 'u';
    escapes['"'] = '"';
    escapes['\\'] = '\\';
    escapes['\n'] = 'n';
    escapes['\r'] = 'r';
    escapes['\t'] = 't';
    escapes['\b'] = 'b';
    escapes['\f'] = 'f';
    return escapes;
}
constexpr std::array<char, 256> ESCAPES = make_escapes();

template <class I>
void append_integer(std::string& out, I number) {
    char text[24];
    const auto written = std::to_chars(text, text + sizeof text, number);
    out.append(text, written.ptr);
}

}  // namespace

void append_quoted(std::string& out, std::string_view text) {
    static constexpr char HEX[] = "0123456789abcdef";
    out.push_back('"');
    usize run = 0;  // start of the bytes not yet copied
    for (usize i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const char escape = ESCAPES[c];
        if (escape == 0) continue;
        out.append(text.substr(run, i - run));
        out.push_back('\\');
        out.push_back(escape);
        if (escape == 'u') {
            out.append("00");
            out.push_back(HEX[c >> 4]);
            out.push_back(HEX[c & 0xF]);
        }
        run = i + 1;
    }
    out.append(text.substr(run));
    out.push_back('"');
}

void append_double(std::string& out, double number) {
    if (std::isfinite(number)) {
        append_shortest(out, number);
    } else {
        out.append("null");
    }
}

void Writer::separate() {
    if (need_comma_) out_.push_back(',');
    need_comma_ = true;
}

void Writer::begin_object() {
    separate();
    out_.push_back('{');
    need_comma_ = false;
}

void Writer::end_object() {
    out_.push_back('}');
    need_comma_ = true;
}

void Writer::begin_array() {
    separate();
    out_.push_back('[');
    need_comma_ = false;
}

void Writer::end_array() {
    out_.push_back(']');
    need_comma_ = true;
}

void Writer::key(std::string_view name) {
    separate();
    append_quoted(out_, name);
    out_.push_back(':');
    need_comma_ = false;
}

void Writer::null() {
    separate();
    out_.append("null");
}

void Writer::value(bool b) {
    separate();
    out_.append(b ? "true" : "false");
}

void Writer::write_signed(i64 number) {
    separate();
    append_integer(out_, number);
}

void Writer::write_unsigned(u64 number) {
    separate();
    append_integer(out_, number);
}

void Writer::value(double number) {
    separate();
    append_double(out_, number);
}

void Writer::value(std::string_view text) {
    separate();
    append_quoted(out_, text);
}

void Writer::value(const Value& generic) {
    switch (generic.kind()) {
        case Value::Kind::Null:
            null();
            break;
        case Value::Kind::Bool:
            value(*generic.as_bool());
            break;
        case Value::Kind::Unsigned:
            write_unsigned(*generic.as_u64());
            break;
        case Value::Kind::Signed:
            write_signed(*generic.as_i64());
            break;
        case Value::Kind::Double:
            value(*generic.as_f64());
            break;
        case Value::Kind::String:
            value(*generic.as_string());
            break;
        case Value::Kind::Array:
            begin_array();
            for (const Value& element : *generic.as_array())
                value(element);
            end_array();
            break;
        case Value::Kind::Object:
            begin_object();
            for (const Member& member : *generic.as_object()) {
                key(member.key);
                value(member.value);
            }
            end_object();
            break;
    }
}

std::string to_json(const Value& value) {
    std::string out;
    Writer(out).value(value);
    return out;
}

}  // namespace vdz::json
