// Search clocks for tests. FakeClock stops a search at an exact step: it
// stands still until it has been read a given number of times, then reads
// an hour later, and counts its reads.
#pragma once

#include <chrono>
#include <limits>

#include "common/types.h"
#include "search/deadline.h"

namespace vdz::test {

class FakeClock final : public SearchClock {
  public:
    TimePoint now() const override {
        ++reads;
        return reads > jump_after_reads ? TimePoint(std::chrono::hours(1)) : TimePoint();
    }
    mutable u64 reads = 0;
    u64 jump_after_reads = std::numeric_limits<u64>::max();
};

// A search clock each read of which is an hour after the one before: every
// deadline set from it has passed at the first check, however many
// deadlines one call sets.
class RacingClock final : public SearchClock {
  public:
    TimePoint now() const override { return TimePoint(std::chrono::hours(++reads)); }
    mutable u64 reads = 0;
};

}  // namespace vdz::test
