// A search's time limit. The searches count their steps here and read the
// clock only every 1,024th step; the clock is an interface so that tests can
// stop a search at an exact step.
//
// A search stops at its first clock read past the deadline, whatever it
// holds, and returns the decks recorded so far: possibly none, which the
// caller reports as no deck. Every loop of a search counts its work here,
// so no search runs on for more than 1,024 steps past its deadline.
#pragma once

#include <chrono>
#include <optional>

#include "common/types.h"

namespace vdz {

// The monotonic clock a deadline reads.
class SearchClock {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~SearchClock() = default;
    virtual TimePoint now() const = 0;
};

// The process's steady clock; shared, stateless.
const SearchClock& steady_search_clock();

// Owned by one search run. Without a time limit it never reads the clock.
class Deadline {
  public:
    // Steps between two clock reads.
    static constexpr u64 CHECK_INTERVAL = 1024;

    // `timeout_ms` 0 means no deadline, and so does one so far away that the
    // clock can't represent it.
    Deadline(u64 timeout_ms, const SearchClock& clock);

    // Counts one step; on every 1,024th step reads the clock. True once the
    // deadline has passed (and on every later call).
    bool step() {
        if (!at_) return false;
        if (expired_) return true;
        if (++steps_ % CHECK_INTERVAL != 0) return false;
        ++clock_reads_;
        expired_ = clock_->now() >= *at_;
        return expired_;
    }

    // Counts `units` steps at once, for work whose pieces vary in size:
    // reads the clock when the count passes a multiple of 1,024, so a piece
    // of any size reads it at most once. True once the deadline has passed.
    bool advance(u64 units) {
        if (!at_) return false;
        if (expired_) return true;
        const u64 before = steps_;
        steps_ += units;
        if (steps_ / CHECK_INTERVAL == before / CHECK_INTERVAL) return false;
        ++clock_reads_;
        expired_ = clock_->now() >= *at_;
        return expired_;
    }

    // Reads the clock now, for the few places that check once per large
    // piece of work. True once the deadline has passed.
    bool reached() {
        if (!at_ || expired_) return expired_;
        ++clock_reads_;
        expired_ = clock_->now() >= *at_;
        return expired_;
    }

    bool has_limit() const { return at_.has_value(); }
    bool expired() const { return expired_; }
    u64 clock_reads() const { return clock_reads_; }

  private:
    const SearchClock* clock_;
    std::optional<SearchClock::TimePoint> at_;
    u64 steps_ = 0;        // steps counted since the start
    u64 clock_reads_ = 0;  // reads of the clock
    bool expired_ = false;
};

}  // namespace vdz
