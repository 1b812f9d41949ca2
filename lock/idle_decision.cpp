#include "lock/idle_decision.h"

#include "app/state.h"

std::int32_t idleMilliseconds(std::int32_t now, std::uint32_t lastInput) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(now) - lastInput);
}

bool lockConditionHolds(std::int32_t idleMs, std::int32_t limitMinutes, sys::Handle target,
                        std::int32_t lockState) {
    const double beyond = static_cast<double>(idleMs) - static_cast<double>(limitMinutes) * 60000.0;
    return beyond > 1e-7 && target != NoTarget && lockState == Idle;
}
