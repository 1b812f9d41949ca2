#pragma once

#include <cstdint>

// MainWindow is being destroyed: while locked, warn, then end the program
// that owns the guarded window.
void onMainWindowDestroying();
// 0 names the utility itself. Non-zero when the process was terminated.
std::int32_t terminateProcessById(std::uint32_t processId);
