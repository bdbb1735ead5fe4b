// The deadline's start: now plus the time limit, unless that instant lies
// beyond what the clock can represent.
#include "search/deadline.h"

namespace vdz {
namespace {

class SteadyClock final : public SearchClock {
  public:
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
};

}  // namespace

// Never destroyed: a search may still run in a thread that outlives the
// process's exit-time destructors.
const SearchClock& steady_search_clock() {
    static const SteadyClock* const clock = new SteadyClock;
    return *clock;
}

Deadline::Deadline(u64 timeout_ms, const SearchClock& clock) : clock_(&clock) {
    if (timeout_ms == 0) return;
    using std::chrono::milliseconds;
    const SearchClock::TimePoint now = clock.now();
    // Milliseconds left before the clock's largest instant.
    const i64 max_ticks = SearchClock::TimePoint::max().time_since_epoch().count();
    const i64 now_ticks = now.time_since_epoch().count();
    const i64 room_ticks = now_ticks >= 0 ? max_ticks - now_ticks : max_ticks;
    const i64 room_ms =
        std::chrono::duration_cast<milliseconds>(SearchClock::TimePoint::duration(room_ticks))
            .count();
    if (timeout_ms > static_cast<u64>(room_ms)) return;
    at_ = now + milliseconds(static_cast<milliseconds::rep>(timeout_ms));
}

}  // namespace vdz
