// What hostile or huge inputs cost the text readers: the time to read one
// row with many unknown keys, given per 10^5 keys at three sizes (equal
// figures mean the reading is linear), and the peak memory that reading a
// large user data adds, as a multiple of the text's size.
//   input_bench [USER_DATA_MB]
// Prints one JSON object.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

#include "handler/user_data.h"
#include "json/typed.h"

namespace {

using namespace vdz;
using Clock = std::chrono::steady_clock;

struct Row {
    i32 id = 0;
};
constexpr auto json_layout(json::Of<Row>) {
    return json::record("Row", json::required("id", &Row::id));
}

// Best of three readings of one row with `keys` unknown keys, in ms.
double unknown_keys_ms(int keys) {
    std::string text = "[{\"id\":1";
    for (int i = 0; i < keys; ++i)
        text += ",\"key" + std::to_string(i) + "\":0";
    text += "}]";
    double best = 1e300;
    for (int repeat = 0; repeat < 3; ++repeat) {
        const auto start = Clock::now();
        const auto rows = json::read_rows<Row>(text);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (!rows.ok()) {
            std::fprintf(stderr, "%s\n", rows.error().message.c_str());
            std::exit(1);
        }
        best = std::min(best, ms);
    }
    return best;
}

// A user data of about `bytes` bytes: cards as a game export writes them,
// with the keys the reader skips, or (`numbers`) compact cards each with an
// array of small integers, the densest text for a generic tree.
std::string user_data_text(usize bytes, bool numbers) {
    std::string text = "{\"userCards\":[";
    for (u32 id = 1; text.size() < bytes; ++id) {
        if (id > 1) text += ',';
        if (numbers) {
            text += "{\"cardId\":" + std::to_string(id) + ",\"x\":[";
            for (int k = 0; k < 60; ++k)
                text += k ? ",1" : "1";
            text += "]}";
            continue;
        }
        text += "{\"userId\":1234567890123,\"cardId\":" + std::to_string(id) +
                ",\"level\":60,\"exp\":123456,\"totalExp\":654321,\"skillLevel\":4,"
                "\"skillExp\":0,\"totalSkillExp\":0,\"masterRank\":5,"
                "\"specialTrainingStatus\":\"done\",\"defaultImage\":\"special_training\","
                "\"duplicateCount\":0,\"createdAt\":1700000000000,\"episodes\":["
                "{\"cardEpisodeId\":" +
                std::to_string(id * 2) +
                ",\"scenarioStatus\":\"already_read\",\"scenarioStatusReasons\":[],"
                "\"isNotSkipped\":false},{\"cardEpisodeId\":" +
                std::to_string(id * 2 + 1) +
                ",\"scenarioStatus\":\"already_read\",\"scenarioStatusReasons\":[],"
                "\"isNotSkipped\":false}]}";
    }
    return text + "]}";
}

// Reads a "Vm…:" line of /proc/self/status, in kB.
long status_kb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
    return -1;
}

// The child's part: reads the text from `path` into a string of its exact
// size, then parses it with the high-water mark reset, so the peak is the
// parse's own and not the garbage of building the text.
int measure_user_data(const char* path, const char* shape) {
    std::ifstream file(path, std::ios::binary);
    std::string text;
    file.seekg(0, std::ios::end);
    text.resize(static_cast<usize>(file.tellg()));
    file.seekg(0);
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    { std::ofstream("/proc/self/clear_refs") << "5"; }
    const long before_kb = status_kb("VmRSS");
    const auto start = Clock::now();
    auto parsed = parse_user_data(text);
    const double parse_ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const long peak_kb = status_kb("VmHWM");
    const long after_kb = status_kb("VmRSS");
    if (!parsed.ok()) {
        std::fprintf(stderr, "%s\n", parsed.error().message.c_str());
        return 1;
    }
    const double text_mb = static_cast<double>(text.size()) / 1e6;
    const double peak_mb = static_cast<double>(peak_kb - before_kb) / 1e3;
    const double kept_mb = static_cast<double>(after_kb - before_kb) / 1e3;
    std::printf(
        " \"user_data_%s\": {\"text_mb\": %.1f, \"cards\": %zu, \"parse_ms\": %.0f, "
        "\"peak_added_mb\": %.1f, \"peak_per_text_byte\": %.2f, \"kept_mb\": %.1f}",
        shape, text_mb, parsed->user_cards.size(), parse_ms, peak_mb, peak_mb / text_mb, kept_mb);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 3 && std::string(argv[1]) == "--parse") return measure_user_data(argv[2], argv[3]);
    const double user_mb = argc > 1 ? std::atof(argv[1]) : 20.0;

    // 1. Unknown keys: time per 10^5 keys at three sizes.
    const int sizes[] = {25000, 100000, 200000};
    double per_1e5[3];
    for (int i = 0; i < 3; ++i)
        per_1e5[i] = unknown_keys_ms(sizes[i]) * 100000.0 / sizes[i];
    std::printf(
        "{\"unknown_keys_ms_per_1e5\": {\"25000\": %.1f, \"100000\": %.1f, \"200000\": "
        "%.1f},\n",
        per_1e5[0], per_1e5[1], per_1e5[2]);
    std::fflush(stdout);

    // 2. User data of both shapes, each parsed in a fresh process.
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return 1;
    int status = 0;
    for (const bool numbers : {false, true}) {
        const char* shape = numbers ? "numbers" : "export";
        const std::string path = "/tmp/input_bench_user_data_" + std::to_string(getpid()) + ".json";
        std::ofstream(path, std::ios::binary)
            << user_data_text(static_cast<usize>(user_mb * 1e6), numbers);
        std::printf(numbers ? ",\n" : "");
        std::fflush(stdout);
        const std::string command = std::string(self) + " --parse " + path + " " + shape;
        status |= std::system(command.c_str());
        std::remove(path.c_str());
    }
    std::printf("}\n");
    return status == 0 ? 0 : 1;
}
