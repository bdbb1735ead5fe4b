// The strict streaming JSON reader every text input of the module goes
// through. One pass in document order: the first fault wins, whether it is a
// syntax error or a caller's type error, and every error names the line and
// column where reading stopped. Typed reading (typed.h) and generic values
// (value.h) are built on the small pull interface below.
//
// Protocol: every reading function returns false once it has recorded an
// error in the Reader; the caller then stops and returns false itself. The
// first recorded error is final and `take_error()` turns it into an Error.
//
//     json::Reader in(text);
//     bool more = false;
//     if (!in.begin_array(expect_list)) return in.take_error();
//     while (in.next_element(more) && more) {
//         json::Number n;
//         if (!in.read_number(n, expect_number)) return in.take_error();
//     }
//     if (in.failed() || !in.end_array() || !in.finish()) return in.take_error();
//
// Most code never calls this directly: see typed.h and value.h.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "common/result.h"
#include "common/types.h"

namespace vdz::json {

// Containers nested deeper than this are refused, also inside skipped values.
inline constexpr u32 MAX_DEPTH = 128;

// Says what the caller wanted, for "invalid type: …, expected {}". Called only
// when an error is built, so it may allocate.
using Expected = std::string (*)();

// A number as written: integers without fraction or exponent stay integers
// (non-negative ones unsigned, negative ones signed, "-0" is 0); anything else,
// and integers beyond 64 bits, become doubles.
struct Number {
    enum class Kind : u8 { Unsigned, Signed, Double };
    Kind kind = Kind::Unsigned;
    u64 unsigned_value = 0;   // when Unsigned
    i64 signed_value = 0;     // when Signed (always negative)
    double double_value = 0;  // when Double
};

// "integer `5`", "integer `-5`" or "floating point `1.5`": how type errors
// name a number they did not want.
std::string describe_number(const Number& number);

// One complete value's place in the text, kept so the value can be read again
// (for example once per accepted shape). Valid while the text lives.
struct Span {
    usize begin = 0;  // offset of the value's first byte
    usize end = 0;    // offset just past its last byte
    u32 depth = 0;    // nesting depth of the enclosing containers
};

// What the next value is, judged from its first byte.
enum class Next : u8 { End, Null, Bool, Number, String, Array, Object, Invalid };

// Reads one JSON text. Owned by one caller on one thread; borrows the text,
// which must outlive the Reader and every string view it hands out.
class Reader {
  public:
    explicit Reader(std::string_view text);

    // --- whole documents --------------------------------------------------
    // Succeeds when only white space is left.
    [[nodiscard]] bool finish();

    // --- scalars ----------------------------------------------------------
    // Skips white space and tells what comes next without consuming it.
    Next peek();
    // Consumes `null` when it comes next and says whether it did.
    [[nodiscard]] bool take_null(bool& was_null);
    [[nodiscard]] bool read_bool(bool& out, Expected expected);
    [[nodiscard]] bool read_number(Number& out, Expected expected);
    // The view points into the text, or into a buffer of this Reader that the
    // next string or key read overwrites when the string had escapes.
    [[nodiscard]] bool read_string(std::string_view& out, Expected expected);
    // Validates and passes over one value of any kind.
    [[nodiscard]] bool skip_value();
    // Validates one value of any kind as fully as reading it would, and
    // records where it lies.
    [[nodiscard]] bool capture(Span& out);
    // A Reader over a captured value alone; `finish()` succeeds right after
    // the value. Positions in its errors are those of the original text.
    Reader replay(const Span& span) const;

    // --- containers -------------------------------------------------------
    // `begin_*` refuse a value of another kind with "invalid type: …".
    [[nodiscard]] bool begin_array(Expected expected);
    // Sets `more` when another element follows (eating the comma before it).
    [[nodiscard]] bool next_element(bool& more);
    [[nodiscard]] bool end_array();
    [[nodiscard]] bool begin_object(Expected expected);
    // Reads the next key (unescaped) when one follows; then call read_colon()
    // before reading the member's value. The key view lives until the next
    // string or key is read.
    [[nodiscard]] bool next_key(std::string_view& key, bool& more);
    [[nodiscard]] bool read_colon();
    [[nodiscard]] bool end_object();

    // Duplicate check for keys no record declares: false when `key` was
    // already seen in the innermost object whose keys are being noted.
    usize unknown_keys_mark() const { return unknown_keys_.size(); }
    [[nodiscard]] bool note_unknown_key(usize mark, std::string_view key);
    void release_unknown_keys(usize mark);

    // --- errors -----------------------------------------------------------
    // Records `message` at the current position.
    [[nodiscard]] bool fail(std::string message);
    // Records `message` without a position yet: the innermost array or
    // object being read places it when it gives up (after eating its closing
    // bracket if that comes next), as for "missing field" and "duplicate field".
    [[nodiscard]] bool fail_unplaced(std::string message);
    // "invalid type: {what comes next}, expected {expected}"; a scalar is read
    // first (its own syntax errors win), a container is not entered.
    [[nodiscard]] bool fail_type(Expected expected);
    // Places an unplaced error the way the innermost array or object would.
    void place_in_array();
    void place_in_object();

    bool failed() const { return failed_; }
    bool error_placed() const { return error_placed_; }
    // The recorded error, with " at line L column C" when it has a place.
    Error take_error();

    // Offset of the next unread byte, from the start of the text.
    usize offset() const { return static_cast<usize>(p_ - begin_); }
    u32 depth() const { return depth_; }

  private:
    Reader(const char* begin, const char* p, const char* end, u32 depth);

    int peek_byte();  // after white space; -1 at the end
    [[nodiscard]] bool fail_at(usize offset, std::string message);
    [[nodiscard]] bool fail_here(std::string_view message);
    [[nodiscard]] bool fail_peek(std::string_view message);
    [[nodiscard]] bool enter();  // past an opening bracket, one level deeper
    [[nodiscard]] bool leave();  // past a closing bracket, one level out
    [[nodiscard]] bool read_ident(std::string_view rest);
    template <bool Convert>
    [[nodiscard]] bool scan_number(Number& out);
    template <bool Keep>
    [[nodiscard]] bool scan_string(std::string_view& out);
    template <bool Keep>
    [[nodiscard]] bool scan_escape();
    [[nodiscard]] bool scan_hex4(u32& out);
    template <bool Full>
    [[nodiscard]] bool skip();

    const char* begin_;  // start of the whole text (positions count from here)
    const char* p_;      // next unread byte
    const char* end_;    // end of what this Reader may read
    u32 depth_ = 0;      // containers entered and not yet left
    std::array<bool, MAX_DEPTH + 1> first_{};     // per depth: no element read yet
    std::string scratch_;                         // unescaped text of the last string
    std::vector<std::string_view> unknown_keys_;  // stack of noted unknown keys
    // Hash indexes of the objects whose unknown keys outgrew a plain scan,
    // innermost last, each with the mark its keys start at.
    std::vector<std::pair<usize, std::unordered_set<std::string_view>>> unknown_key_indexes_;
    std::vector<std::unique_ptr<std::string>> unknown_key_copies_;  // owners of escaped ones
    std::string error_message_;
    usize error_offset_ = 0;
    bool failed_ = false;
    bool error_placed_ = false;
};

// ---------------------------------------------------------------------------

inline int Reader::peek_byte() {
    while (p_ != end_) {
        const char c = *p_;
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t') return static_cast<unsigned char>(c);
        ++p_;
    }
    return -1;
}

}  // namespace vdz::json
