#pragma once

#include <cstdint>

#include "platform/syscalls.h"

// Starts the worker that keeps the target and MainWindow hidden (and
// MainWindow disabled) while locked; null on failure.
sys::Handle runEnforcer();
std::uint32_t enforceLock(std::uintptr_t parameter);

// Stops the worker and returns non-zero once it has ended.
std::int32_t stopThread(sys::Handle thread);
