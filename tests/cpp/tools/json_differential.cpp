// Test helper for the differential check of the JSON reader against another
// implementation (tests/python/test_json_differential.py). Reads documents
// from standard input, each framed as "<byte length>\n<bytes>", and prints one
// line per document: "ok " and the value as compact JSON with sorted keys, or
// "err " and the reader's error text.
#include <cstdio>
#include <string>
#include <string_view>

#include "json/value.h"
#include "json/writer.h"

int main() {
    std::string input;
    char buffer[1 << 16];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) {
        input.append(buffer, got);
    }

    std::string output;
    size_t pos = 0;
    while (pos < input.size()) {
        const size_t newline = input.find('\n', pos);
        if (newline == std::string::npos) return 2;
        const size_t length = std::stoull(input.substr(pos, newline - pos));
        if (length > input.size() - newline - 1) return 2;
        const std::string_view document(input.data() + newline + 1, length);
        pos = newline + 1 + length;

        auto value = vdz::json::parse_value(document);
        if (value.ok()) {
            output += "ok " + vdz::json::to_json(*value) + "\n";
        } else {
            output += "err " + value.error().message + "\n";
        }
    }
    std::fwrite(output.data(), 1, output.size(), stdout);
    return 0;
}
