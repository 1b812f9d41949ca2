// The process-wide state every handler works on.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/syscalls.h"
#include "ui/text.h"

// LockState values. 0 only until MainWindow's created handler has run.
constexpr std::int32_t Idle = 1;
constexpr std::int32_t Locked = 2;
constexpr std::int32_t UnlockGranted = 3;

// The value of TargetWindow before the first pick; never stored again.
constexpr sys::Handle NoTarget = 1;

// Read by the enforcement worker and the prompt threads, written by the GUI
// thread and the prompt threads.
extern std::atomic<std::int32_t> LockState;
extern std::atomic<sys::Handle> TargetWindow;
extern std::atomic<std::uint32_t> targetProcessId;
extern std::atomic<sys::Handle> enforcerThread;

// The password copy the tick refreshes. A reader holds its own reference, so
// the copy it compares against stays alive while the tick replaces it.
std::shared_ptr<const Text> readPasswordText();
void storePasswordText(Text text);
void releasePasswordText();

// Start-up and shutdown.
int programEntry();
void onMainWindowCreated();
void exitCleanup();
