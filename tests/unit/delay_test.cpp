#include "target/delay.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <climits>
#include <cmath>
#include <deque>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "tests/sim/sim.h"

namespace {

constexpr std::int64_t I64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t I64Min = std::numeric_limits<std::int64_t>::min();

struct FloatCase {
    double x;
    std::int64_t expected;
};

const FloatCase floatCases[] = {
    {2.7, 2},
    {-2.7, -2},
    {2.9, 2},
    {-2.9, -2},
    {2.5, 2},
    {-2.5, -2},
    {0.5, 0},
    {-0.5, 0},
    {-0.0, 0},
    {3.0, 3},
    {4503599627370495.5, 4503599627370495},  // 2^52 - 0.5: the last halves
    {-4503599627370495.5, -4503599627370495},
    {9007199254740994.0, 9007199254740994},  // 2^53 + 2
    {-9007199254740994.0, -9007199254740994},
    {4611686018427387904.0, 4611686018427387904},  // 2^62
    {-9223372036854775808.0, I64Min},              // -2^63 fits exactly
    {9223372036854775808.0, I64Max},               // 2^63 does not
    {1e300, I64Max},
    {-1e300, I64Min},
    {std::numeric_limits<double>::infinity(), I64Max},
    {-std::numeric_limits<double>::infinity(), I64Min},
};

TEST(FloatToInt64, TruncatesTowardZero) {
    for (const auto& c : floatCases) EXPECT_EQ(floatToInt64(c.x), c.expected) << c.x;
}

TEST(FloatToInt64, IgnoresAndKeepsTheRoundingMode) {
    for (int mode : {FE_UPWARD, FE_TONEAREST, FE_DOWNWARD, FE_TOWARDZERO}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        for (const auto& c : floatCases) {
            EXPECT_EQ(floatToInt64(c.x), c.expected) << c.x << " mode " << mode;
            EXPECT_EQ(std::fegetround(), mode) << c.x;
        }
    }
    std::fesetround(FE_TONEAREST);
}

TEST(FloatToInt64, RaisesNoInvalidOperation) {
    // A plain cast of an out-of-range value would raise it.
    for (double x : {1e300, -1e300, 9223372036854775808.0, 2.7}) {
        std::feclearexcept(FE_ALL_EXCEPT);
        floatToInt64(x);
        EXPECT_FALSE(std::fetestexcept(FE_INVALID)) << x;
    }
}

TEST(FloatToInt64, NotANumberGivesZero) {
    EXPECT_EQ(floatToInt64(std::numeric_limits<double>::quiet_NaN()), 0);
}

struct DueCase {
    std::int32_t interval;
    std::int32_t unit;
    std::int64_t expected;
};

TEST(DueTimeFor, EveryUnit) {
    const DueCase cases[] = {
        {250, DelayMilliseconds, -2500000},
        {1, DelayMilliseconds, -10000},
        {1, DelayMicroseconds, -10},
        {7, DelayMicroseconds, -70},
        {2000, DelaySeconds, -20000000000},
        {1, DelaySeconds, -10000000},
        {1, DelayMinutes, -600000000},
        {2, DelayHours, -72000000000},
        {1, DelayDays, -864000000000},
        {INT_MAX, DelayMilliseconds, -21474836470000},
        {INT_MAX, DelayMicroseconds, -21474836470},
        {10000000, DelayDays, -8640000000000000000},
        {INT_MAX, DelayDays, I64Min},  // beyond the range: saturates
        {-5, DelaySeconds, 50000000},  // delayPumping never asks, but the formula holds
        {250, 6, -2500000},            // unknown codes count as milliseconds
        {250, -1, -2500000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dueTimeFor(c.interval, c.unit), c.expected) << c.interval << " unit " << c.unit;
}

// A scripted waitable-timer host. Each created timer gets a fresh handle and
// a script of wait results; everything that happens is logged in order.
class DelayPumpingTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::reset();
        sim::sys.CreateWaitableTimerA = [this](sys::Bool manualReset) -> sys::Handle {
            log.push_back("create");
            EXPECT_EQ(manualReset, 0);
            if (failCreate) return 0;
            const sys::Handle h = nextTimer++;
            open[h] = true;
            return h;
        };
        sim::sys.SetWaitableTimer = [this](sys::Handle t, const std::int64_t* due,
                                           std::int32_t period) -> sys::Bool {
            log.push_back("set " + std::to_string(t) + " " + std::to_string(*due) + " " +
                          std::to_string(period));
            return 1;
        };
        sim::sys.MsgWaitForMultipleObjects = [this](std::uint32_t n, const sys::Handle* hs,
                                                    sys::Bool all, std::uint32_t ms,
                                                    std::uint32_t mask) -> std::uint32_t {
            EXPECT_EQ(n, 1u);
            EXPECT_EQ(all, 0);
            EXPECT_EQ(ms, sys::kInfinite);
            EXPECT_EQ(mask, 255u);
            const sys::Handle t = hs[0];
            log.push_back("wait " + std::to_string(t));
            EXPECT_TRUE(open[t]) << "wait on a closed timer";
            auto& script = scripts[t];
            if (script.empty()) {
                ADD_FAILURE() << "waited past the end of the script of " << t;
                return sys::kWaitObject0;
            }
            const std::uint32_t r = script.front();
            script.pop_front();
            return r;
        };
        sim::sys.CloseHandle = [this](sys::Handle h) -> sys::Bool {
            log.push_back("close " + std::to_string(h));
            EXPECT_TRUE(open[h]) << "closed twice or never opened: " << h;
            open[h] = false;
            return 1;
        };
        sim::ui.processEvents = [this] {
            log.push_back("events");
            if (onEvents) onEvents();
        };
    }
    void TearDown() override { sim::reset(); }

    using Log = std::vector<std::string>;
    Log log;
    std::map<sys::Handle, std::deque<std::uint32_t>> scripts;
    std::map<sys::Handle, bool> open;
    sys::Handle nextTimer = 70;
    bool failCreate = false;
    std::function<void()> onEvents;
};

TEST_F(DelayPumpingTest, NoTimerForIntervalBelowOne) {
    for (std::int32_t interval : {0, -1, INT_MIN})
        for (std::int32_t unit = 0; unit <= 5; ++unit) delayPumping(interval, unit);
    EXPECT_EQ(log, Log{});
    EXPECT_TRUE(sim::journal.lines().empty());
}

TEST_F(DelayPumpingTest, ProcessesEventsOnEveryWakeUntilDue) {
    scripts[70] = {1, 1, 0x80, 258, 0};
    delayPumping(250, DelayMilliseconds);
    EXPECT_EQ(log, (Log{"create", "set 70 -2500000 0", "wait 70", "events", "wait 70", "events",
                        "wait 70", "events", "wait 70", "events", "wait 70", "close 70"}));
}

TEST_F(DelayPumpingTest, DueAtOnceProcessesNothing) {
    scripts[70] = {0};
    delayPumping(1, DelayMicroseconds);
    EXPECT_EQ(log, (Log{"create", "set 70 -10 0", "wait 70", "close 70"}));
}

TEST_F(DelayPumpingTest, DueTimeFollowsTheUnit) {
    const DueCase cases[] = {
        {2000, DelaySeconds, -20000000000},
        {3, DelayMinutes, -1800000000},
        {1, DelayHours, -36000000000},
        {1, DelayDays, -864000000000},
    };
    for (const auto& c : cases) {
        log.clear();
        scripts[nextTimer] = {0};
        const sys::Handle t = nextTimer;
        delayPumping(c.interval, c.unit);
        ASSERT_EQ(log.size(), 4u);
        EXPECT_EQ(log[1], "set " + std::to_string(t) + " " + std::to_string(c.expected) + " 0");
    }
}

TEST_F(DelayPumpingTest, FailedCreateReturnsWithoutWaiting) {
    failCreate = true;
    delayPumping(5, DelaySeconds);
    EXPECT_EQ(log, Log{"create"});
}

TEST_F(DelayPumpingTest, FailedWaitClosesTheTimerAndReturns) {
    scripts[70] = {1, sys::kWaitFailed};
    delayPumping(5, DelaySeconds);
    EXPECT_EQ(log,
              (Log{"create", "set 70 -50000000 0", "wait 70", "events", "wait 70", "close 70"}));
}

TEST_F(DelayPumpingTest, NestedDelayClosesEachTimerOnceInnerFirst) {
    // The outer timer becomes due while the inner wait runs; it stays
    // signalled and the outer wait returns after the inner call finishes.
    scripts[70] = {1, 0};
    scripts[71] = {1, 0};
    int depth = 0;
    onEvents = [&] {
        if (depth++ == 0) delayPumping(2000, DelaySeconds);
    };
    delayPumping(2000, DelaySeconds);
    EXPECT_EQ(log, (Log{"create", "set 70 -20000000000 0", "wait 70", "events", "create",
                        "set 71 -20000000000 0", "wait 71", "events", "wait 71", "close 71",
                        "wait 70", "close 70"}));
}

}  // namespace
