// The reader's scalar scanners: numbers (grammar, integer or double, range)
// and strings (escapes, surrogate pairs, UTF-8 validation), with the same
// position rule as the rest of the reader.
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <limits>

#include "common/check.h"
#include "json/number_format.h"
#include "json/reader.h"
#include "json/reader_texts.h"

namespace vdz::json {
namespace {

using namespace texts;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Bytes a string scan must stop at: the quote, the backslash, control
// characters and the start of every multi-byte UTF-8 sequence.
constexpr std::array<bool, 256> make_string_stops() {
    std::array<bool, 256> stops{};
    for (int c = 0; c < 0x20; ++c)
        stops[c] = true;
    for (int c = 0x80; c < 0x100; ++c)
        stops[c] = true;
    stops['"'] = true;
    stops['\\'] = true;
    return stops;
}
constexpr std::array<bool, 256> STRING_STOPS = make_string_stops();

// Advances over plain string bytes, eight at a time while it can. The word
// test may flag a plain byte above a real stop; the byte loop rechecks.
const char* skip_plain(const char* p, const char* end) {
    constexpr u64 ONES = 0x0101010101010101ULL;
    constexpr u64 HIGHS = 0x8080808080808080ULL;
    // The word test finds the first flagged byte by its low bits.
    while (std::endian::native == std::endian::little && end - p >= 8) {
        u64 word;
        std::memcpy(&word, p, 8);
        const u64 quote = word ^ (ONES * '"');
        const u64 backslash = word ^ (ONES * '\\');
        const u64 flagged = (((quote - ONES) & ~quote) | ((backslash - ONES) & ~backslash) |
                             ((word - ONES * 0x20) & ~word) | word) &
                            HIGHS;
        if (flagged != 0) {
            p += __builtin_ctzll(flagged) / 8;
            break;
        }
        p += 8;
    }
    while (p != end && !STRING_STOPS[static_cast<unsigned char>(*p)])
        ++p;
    return p;
}

// Length of the well-formed UTF-8 sequence starting at `p`, or 0.
usize utf8_sequence_length(const unsigned char* p, const unsigned char* end) {
    const unsigned char lead = p[0];
    usize length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (static_cast<usize>(end - p) < length) return 0;
    if (p[1] < low || p[1] > high) return 0;
    for (usize i = 2; i < length; ++i) {
        if (p[i] < 0x80 || p[i] > 0xBF) return 0;
    }
    return length;
}

void append_utf8(std::string& out, u32 code_point) {
    if (code_point < 0x80) {
        out.push_back(static_cast<char>(code_point));
    } else if (code_point < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code_point >> 6)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else if (code_point < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code_point >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code_point >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    }
}

// Whether a number that the float parser found out of range is too large
// (rather than too small): judged by the decimal exponent of its first
// non-zero digit. The text is a valid JSON number.
bool magnitude_overflows(std::string_view text) {
    usize i = text[0] == '-' ? 1 : 0;
    i64 leading = 0;  // decimal exponent of the first non-zero digit
    bool found = false;
    i64 integer_digits = 0;
    for (; i < text.size() && is_digit(text[i]); ++i, ++integer_digits) {
        if (!found && text[i] != '0') {
            found = true;
            leading = -integer_digits;  // completed below
        }
    }
    if (found) leading += integer_digits - 1;
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (i64 place = 1; i < text.size() && is_digit(text[i]); ++i, ++place) {
            if (!found && text[i] != '0') {
                found = true;
                leading = -place;
            }
        }
    }
    i64 exponent = 0;
    if (i < text.size()) {
        ++i;  // 'e' or 'E'
        const bool negative = text[i] == '-';
        if (text[i] == '-' || text[i] == '+') ++i;
        for (; i < text.size(); ++i) {
            exponent = std::min<i64>(exponent * 10 + (text[i] - '0'), i64{1} << 40);
        }
        if (negative) exponent = -exponent;
    }
    return leading + exponent >= 0;
}

}  // namespace

std::string describe_number(const Number& number) {
    switch (number.kind) {
        case Number::Kind::Unsigned:
            return "integer `" + std::to_string(number.unsigned_value) + "`";
        case Number::Kind::Signed:
            return "integer `" + std::to_string(number.signed_value) + "`";
        case Number::Kind::Double:
            break;
    }
    return "floating point `" + plain_decimal(number.double_value) + "`";
}

// Numbers. `Convert` computes the value (and so finds values out of range);
// without it only the grammar is checked, as for values nobody reads.
template <bool Convert>
bool Reader::scan_number(Number& out) {
    const char* const start = p_;
    const bool negative = *p_ == '-';
    if (negative) ++p_;

    // 1. Integer part: one '0', or a non-zero digit and more digits.
    if (p_ == end_) return fail_here(EOF_VALUE);
    const char first = *p_++;
    u64 magnitude = 0;
    bool magnitude_overflowed = false;
    bool nonzero = first != '0';
    if (first == '0') {
        if (p_ != end_ && is_digit(*p_)) return fail_peek(INVALID_NUMBER);
    } else if (is_digit(first)) {
        magnitude = static_cast<u64>(first - '0');
        for (; p_ != end_ && is_digit(*p_); ++p_) {
            const u64 digit = static_cast<u64>(*p_ - '0');
            if (magnitude > (std::numeric_limits<u64>::max() - digit) / 10) {
                magnitude_overflowed = true;
            } else {
                magnitude = magnitude * 10 + digit;
            }
        }
    } else {
        return fail_here(INVALID_NUMBER);
    }

    // 2. Fraction: a dot and at least one digit.
    bool is_integer = true;
    if (p_ != end_ && *p_ == '.') {
        is_integer = false;
        const char* const digits = ++p_;
        for (; p_ != end_ && is_digit(*p_); ++p_)
            nonzero |= *p_ != '0';
        if (p_ == digits) return fail_peek(p_ == end_ ? EOF_VALUE : INVALID_NUMBER);
    }

    // 3. Exponent: 'e' or 'E', an optional sign and at least one digit. An
    // exponent beyond 32 bits makes the value infinite (an error) or zero.
    if (p_ != end_ && (*p_ == 'e' || *p_ == 'E')) {
        is_integer = false;
        ++p_;
        bool negative_exponent = false;
        if (p_ != end_ && (*p_ == '+' || *p_ == '-')) negative_exponent = *p_++ == '-';
        if (p_ == end_) return fail_here(EOF_VALUE);
        if (!is_digit(*p_++)) return fail_here(INVALID_NUMBER);
        i64 exponent = p_[-1] - '0';
        for (; p_ != end_ && is_digit(*p_);) {
            exponent = exponent * 10 + (*p_++ - '0');
            if (Convert && exponent > std::numeric_limits<i32>::max()) {
                if (nonzero && !negative_exponent) return fail_here(NUMBER_OUT_OF_RANGE);
                while (p_ != end_ && is_digit(*p_))
                    ++p_;
                out.kind = Number::Kind::Double;
                out.double_value = negative ? -0.0 : 0.0;
                return true;
            }
            exponent = std::min<i64>(exponent, i64{1} << 40);
        }
    }
    if constexpr (!Convert) return true;

    // 4. The value: integers by their lexical form when they fit 64 bits,
    // everything else correctly rounded to a double.
    if (is_integer && !magnitude_overflowed) {
        if (!negative || magnitude == 0) {
            out.kind = Number::Kind::Unsigned;
            out.unsigned_value = magnitude;
            return true;
        }
        if (magnitude <= (u64{1} << 63)) {
            out.kind = Number::Kind::Signed;
            out.signed_value = static_cast<i64>(~magnitude + 1);
            return true;
        }
    }
    double value = 0;
    const auto parsed = std::from_chars(start, p_, value);
    if (parsed.ec == std::errc::result_out_of_range) {
        if (magnitude_overflows(std::string_view(start, static_cast<usize>(p_ - start)))) {
            return fail_here(NUMBER_OUT_OF_RANGE);
        }
        value = negative ? -0.0 : 0.0;
    }
    VDZ_ASSERT(parsed.ptr == p_);
    out.kind = Number::Kind::Double;
    out.double_value = value;
    return true;
}

// Strings. `Keep` builds the unescaped text (in scratch_ when there were
// escapes); without it the string is only validated. Invalid UTF-8 is
// reported once the closing quote is reached, so that a missing quote or a
// control character found later in the same string still wins.
template <bool Keep>
bool Reader::scan_string(std::string_view& out) {
    const char* const start = p_;
    const char* run = p_;  // first byte not yet copied into scratch_
    bool escaped = false;
    bool malformed = false;
    for (;;) {
        p_ = skip_plain(p_, end_);
        if (p_ == end_) return fail_here(EOF_STRING);
        const unsigned char c = static_cast<unsigned char>(*p_);
        if (c == '"') {
            if constexpr (Keep) {
                if (escaped) {
                    scratch_.append(run, p_);
                    out = scratch_;
                } else {
                    out = std::string_view(start, static_cast<usize>(p_ - start));
                }
            }
            ++p_;
            if (malformed) return fail_here(INVALID_CODE_POINT);
            return true;
        }
        if (c == '\\') {
            if constexpr (Keep) {
                if (!escaped) scratch_.clear();
                scratch_.append(run, p_);
            }
            escaped = true;
            ++p_;
            if (!scan_escape<Keep>()) return false;
            run = p_;
        } else if (c < 0x20) {
            ++p_;
            return fail_here(CONTROL_CHARACTER);
        } else {
            const usize length = utf8_sequence_length(reinterpret_cast<const unsigned char*>(p_),
                                                      reinterpret_cast<const unsigned char*>(end_));
            malformed |= length == 0;
            p_ += length == 0 ? 1 : length;
        }
    }
}

bool Reader::scan_hex4(u32& out) {
    if (end_ - p_ < 4) {
        p_ = end_;
        return fail_here(EOF_STRING);
    }
    out = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = hex_value(*p_++);
        if (digit < 0) return fail_here(INVALID_ESCAPE);
        out = out * 16 + static_cast<u32>(digit);
    }
    return true;
}

// After a backslash. Surrogates must come as a leading and trailing pair.
template <bool Keep>
bool Reader::scan_escape() {
    if (p_ == end_) return fail_here(EOF_STRING);
    char simple = 0;
    switch (*p_++) {
        case '"':
            simple = '"';
            break;
        case '\\':
            simple = '\\';
            break;
        case '/':
            simple = '/';
            break;
        case 'b':
            simple = '\b';
            break;
        case 'f':
            simple = '\f';
            break;
        case 'n':
            simple = '\n';
            break;
        case 'r':
            simple = '\r';
            break;
        case 't':
            simple = '\t';
            break;
        case 'u':
            break;
        default:
            return fail_here(INVALID_ESCAPE);
    }
    if (simple != 0) {
        if constexpr (Keep) scratch_.push_back(simple);
        return true;
    }
    u32 unit = 0;
    if (!scan_hex4(unit)) return false;
    if (unit >= 0xDC00 && unit <= 0xDFFF) return fail_here(LONE_SURROGATE);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        for (const char expected : {'\\', 'u'}) {
            if (p_ == end_) return fail_here(EOF_STRING);
            if (*p_++ != expected) return fail_here(UNEXPECTED_END_OF_HEX);
        }
        u32 trailing = 0;
        if (!scan_hex4(trailing)) return false;
        if (trailing < 0xDC00 || trailing > 0xDFFF) return fail_here(LONE_SURROGATE);
        unit = 0x10000 + ((unit - 0xD800) << 10) + (trailing - 0xDC00);
    }
    if constexpr (Keep) append_utf8(scratch_, unit);
    return true;
}

template bool Reader::scan_number<true>(Number&);
template bool Reader::scan_number<false>(Number&);
template bool Reader::scan_string<true>(std::string_view&);
template bool Reader::scan_string<false>(std::string_view&);

}  // namespace vdz::json
