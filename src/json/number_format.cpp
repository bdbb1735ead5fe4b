// Shortest round-trip digits come from std::to_chars; this file only lays
// them out.
#include "json/number_format.h"

#include <charconv>
#include <cmath>

#include "common/check.h"
#include "common/types.h"

namespace vdz::json {
namespace {

// A finite double as its shortest round-trip decimal digits: the value is
// 0.d1d2d3… × 10^point, with a sign.
struct ShortestDigits {
    bool negative = false;
    char digits[20];
    int length = 0;
    int point = 0;

    std::string_view all() const { return std::string_view(digits, static_cast<usize>(length)); }
};

ShortestDigits shortest_digits(double value) {
    VDZ_ASSERT(std::isfinite(value));
    char text[40];
    const auto written =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
    VDZ_ASSERT(written.ec == std::errc());
    ShortestDigits out;
    const char* p = text;
    out.negative = *p == '-';
    if (out.negative) ++p;
    for (; *p != 'e'; ++p) {
        if (*p != '.') out.digits[out.length++] = *p;
    }
    ++p;
    if (*p == '+') ++p;
    int exponent = 0;
    std::from_chars(p, written.ptr, exponent);
    out.point = exponent + 1;
    return out;
}

}  // namespace

void append_shortest(std::string& out, double value) {
    const ShortestDigits d = shortest_digits(value);
    if (d.negative) out.push_back('-');
    if (d.point >= d.length && d.point <= 16) {
        out.append(d.all());
        out.append(static_cast<usize>(d.point - d.length), '0');
        out.append(".0");
    } else if (d.point > 0 && d.point <= 16) {
        out.append(d.all().substr(0, static_cast<usize>(d.point)));
        out.push_back('.');
        out.append(d.all().substr(static_cast<usize>(d.point)));
    } else if (d.point > -5 && d.point <= 0) {
        out.append("0.");
        out.append(static_cast<usize>(-d.point), '0');
        out.append(d.all());
    } else {
        out.push_back(d.digits[0]);
        if (d.length > 1) {
            out.push_back('.');
            out.append(d.all().substr(1));
        }
        out.push_back('e');
        out.append(std::to_string(d.point - 1));
    }
}

std::string plain_decimal(double value) {
    const ShortestDigits d = shortest_digits(value);
    std::string out = d.negative ? "-" : "";
    if (d.point >= d.length) {
        out.append(d.all());
        out.append(static_cast<usize>(d.point - d.length), '0');
    } else if (d.point > 0) {
        out.append(d.all().substr(0, static_cast<usize>(d.point)));
        out.push_back('.');
        out.append(d.all().substr(static_cast<usize>(d.point)));
    } else {
        out.append("0.");
        out.append(static_cast<usize>(-d.point), '0');
        out.append(d.all());
    }
    return out;
}

}  // namespace vdz::json
