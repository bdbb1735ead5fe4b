// Shortest round-trip digits come from std::to_chars; this file only lays
// them out.
#include "json/number_format.h"

#include <charconv>
#include <cmath>

#include "common/check.h"
#include "common/types.h"

namespace vdz::json {

void append_shortest(std::string& out, double value) {
    VDZ_ASSERT(std::isfinite(value));
    // 1. Shortest digits d1.d2d3…e±x from the standard library.
    char text[40];
    const auto written =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
    VDZ_ASSERT(written.ec == std::errc());
    const char* p = text;
    if (*p == '-') {
        out.push_back('-');
        ++p;
    }
    char digits[24];
    int length = 0;
    for (; *p != 'e'; ++p) {
        if (*p != '.') digits[length++] = *p;
    }
    int exponent = 0;
    const char* exponent_text = p + 1;
    if (*exponent_text == '+') ++exponent_text;
    std::from_chars(exponent_text, written.ptr, exponent);

    // 2. value = digits × 10^(point - length): lay it out by where the
    // decimal point falls.
    const int point = exponent + 1;
    const std::string_view all(digits, static_cast<usize>(length));
    if (point >= length && point <= 16) {
        out.append(all);
        out.append(static_cast<usize>(point - length), '0');
        out.append(".0");
    } else if (point > 0 && point <= 16) {
        out.append(all.substr(0, static_cast<usize>(point)));
        out.push_back('.');
        out.append(all.substr(static_cast<usize>(point)));
    } else if (point > -5 && point <= 0) {
        out.append("0.");
        out.append(static_cast<usize>(-point), '0');
        out.append(all);
    } else {
        out.push_back(digits[0]);
        if (length > 1) {
            out.push_back('.');
            out.append(all.substr(1));
        }
        out.push_back('e');
        out.append(std::to_string(point - 1));
    }
}

std::string plain_decimal(double value) {
    VDZ_ASSERT(std::isfinite(value));
    // The longest case is the smallest subnormal: "0." and 323 zeros, then digits.
    char text[400];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    VDZ_ASSERT(written.ec == std::errc());
    return std::string(text, written.ptr);
}

}  // namespace vdz::json
