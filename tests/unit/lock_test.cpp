// The lock decision, the idle tick and the enforcement worker.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "app/state.h"
#include "app/texts.h"
#include "lock/close_guard.h"
#include "lock/enforcer.h"
#include "lock/idle_decision.h"
#include "lock/idle_tick.h"
#include "lock/unlock.h"
#include "tests/sim/state_fixture.h"

namespace {

constexpr sys::Handle Picked = 0x1234;

// ---------------------------------------------------------------- decision

struct IdleCase {
    std::int32_t now;
    std::uint32_t lastInput;
    std::int32_t idle;
};

TEST(IdleMilliseconds, IsTheWrappingDifferenceAsASignedValue) {
    const IdleCase cases[] = {
        {160001, 100000, 60001},
        {1000, 1000, 0},
        {100, 0xFFFFFF00u, 356},            // the counter wrapped after the last input
        {5, 0xFFFFFFFFu, 6},                // one millisecond before the wrap
        {INT32_MIN + 10, 0x7FFFFFF0u, 26},  // the signed reading crosses its sign
        {INT32_MAX, 0, INT32_MAX},          // the largest idle time there is
        {-1, 0, -1},                        // 2^32 - 1 ms reads as -1
        {0, 1, -1},                         // input stamped after "now"
    };
    for (const auto& c : cases)
        EXPECT_EQ(idleMilliseconds(c.now, c.lastInput), c.idle) << c.now << " " << c.lastInput;
}

struct DecisionCase {
    std::int32_t idle;
    std::int32_t limit;
    sys::Handle target;
    std::int32_t state;
    bool locks;
};

TEST(LockCondition, Table) {
    const DecisionCase cases[] = {
        // Strictly beyond the limit.
        {60000, 1, Picked, Idle, false},
        {60001, 1, Picked, Idle, true},
        {120000, 2, Picked, Idle, false},
        {120001, 2, Picked, Idle, true},
        // Limits of zero (also what a text of letters converts to) and below.
        {1, 0, Picked, Idle, true},
        {0, 0, Picked, Idle, false},
        {-1, 0, Picked, Idle, false},
        {1, -5, Picked, Idle, true},
        {0, -5, Picked, Idle, true},
        // Nothing picked: never, however long.
        {INT32_MAX, 0, NoTarget, Idle, false},
        {INT32_MAX, -5, NoTarget, Idle, false},
        // The null handle is a picked target.
        {60001, 1, 0, Idle, true},
        {60001, 1, 0xFFFFFFFFu, Idle, true},
        // Only from Idle.
        {INT32_MAX, 0, Picked, Locked, false},
        {INT32_MAX, 0, Picked, UnlockGranted, false},
        {INT32_MAX, 0, Picked, 0, false},
        // limit x 60000 leaves the 32-bit range: computed without wrapping.
        {INT32_MAX, 35791, Picked, Idle, true},
        {INT32_MAX, 35792, Picked, Idle, false},
        {INT32_MAX, INT32_MAX, Picked, Idle, false},
        {INT32_MIN, INT32_MIN, Picked, Idle, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lockConditionHolds(c.idle, c.limit, c.target, c.state), c.locks)
            << "idle " << c.idle << " limit " << c.limit << " target " << c.target << " state "
            << c.state;
}

// ---------------------------------------------------------------- idle tick

class IdleTickTest : public sim::StateTest {
protected:
    void SetUp() override {
        sim::StateTest::SetUp();
        sim::ui.getText = [this](ControlName c) -> Text {
            if (c == ControlName::编辑框1) return password;
            if (c == ControlName::编辑框2) return limit;
            return "unexpected";
        };
        sim::ui.uptimeMs = [this] { return now; };
        sim::ui.getWindowState = [this](WindowName w) {
            return w == WindowName::MainWindow ? windowState : -1;
        };
        sim::sys.GetLastInputInfo = [this](sys::LastInputInfo* info) -> sys::Bool {
            EXPECT_EQ(info->cbSize, 8u);
            EXPECT_EQ(info->dwTime, 0u) << "the record is not zeroed";
            if (!inputKnown) return 0;
            info->dwTime = lastInput;
            return 1;
        };
        sim::sys.CreateThread = [this](sys::ThreadRoutine routine, std::uintptr_t parameter,
                                       std::uint32_t*) -> sys::Handle {
            EXPECT_EQ(routine, &enforceLock);
            EXPECT_EQ(parameter, 0u);
            stateWhenStarted.push_back(LockState);
            return nextThread;
        };
        sim::sys.CloseHandle = [this](sys::Handle h) -> sys::Bool {
            closed.push_back(h);
            return 1;
        };
        sim::sys.ShowWindowAsync = [this](sys::Handle w, std::int32_t c) -> sys::Bool {
            shown.push_back({w, c});
            return 1;
        };
    }

    // Idle time beyond any limit used here, or none.
    void awayLong() {
        now = 10000000;
        lastInput = 0;
    }
    void justTouched() {
        now = 10000000;
        lastInput = 10000000;
    }

    Text password = "480957";
    Text limit = "1";
    std::int32_t now = 0;
    std::uint32_t lastInput = 0;
    bool inputKnown = true;
    int windowState = 0;
    sys::Handle nextThread = 0x88;
    std::vector<std::int32_t> stateWhenStarted;
    std::vector<sys::Handle> closed;
    std::vector<std::pair<sys::Handle, std::int32_t>> shown;
};

const std::string captionNoTarget = std::string("caption MainWindow ") + texts::kCaptionNoTarget;
const std::string captionWaiting = std::string("caption MainWindow ") + texts::kCaptionWaiting;

TEST_F(IdleTickTest, CaptionOnEveryTickInEveryState) {
    struct Case {
        sys::Handle target;
        std::int32_t state;
        const std::string& caption;
    };
    const Case cases[] = {
        {NoTarget, Idle, captionNoTarget},
        {NoTarget, Locked, captionNoTarget},
        {NoTarget, UnlockGranted, captionNoTarget},
        {Picked, Idle, captionWaiting},
        {Picked, Locked, captionWaiting},
        {Picked, UnlockGranted, captionWaiting},
        {0, Idle, captionWaiting},
    };
    justTouched();
    for (const auto& c : cases) {
        sim::journal.clear();
        TargetWindow = c.target;
        LockState = c.state;
        idleTick();
        idleTick();
        EXPECT_EQ(sim::journal.count(c.caption), 2u) << c.target << " state " << c.state;
        EXPECT_EQ(
            sim::journal.count(c.caption == captionWaiting ? captionNoTarget : captionWaiting), 0u);
    }
}

TEST_F(IdleTickTest, PasswordCopyIsRefreshedEachTick) {
    justTouched();
    password = "first";
    idleTick();
    const auto held = readPasswordText();
    EXPECT_EQ(*held, "first");

    password = "second";
    idleTick();
    EXPECT_EQ(*readPasswordText(), "second");
    EXPECT_EQ(*held, "first") << "a reader's copy must outlive the replacement";

    password = "";
    idleTick();
    EXPECT_EQ(*readPasswordText(), "");
}

TEST_F(IdleTickTest, MinimisedMainWindowIsHiddenInAnyState) {
    struct Case {
        int windowState;
        std::int32_t state;
        std::vector<std::string> journal;
    };
    const Case cases[] = {
        {0, Idle, {captionWaiting}},
        {3, Idle, {captionWaiting}},
        {2, Idle, {"visible MainWindow 0", captionWaiting}},
        // A locked tick disables first, then hides.
        {0, Locked, {"disabled MainWindow 1", captionWaiting}},
        {2, Locked, {"disabled MainWindow 1", "visible MainWindow 0", captionWaiting}},
        {2,
         UnlockGranted,
         {"visible MainWindow 0", captionWaiting, "disabled MainWindow 0", "visible MainWindow 1"}},
    };
    justTouched();
    TargetWindow = Picked;
    for (const auto& c : cases) {
        sim::journal.clear();
        windowState = c.windowState;
        LockState = c.state;
        idleTick();
        EXPECT_EQ(sim::journal.lines(), c.journal) << c.windowState << " state " << c.state;
    }
    EXPECT_TRUE(stateWhenStarted.empty());
}

TEST_F(IdleTickTest, WhenTheLimitIsPassed) {
    struct Case {
        const char* limit;
        std::int32_t now;
        std::uint32_t lastInput;
        bool inputKnown;
        bool locks;
    };
    const Case cases[] = {
        {"1", 160001, 100000, true, true},
        {"1", 160000, 100000, true, false},
        {"0", 5001, 5000, true, true},
        {"0", 5000, 5000, true, false},
        {"abc", 5001, 5000, true, true},
        {"-5", 5001, 5000, true, true},
        {"2", 220001, 100000, true, true},
        {"2", 220000, 100000, true, false},
        // The counter wrapped between the last input and now.
        {"1", 59000, 0xFFFFFC17u, true, true},
        {"1", 59000, 0xFFFFFC18u, true, false},
        // No last-input time: the idle time is the uptime.
        {"1", 60001, 12345, false, true},
        {"1", 60000, 12345, false, false},
    };
    TargetWindow = Picked;
    for (const auto& c : cases) {
        LockState = Idle;
        stateWhenStarted.clear();
        limit = c.limit;
        now = c.now;
        lastInput = c.lastInput;
        inputKnown = c.inputKnown;
        idleTick();
        EXPECT_EQ(LockState, c.locks ? Locked : Idle)
            << c.limit << " " << c.now << " " << c.lastInput << " " << c.inputKnown;
        EXPECT_EQ(stateWhenStarted.size(), c.locks ? 1u : 0u) << c.limit << " " << c.now;
    }
}

TEST_F(IdleTickTest, NothingPickedNeverLocks) {
    awayLong();
    for (const char* l : {"0", "1", "-5"}) {
        limit = l;
        idleTick();
        idleTick();
    }
    EXPECT_EQ(LockState, Idle);
    EXPECT_TRUE(stateWhenStarted.empty());
}

TEST_F(IdleTickTest, LockStartsTheWorkerBeforeTheStateChanges) {
    awayLong();
    TargetWindow = Picked;
    idleTick();
    ASSERT_EQ(stateWhenStarted, std::vector<std::int32_t>{Idle});
    EXPECT_EQ(LockState, Locked);
    EXPECT_EQ(enforcerThread, 0x88u);

    // Locked now: further ticks disable MainWindow and start nothing more.
    sim::journal.clear();
    idleTick();
    EXPECT_EQ(stateWhenStarted.size(), 1u);
    EXPECT_EQ(sim::journal.lines().front(), "disabled MainWindow 1");
    EXPECT_TRUE(closed.empty());
}

TEST_F(IdleTickTest, FailedWorkerStillLocksAndCannotBeUnlocked) {
    awayLong();
    TargetWindow = Picked;
    nextThread = 0;
    password = "pw";
    idleTick();
    EXPECT_EQ(LockState, Locked);
    EXPECT_EQ(enforcerThread, 0u);

    sim::ui.inputBox = [](const Text&, const Text&, const Text&, Text& v, int) {
        v = "pw";
        return true;
    };
    trayUnlock();
    EXPECT_EQ(LockState, Locked);
    unlockPrompt(0);
    EXPECT_EQ(LockState, Locked);
}

TEST_F(IdleTickTest, UnlockGrantedTickRestoresMainWindowOnly) {
    // Away long enough to lock, yet the restoring tick must not lock again.
    awayLong();
    TargetWindow = Picked;
    LockState = UnlockGranted;
    idleTick();
    EXPECT_EQ(sim::journal.lines(), (std::vector<std::string>{
                                        captionWaiting,
                                        "disabled MainWindow 0",
                                        "visible MainWindow 1",
                                    }));
    EXPECT_EQ(LockState, Idle);
    EXPECT_FALSE(sim::record(WindowName::MainWindow).disabled);
    EXPECT_TRUE(sim::record(WindowName::MainWindow).visible);
    EXPECT_TRUE(shown.empty()) << "the target is never shown again";
    EXPECT_TRUE(stateWhenStarted.empty());

    // The next tick finds Idle and locks anew.
    idleTick();
    EXPECT_EQ(LockState, Locked);
}

TEST_F(IdleTickTest, NextLockReleasesThePreviousWorkerHandle) {
    awayLong();
    TargetWindow = Picked;
    nextThread = 0x111;
    idleTick();
    EXPECT_TRUE(closed.empty());

    LockState = UnlockGranted;  // as a matching password leaves it
    idleTick();
    ASSERT_EQ(LockState, Idle);
    EXPECT_TRUE(closed.empty());

    nextThread = 0x222;
    idleTick();
    EXPECT_EQ(LockState, Locked);
    EXPECT_EQ(enforcerThread, 0x222u);
    EXPECT_EQ(closed, std::vector<sys::Handle>{0x111});
}

// ---------------------------------------------------------------- worker

class EnforcerTest : public sim::StateTest {};

TEST_F(EnforcerTest, KeepsTargetAndMainWindowHiddenWhileLocked) {
    std::atomic<int> calls{0};
    std::atomic<sys::Handle> lastWindow{0};
    sim::sys.ShowWindowAsync = [&](sys::Handle w, std::int32_t c) -> sys::Bool {
        // The journal gives one order for this and the worker's property writes.
        sim::journal.add("ShowWindowAsync " + std::to_string(w) + " " + std::to_string(c));
        lastWindow = w;
        ++calls;
        return 1;
    };
    sim::record(WindowName::MainWindow).visible = true;
    LockState = Locked;
    TargetWindow = 0x4321;

    const sys::Handle worker = runEnforcer();
    ASSERT_NE(worker, 0u);
    ASSERT_TRUE(sim::waitUntil([&] { return calls >= 3; }));
    TargetWindow = 0x5555;  // read afresh on every pass
    ASSERT_TRUE(sim::waitUntil([&] { return lastWindow == 0x5555u; }));

    EXPECT_NE(stopThread(worker), 0);
    EXPECT_FALSE(sim::threadRunning(worker)) << "stopThread returned before the worker ended";

    // Passes of exactly: hide the target, hide MainWindow, disable MainWindow.
    const auto lines = sim::journal.lines();
    ASSERT_GE(lines.size(), 9u);
    ASSERT_EQ(lines.size() % 3, 0u);
    for (std::size_t i = 0; i < lines.size(); i += 3) {
        EXPECT_TRUE(lines[i] == "ShowWindowAsync " + std::to_string(0x4321) + " 0" ||
                    lines[i] == "ShowWindowAsync " + std::to_string(0x5555) + " 0")
            << lines[i];
        EXPECT_EQ(lines[i + 1], "visible MainWindow 0");
        EXPECT_EQ(lines[i + 2], "disabled MainWindow 1");
    }
    EXPECT_FALSE(sim::record(WindowName::MainWindow).visible);
    EXPECT_TRUE(sim::record(WindowName::MainWindow).disabled);
}

std::uint32_t finishAtOnce(std::uintptr_t) { return 7; }

TEST_F(EnforcerTest, StopThreadOfNoOrAnEndedThread) {
    EXPECT_EQ(stopThread(0), 0);
    EXPECT_EQ(stopThread(0xDEAD0), 0) << "a handle that names no thread";

    const sys::Handle ended = sys::CreateThread(finishAtOnce, 0, nullptr);
    ASSERT_TRUE(sim::waitUntil([&] { return !sim::threadRunning(ended); }));
    EXPECT_NE(stopThread(ended), 0);
}

TEST_F(EnforcerTest, AStoppedWorkerCanBeFollowedByANewOne) {
    std::atomic<int> calls{0};
    sim::sys.ShowWindowAsync = [&](sys::Handle, std::int32_t) -> sys::Bool {
        ++calls;
        return 1;
    };
    LockState = Locked;
    TargetWindow = Picked;
    const sys::Handle first = runEnforcer();
    ASSERT_TRUE(sim::waitUntil([&] { return calls > 0; }));
    ASSERT_NE(stopThread(first), 0);
    ASSERT_FALSE(sim::threadRunning(first));

    // A stop request left behind must not end the next lock's worker.
    const int before = calls;
    const sys::Handle second = runEnforcer();
    ASSERT_TRUE(sim::waitUntil([&] { return calls > before + 3; }));
    EXPECT_TRUE(sim::threadRunning(second));
    EXPECT_NE(stopThread(second), 0);
    EXPECT_FALSE(sim::threadRunning(second));
}

// ---------------------------------------------------------------- close guard

class CloseGuardTest : public sim::StateTest {
protected:
    void SetUp() override {
        sim::StateTest::SetUp();
        sim::ui.messageBox = [](const Text&) {
            sim::journal.add("closed");
            return 0;
        };
        sim::sys.GetCurrentProcess = [] {
            sim::journal.add("GetCurrentProcess");
            return sys::Handle{0xFFFFFFFFu};
        };
        sim::sys.OpenProcess = [this](std::uint32_t access, sys::Bool inherit, std::uint32_t pid) {
            sim::journal.add("OpenProcess " + std::to_string(access) + " " +
                             std::to_string(inherit) + " " + std::to_string(pid));
            return opened;
        };
        sim::sys.TerminateProcess = [this](sys::Handle h, std::uint32_t code) {
            sim::journal.add("TerminateProcess " + std::to_string(h) + " " + std::to_string(code));
            return terminated;
        };
        sim::sys.CloseHandle = [](sys::Handle h) {
            sim::journal.add("CloseHandle " + std::to_string(h));
            return sys::Bool{1};
        };
    }
    sys::Handle opened = 0x9C;
    sys::Bool terminated = 1;
};

const std::string forcedClose = std::string("messageBox ") + texts::kForcedClose;

TEST_F(CloseGuardTest, NotLockedDoesNothing) {
    targetProcessId = 4242;
    for (std::int32_t state : {Idle, UnlockGranted, 0}) {
        LockState = state;
        onMainWindowDestroying();
        EXPECT_TRUE(sim::journal.lines().empty()) << state;
    }
}

TEST_F(CloseGuardTest, LockedWarnsThenEndsTheTargetsProcess) {
    struct Case {
        std::uint32_t pid;
        sys::Handle opened;
        std::vector<std::string> afterBox;
    };
    const Case cases[] = {
        {4242, 0x9C, {"OpenProcess 1 0 4242", "TerminateProcess 156 0", "CloseHandle 156"}},
        // 0 is the utility itself, through its pseudo-handle.
        {0, 0x9C, {"GetCurrentProcess", "TerminateProcess 4294967295 0", "CloseHandle 4294967295"}},
        // The process is gone or may not be opened: nothing more.
        {4242, 0, {"OpenProcess 1 0 4242"}},
    };
    for (const auto& c : cases) {
        sim::journal.clear();
        LockState = Locked;
        targetProcessId = c.pid;
        opened = c.opened;
        onMainWindowDestroying();
        std::vector<std::string> expected{forcedClose, "closed"};
        expected.insert(expected.end(), c.afterBox.begin(), c.afterBox.end());
        EXPECT_EQ(sim::journal.lines(), expected) << c.pid << " " << c.opened;
        EXPECT_EQ(LockState, Locked);
    }
}

TEST_F(CloseGuardTest, TerminateProcessByIdReportsTheOutcome) {
    struct Case {
        std::uint32_t pid;
        sys::Handle opened;
        sys::Bool terminated;
        std::int32_t result;
    };
    const Case cases[] = {
        {4242, 0x9C, 1, 1},
        {4242, 0x9C, 0, 0},
        {4242, 0, 1, 0},
        {0, 0, 1, 1},  // the pseudo-handle needs no opening
    };
    for (const auto& c : cases) {
        sim::journal.clear();
        opened = c.opened;
        terminated = c.terminated;
        EXPECT_EQ(terminateProcessById(c.pid), c.result) << c.pid << " " << c.opened;
        // Whatever the outcome, a handle obtained is closed again.
        EXPECT_EQ(sim::journal.count("CloseHandle " +
                                     std::to_string(c.pid == 0 ? 0xFFFFFFFFu : c.opened)),
                  c.pid != 0 && c.opened == 0 ? 0u : 1u);
    }
}

}  // namespace
