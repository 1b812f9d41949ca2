// A delay that keeps dispatching the GUI thread's events while it waits.
#pragma once

#include <cstdint>

// The unit of a delayPumping interval.
enum DelayUnit : std::int32_t {
    DelayMilliseconds = 0,
    DelayMicroseconds = 1,
    DelaySeconds = 2,
    DelayMinutes = 3,
    DelayHours = 4,
    DelayDays = 5,
};

// x truncated toward zero, whatever the floating-point rounding mode; the
// caller's floating-point environment is left as it was. NaN gives 0 and
// values beyond the int64 range saturate.
std::int64_t floatToInt64(double x);

// The relative due time, in 100 ns units (negative), of a waitable timer for
// interval units of the given code.
std::int64_t dueTimeFor(std::int32_t interval, std::int32_t unit);

// Waits interval units on a waitable timer, processing pending events each
// time input arrives. Returns at once for an interval below 1, and when the
// timer cannot be created or the wait fails.
void delayPumping(std::int32_t interval, std::int32_t unit);
