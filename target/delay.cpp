#include "target/delay.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/syscalls.h"
#include "ui/services.h"

std::int64_t floatToInt64(double x) {
    // std::trunc is exact and ignores the rounding mode, and the cast of an
    // integral double in range is exact too, so the environment never needs
    // switching. Out-of-range casts are undefined, hence the clamps.
    if (std::isnan(x)) return 0;
    const double t = std::trunc(x);
    // 2^63 is exactly representable; anything at or above it does not fit.
    if (t >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
    if (t < -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(t);
}

std::int64_t dueTimeFor(std::int32_t interval, std::int32_t unit) {
    if (unit == DelayMicroseconds) return floatToInt64(static_cast<double>(interval) * -10.0);
    double m;
    switch (unit) {
        case DelaySeconds:
            m = 1000.0;
            break;
        case DelayMinutes:
            m = 60000.0;
            break;
        case DelayHours:
            m = 3600000.0;
            break;
        case DelayDays:
            m = 86400000.0;
            break;
        // No caller passes a code outside 0..5; such a code counts as
        // milliseconds rather than giving a zero (immediately due) wait.
        case DelayMilliseconds:
        default:
            m = 1.0;
            break;
    }
    // volatile keeps each product rounded to double, as the due time is defined,
    // even where the compiler would hold it in extended precision.
    volatile double product = static_cast<double>(interval) * m;
    product = product * -10000.0;
    return floatToInt64(product);
}

void delayPumping(std::int32_t interval, std::int32_t unit) {
    if (interval < 1) return;
    const std::int64_t due = dueTimeFor(interval, unit);

    const sys::Handle timer = sys::CreateWaitableTimerA(0);
    // Without a timer the wait below could never end.
    if (timer == 0) return;
    sys::SetWaitableTimer(timer, &due, 0);
    for (;;) {
        const std::uint32_t r =
            sys::MsgWaitForMultipleObjects(1, &timer, 0, sys::kInfinite, sys::kWakeMaskAllInput);
        if (r == sys::kWaitObject0) break;
        // A failed wait would fail again at once: give up rather than spin.
        if (r == sys::kWaitFailed) break;
        ui::processEvents();
    }
    sys::CloseHandle(timer);
}
