// The reader's grammar: values, arrays and objects, skipping and capturing,
// and errors with their positions (numbers and strings are scanned in
// scalar_scanner.cpp). Positions follow one rule: an error found after
// consuming a byte is placed after it; an error found while only looking at a
// byte is placed as if that byte had been consumed. Line and column are
// computed from the offset only when an error is reported.
#include "json/reader.h"

#include <cstddef>

#include "common/check.h"
#include "common/text.h"
#include "json/reader_texts.h"

namespace vdz::json {
namespace {

using namespace texts;

// A string as type errors show it: quoted, with quotes, backslashes and
// control characters escaped, and cut short when long.
std::string quote_for_message(std::string_view text) {
    static constexpr char HEX[] = "0123456789abcdef";
    const std::string_view shown = leading_characters(text, MAX_ECHOED_CHARACTERS);
    std::string quoted = "\"";
    for (const char c : shown) {
        switch (c) {
            case '"':
                quoted += "\\\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\t':
                quoted += "\\t";
                break;
            case '\0':
                quoted += "\\0";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    quoted += "\\u{";
                    if (c >= 0x10) quoted += HEX[(c >> 4) & 0xF];
                    quoted += HEX[c & 0xF];
                    quoted += '}';
                } else {
                    quoted += c;
                }
        }
    }
    if (shown.size() < text.size()) quoted += ECHO_CUT_MARK;
    quoted += '"';
    return quoted;
}

}  // namespace

Reader::Reader(std::string_view text)
    : begin_(text.data()), p_(text.data()), end_(text.data() + text.size()) {}

Reader::Reader(const char* begin, const char* p, const char* end, u32 depth)
    : begin_(begin), p_(p), end_(end), depth_(depth) {}

// --- errors -------------------------------------------------------------------

bool Reader::fail_at(usize offset, std::string message) {
    VDZ_ASSERT(!failed_);
    failed_ = true;
    error_placed_ = true;
    error_offset_ = offset;
    error_message_ = std::move(message);
    return false;
}

bool Reader::fail_here(std::string_view message) {
    return fail_at(offset(), std::string(message));
}

bool Reader::fail_peek(std::string_view message) {
    return fail_at(p_ == end_ ? offset() : offset() + 1, std::string(message));
}

bool Reader::fail(std::string message) {
    return fail_at(offset(), std::move(message));
}

bool Reader::fail_unplaced(std::string message) {
    VDZ_ASSERT(!failed_);
    failed_ = true;
    error_placed_ = false;
    error_message_ = std::move(message);
    return false;
}

void Reader::place_in_array() {
    if (error_placed_) return;
    const int c = peek_byte();
    if (c == ']') {
        ++p_;
    } else if (c == ',') {
        ++p_;
        peek_byte();
    }
    error_placed_ = true;
    error_offset_ = offset();
}

void Reader::place_in_object() {
    if (error_placed_) return;
    if (peek_byte() == '}') ++p_;
    error_placed_ = true;
    error_offset_ = offset();
}

bool Reader::fail_type(Expected expected) {
    std::string what;
    switch (peek()) {
        case Next::End:
            return fail_peek(EOF_VALUE);
        case Next::Invalid:
            return fail_peek(EXPECTED_VALUE);
        case Next::Null:
            ++p_;
            if (!read_ident("ull")) return false;
            what = "null";
            break;
        case Next::Bool: {
            const bool value = *p_ == 't';
            ++p_;
            if (!read_ident(value ? "rue" : "alse")) return false;
            what = value ? "boolean `true`" : "boolean `false`";
            break;
        }
        case Next::Number: {
            Number number;
            if (!scan_number<true>(number)) return false;
            what = describe_number(number);
            break;
        }
        case Next::String: {
            ++p_;
            std::string_view text;
            if (!scan_string<true>(text)) return false;
            what = "string " + quote_for_message(text);
            break;
        }
        case Next::Array:
            what = "sequence";
            break;
        case Next::Object:
            what = "map";
            break;
    }
    return fail("invalid type: " + what + ", expected " + expected());
}

Error Reader::take_error() {
    VDZ_ASSERT(failed_);
    if (!error_placed_) return make_error(std::move(error_message_));
    usize line = 1;
    usize line_start = 0;
    for (usize i = 0; i < error_offset_; ++i) {
        if (begin_[i] == '\n') {
            ++line;
            line_start = i + 1;
        }
    }
    return make_error(std::move(error_message_) + " at line " + std::to_string(line) + " column " +
                      std::to_string(error_offset_ - line_start));
}

// --- documents and scalars -------------------------------------------------

bool Reader::finish() {
    if (peek_byte() >= 0) return fail_peek(TRAILING_CHARACTERS);
    return true;
}

Next Reader::peek() {
    const int c = peek_byte();
    switch (c) {
        case -1:
            return Next::End;
        case 'n':
            return Next::Null;
        case 't':
        case 'f':
            return Next::Bool;
        case '"':
            return Next::String;
        case '[':
            return Next::Array;
        case '{':
            return Next::Object;
        case '-':
            return Next::Number;
        default:
            return c >= '0' && c <= '9' ? Next::Number : Next::Invalid;
    }
}

bool Reader::read_ident(std::string_view rest) {
    for (const char expected : rest) {
        if (p_ == end_) return fail_here(EOF_VALUE);
        if (*p_++ != expected) return fail_here(EXPECTED_IDENT);
    }
    return true;
}

bool Reader::take_null(bool& was_null) {
    was_null = peek_byte() == 'n';
    if (!was_null) return true;
    ++p_;
    return read_ident("ull");
}

bool Reader::read_bool(bool& out, Expected expected) {
    const int c = peek_byte();
    if (c == 't' || c == 'f') {
        ++p_;
        out = c == 't';
        return read_ident(out ? "rue" : "alse");
    }
    if (c < 0) return fail_peek(EOF_VALUE);
    return fail_type(expected);
}

bool Reader::read_number(Number& out, Expected expected) {
    const int c = peek_byte();
    if (c == '-' || (c >= '0' && c <= '9')) return scan_number<true>(out);
    if (c < 0) return fail_peek(EOF_VALUE);
    return fail_type(expected);
}

bool Reader::read_string(std::string_view& out, Expected expected) {
    const int c = peek_byte();
    if (c == '"') {
        ++p_;
        return scan_string<true>(out);
    }
    if (c < 0) return fail_peek(EOF_VALUE);
    return fail_type(expected);
}

// --- containers -------------------------------------------------------------

bool Reader::enter() {
    if (depth_ == MAX_DEPTH) return fail_peek(RECURSION_LIMIT);
    VDZ_ASSERT(*p_ == '[' || *p_ == '{');
    ++p_;
    ++depth_;
    first_[depth_] = true;
    return true;
}

bool Reader::leave() {
    VDZ_ASSERT(*p_ == ']' || *p_ == '}');
    ++p_;
    --depth_;
    return true;
}

bool Reader::begin_array(Expected expected) {
    const int c = peek_byte();
    if (c == '[') return enter();
    if (c < 0) return fail_peek(EOF_VALUE);
    return fail_type(expected);
}

bool Reader::next_element(bool& more) {
    const int c = peek_byte();
    if (c < 0) return fail_peek(EOF_LIST);
    more = c != ']';
    if (!more) return true;
    if (first_[depth_]) {
        first_[depth_] = false;
        return true;
    }
    if (c != ',') return fail_peek(EXPECTED_LIST_COMMA_OR_END);
    ++p_;
    const int next = peek_byte();
    if (next == ']') return fail_peek(TRAILING_COMMA);
    if (next < 0) return fail_peek(EOF_VALUE);
    return true;
}

bool Reader::end_array() {
    const int c = peek_byte();
    if (c == ']') return leave();
    if (c < 0) return fail_peek(EOF_LIST);
    if (c == ',') {
        ++p_;
        return fail_peek(peek_byte() == ']' ? TRAILING_COMMA : TRAILING_CHARACTERS);
    }
    return fail_peek(TRAILING_CHARACTERS);
}

bool Reader::begin_object(Expected expected) {
    const int c = peek_byte();
    if (c == '{') return enter();
    if (c < 0) return fail_peek(EOF_VALUE);
    return fail_type(expected);
}

bool Reader::next_key(std::string_view& key, bool& more) {
    int c = peek_byte();
    if (c < 0) return fail_peek(EOF_OBJECT);
    more = c != '}';
    if (!more) return true;
    if (first_[depth_]) {
        first_[depth_] = false;
        if (c != '"') return fail_peek(KEY_MUST_BE_STRING);
    } else if (c == ',') {
        ++p_;
        c = peek_byte();
        if (c == '}') return fail_peek(TRAILING_COMMA);
        if (c < 0) return fail_peek(EOF_VALUE);
        if (c != '"') return fail_peek(KEY_MUST_BE_STRING);
    } else {
        return fail_peek(EXPECTED_OBJECT_COMMA_OR_END);
    }
    ++p_;
    return scan_string<true>(key);
}

bool Reader::read_colon() {
    const int c = peek_byte();
    if (c == ':') {
        ++p_;
        return true;
    }
    return fail_peek(c < 0 ? EOF_OBJECT : EXPECTED_COLON);
}

bool Reader::end_object() {
    const int c = peek_byte();
    if (c == '}') return leave();
    if (c < 0) return fail_peek(EOF_OBJECT);
    return fail_peek(c == ',' ? TRAILING_COMMA : TRAILING_CHARACTERS);
}

// Up to this many unknown keys per object a scan beats hashing; beyond it a
// hash index keeps a row with many unknown keys linear in its size.
constexpr usize UNKNOWN_KEY_SCAN_LIMIT = 16;

bool Reader::note_unknown_key(usize mark, std::string_view key) {
    const usize count = unknown_keys_.size() - mark;
    std::unordered_set<std::string_view>* index = nullptr;
    if (!unknown_key_indexes_.empty() && unknown_key_indexes_.back().first == mark) {
        index = &unknown_key_indexes_.back().second;
        if (index->contains(key)) return false;
    } else {
        for (usize i = mark; i < unknown_keys_.size(); ++i) {
            if (unknown_keys_[i] == key) return false;
        }
        if (count + 1 >= UNKNOWN_KEY_SCAN_LIMIT) {
            index = &unknown_key_indexes_
                         .emplace_back(
                             mark, std::unordered_set<std::string_view>(
                                       unknown_keys_.begin() + static_cast<std::ptrdiff_t>(mark),
                                       unknown_keys_.end()))
                         .second;
        }
    }
    // A key with escapes lives in scratch_ only until the next string.
    const bool in_text = key.data() >= begin_ && key.data() + key.size() <= end_;
    if (!in_text) key = *unknown_key_copies_.emplace_back(std::make_unique<std::string>(key));
    unknown_keys_.push_back(key);
    if (index) index->insert(key);
    return true;
}

void Reader::release_unknown_keys(usize mark) {
    while (!unknown_key_indexes_.empty() && unknown_key_indexes_.back().first >= mark)
        unknown_key_indexes_.pop_back();
    while (unknown_keys_.size() > mark) {
        const std::string_view key = unknown_keys_.back();
        unknown_keys_.pop_back();
        if (!unknown_key_copies_.empty() && key.data() == unknown_key_copies_.back()->data()) {
            unknown_key_copies_.pop_back();
        }
    }
}

// --- skipping and capturing --------------------------------------------------

// `Full` checks numbers as reading them would (range included).
template <bool Full>
bool Reader::skip() {
    std::string_view ignored;
    Number number;
    bool more = false;
    switch (peek()) {
        case Next::End:
            return fail_peek(EOF_VALUE);
        case Next::Invalid:
            return fail_peek(EXPECTED_VALUE);
        case Next::Null:
            ++p_;
            return read_ident("ull");
        case Next::Bool:
            return read_ident(*p_++ == 't' ? "rue" : "alse");
        case Next::Number:
            return scan_number<Full>(number);
        case Next::String:
            ++p_;
            return scan_string<false>(ignored);
        case Next::Array:
            if (!enter()) return false;
            while (next_element(more)) {
                if (!more) return end_array();
                if (!skip<Full>()) return false;
            }
            return false;
        case Next::Object:
            if (!enter()) return false;
            while (next_key(ignored, more)) {
                if (!more) return end_object();
                if (!read_colon() || !skip<Full>()) return false;
            }
            return false;
    }
    return false;
}

bool Reader::skip_value() {
    return skip<false>();
}

bool Reader::capture(Span& out) {
    peek_byte();
    out.begin = offset();
    out.depth = depth_;
    if (!skip<true>()) return false;
    out.end = offset();
    return true;
}

Reader Reader::replay(const Span& span) const {
    VDZ_ASSERT(span.begin <= span.end && begin_ + span.end <= end_);
    return Reader(begin_, begin_ + span.begin, begin_ + span.end, span.depth);
}

}  // namespace vdz::json
