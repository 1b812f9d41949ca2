// The arithmetic of the idle tick, apart from the window system.
#pragma once

#include <cstdint>

#include "platform/syscalls.h"

// Milliseconds since the last input: the wrapping 32-bit difference of two
// tick counts, so the roll-over after 49.7 days is harmless.
std::int32_t idleMilliseconds(std::int32_t now, std::uint32_t lastInput);

// True when the user has been away strictly longer than the limit, a target
// has been picked and nothing is locked yet.
bool lockConditionHolds(std::int32_t idleMs, std::int32_t limitMinutes, sys::Handle target,
                        std::int32_t lockState);
