// A fixture for the handler tests: the process-wide state as start-up leaves
// it, the simulation reset, and no enforcement worker left running between
// tests (the simulation's reset would otherwise wait for it and give up).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "app/state.h"
#include "lock/enforcer.h"
#include "tests/sim/sim.h"

namespace sim {

// Spins until pred holds or the generous deadline has passed; true when it
// held. For waiting on another thread, never for measuring time.
inline bool waitUntil(const std::function<bool()>& pred, int deadlineMs = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

// True while a thread that the default CreateThread started is still running.
inline bool threadRunning(::sys::Handle thread) {
    std::uint32_t code = 0;
    return ::sys::GetExitCodeThread(thread, &code) && code == ::sys::kStillActive;
}

class StateTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::reset();
        freshState();
    }
    void TearDown() override {
        // A worker still running would keep writing while the hooks go.
        sim::sys.GetExitCodeThread = nullptr;
        sim::sys.MsgWaitForMultipleObjects = nullptr;
        sim::sys.DispatchSentMessages = nullptr;
        stopThread(enforcerThread.exchange(0));
        sim::reset();
        freshState();
    }
    static void freshState() {
        LockState = Idle;
        TargetWindow = NoTarget;
        targetProcessId = 0;
        enforcerThread = 0;
        releasePasswordText();
    }
};

}  // namespace sim
