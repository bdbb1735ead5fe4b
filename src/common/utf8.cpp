// A byte-at-a-time validator: inputs are small (user data, table files) and
// read once, so clarity beats a vectorised scan here.
#include "common/utf8.h"

namespace vdz {
namespace {

bool is_continuation(u8 byte) {
    return (byte & 0xC0) == 0x80;
}

// Whether `second` may follow the lead byte `first` of a multi-byte sequence.
// The tight ranges exclude overlong forms, surrogates and code points beyond
// U+10FFFF.
bool second_byte_fits(u8 first, u8 second) {
    switch (first) {
        case 0xE0:
            return second >= 0xA0 && second <= 0xBF;
        case 0xED:
            return second >= 0x80 && second <= 0x9F;
        case 0xF0:
            return second >= 0x90 && second <= 0xBF;
        case 0xF4:
            return second >= 0x80 && second <= 0x8F;
        default:
            return is_continuation(second);
    }
}

// Total length of the sequence that `lead` starts, or 0 when no well-formed
// sequence starts with it.
usize sequence_width(u8 lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

}  // namespace

std::optional<Utf8Error> find_utf8_error(std::string_view bytes) {
    const usize size = bytes.size();
    const auto at = [&](usize i) { return static_cast<u8>(bytes[i]); };
    usize pos = 0;
    while (pos < size) {
        const u8 lead = at(pos);
        const usize width = sequence_width(lead);
        if (width == 1) {
            ++pos;
            continue;
        }
        if (width == 0) return Utf8Error{pos, u8{1}};
        // Each further byte is checked only once the input is known to hold
        // it, so running out of input wins over a wrong byte further on.
        for (usize k = 1; k < width; ++k) {
            if (pos + k >= size) return Utf8Error{pos, std::nullopt};
            const u8 next = at(pos + k);
            const bool fits = k == 1 ? second_byte_fits(lead, next) : is_continuation(next);
            if (!fits) return Utf8Error{pos, static_cast<u8>(k)};
        }
        pos += width;
    }
    return std::nullopt;
}

std::string utf8_error_message(const Utf8Error& error) {
    if (error.invalid_bytes) {
        return "invalid utf-8 sequence of " + std::to_string(*error.invalid_bytes) +
               " bytes from index " + std::to_string(error.valid_up_to);
    }
    return "incomplete utf-8 byte sequence from index " + std::to_string(error.valid_up_to);
}

}  // namespace vdz
