#include <gtest/gtest.h>

#include <cstdint>

#include "shell/stopwatch.h"

namespace {
uint32_t fakeTicks = 0;
uint32_t readFakeTicks() { return fakeTicks; }

// Installs the fake clock at a given tick count and takes the first reading
// there, which makes it the origin.
class StopwatchTest : public ::testing::Test {
protected:
    void startAt(uint32_t ticks) {
        fakeTicks = ticks;
        setTickSource(readFakeTicks);
        EXPECT_EQ(now(), 0.0f);
    }
    void TearDown() override { setTickSource(nullptr); }
};
}  // namespace

// The program's only other tick source in this test binary: stands in for the
// back end's counter so that restoring the default can be seen.
uint32_t platformTicks() { return 5000; }

TEST_F(StopwatchTest, CountsFromTheFirstReadingWithMillisecondResolution) {
    // About 46 days of uptime: absolute seconds in a float would step by a
    // quarter of a second here.
    fakeTicks = 4000000000u;
    setTickSource(readFakeTicks);
    EXPECT_EQ(now(), 0.0f);
    fakeTicks += 1;
    EXPECT_EQ(now(), 0.001f);
    fakeTicks += 59999;
    EXPECT_EQ(now(), 60.0f);
}

TEST_F(StopwatchTest, ElapsedAndLap) {
    startAt(12345);
    Stopwatch watch{0.0f};
    fakeTicks += 250;
    EXPECT_EQ(lap(watch), 0.25f);
    EXPECT_EQ(watch.start, 0.25f);

    // Right after a lap nothing has elapsed while the counter stands still.
    EXPECT_EQ(elapsed(watch), 0.0f);

    fakeTicks += 1500;
    EXPECT_EQ(elapsed(watch), 1.5f);
    EXPECT_EQ(elapsed(watch), 1.5f) << "elapsed must not restart the stopwatch";
    EXPECT_EQ(watch.start, 0.25f);

    fakeTicks += 500;
    EXPECT_EQ(lap(watch), 2.0f);
    EXPECT_EQ(elapsed(watch), 0.0f);
    fakeTicks += 59999;
    EXPECT_LT(elapsed(watch), 60.0f);
    fakeTicks += 1;
    EXPECT_EQ(elapsed(watch), 60.0f);
}

TEST_F(StopwatchTest, KeepsRunningAcrossTheCounterWrap) {
    startAt(0xFFFFFF00u);
    Stopwatch watch{0.0f};
    lap(watch);
    fakeTicks += 0x200;  // wraps to 0x100
    EXPECT_EQ(fakeTicks, 0x100u);
    EXPECT_EQ(elapsed(watch), 0.512f);
    fakeTicks += 10000;
    EXPECT_EQ(elapsed(watch), 10.512f);
}

TEST_F(StopwatchTest, InstallingASourceMakesItsNextReadingTheOrigin) {
    startAt(700);
    fakeTicks = 1700;
    EXPECT_EQ(now(), 1.0f);
    startAt(90000);
    EXPECT_EQ(now(), 0.0f);
}

TEST_F(StopwatchTest, NullRestoresThePlatformCounter) {
    startAt(1);
    EXPECT_EQ(setTickSource(nullptr), &readFakeTicks);
    // platformTicks above stands still at 5000, the new origin.
    EXPECT_EQ(now(), 0.0f);
    EXPECT_EQ(setTickSource(nullptr), &platformTicks);
}
