// Counting work in pieces of any size reads the clock once each time the
// count passes a multiple of the interval, however far one piece carries it.
#include "search/deadline.h"

#include <gtest/gtest.h>

#include <vector>

#include "fake_clock.h"

namespace vdz {
namespace {

TEST(Deadline, PiecesOfWorkReadTheClockAtEachIntervalTheyPass) {
    constexpr u64 I = Deadline::CHECK_INTERVAL;
    struct Case {
        const char* name;
        std::vector<u64> pieces;
        u64 reads;  // after the start's
    };
    const Case cases[] = {
        {"one short of the interval", {I - 1}, 0},
        {"then one more", {I - 1, 1}, 1},
        {"one piece over several intervals", {5 * I}, 1},
        {"pieces across two boundaries", {I / 2, I, I / 2}, 2},
        {"empty pieces", {0, 0, I - 1, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::FakeClock clock;
        Deadline deadline(50, clock);
        for (const u64 units : c.pieces)
            EXPECT_FALSE(deadline.advance(units));
        EXPECT_EQ(deadline.clock_reads(), c.reads);
        EXPECT_EQ(clock.reads, c.reads + 1);
    }

    // Past the deadline, the next read tells, and every later call answers
    // without reading again.
    test::FakeClock clock;
    clock.jump_after_reads = 1;
    Deadline deadline(50, clock);
    EXPECT_FALSE(deadline.advance(I - 1));
    EXPECT_TRUE(deadline.advance(1));
    EXPECT_TRUE(deadline.advance(3 * I));
    EXPECT_TRUE(deadline.step());
    EXPECT_EQ(clock.reads, 2u);

    // Without a time limit nothing is counted or read.
    test::FakeClock idle;
    Deadline none(0, idle);
    EXPECT_FALSE(none.advance(10 * I));
    EXPECT_EQ(idle.reads, 0u);
}

}  // namespace
}  // namespace vdz
