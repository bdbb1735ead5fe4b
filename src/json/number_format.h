// How the JSON layer writes doubles: the shortest digits that read back to
// the same double, laid out either in the compact JSON form of the writer or
// in plain decimal notation for error messages.
#pragma once

#include <string>

namespace vdz::json {

// Appends a finite double in the writer's layout: always with a fraction or an
// exponent so that it reads back as a float: 15.0, 1000000000000000.0 (up to
// 16 integer digits), 1e16, 1.2345678901234568e17, 0.00001, 1e-6, 1.5e-7,
// -0.0.
void append_shortest(std::string& out, double value);

// A finite double in plain decimal notation with its shortest digits and no
// exponent, padded with zeros: 1.5, 1, -0, 0.0000001, 18446744073709552000.
std::string plain_decimal(double value);

}  // namespace vdz::json
