#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <climits>
#include <cstdint>
#include <vector>

#include "app/names.h"
#include "hotkey/poller.h"
#include "hotkey/registry.h"
#include "tests/sim/sim.h"

namespace {

constexpr std::int32_t F2 = names::kF2;
constexpr std::int32_t F3 = 114;
constexpr std::int32_t KeyA = 65;
constexpr std::int32_t RightWin = 92;
constexpr std::int16_t Down = static_cast<std::int16_t>(0x8000);
constexpr std::int16_t Up = 0;
constexpr std::int16_t Tapped = 1;  // up now, pressed since the last query

// Callbacks are plain function pointers, so what they see goes to globals.
std::vector<std::int32_t> firedA;
std::vector<std::int32_t> firedB;
void callbackA(std::int32_t id) { firedA.push_back(id); }
void callbackB(std::int32_t id) { firedB.push_back(id); }

struct TimerCall {
    sys::Handle window;
    std::uintptr_t id;
    std::uint32_t period;
    sys::TimerProc proc;
};

class HotkeyTest : public ::testing::Test {
protected:
    void SetUp() override { fresh(); }
    void TearDown() override {
        releaseHotkeyTable();
        createHotkeyTable();
        sim::reset();
    }

    // A new table, a keyboard with every key up and no calls seen; table-driven
    // tests call it once per case.
    void fresh() {
        sim::reset();
        releaseHotkeyTable();
        createHotkeyTable();
        firedA.clear();
        firedB.clear();
        keys.fill(Up);
        queried.clear();
        timers.clear();
        threadsStarted.clear();
        handlesClosed.clear();
        sim::sys.GetAsyncKeyState = [this](std::int32_t k) -> std::int16_t {
            queried.push_back(k);
            return k >= 0 && k < 256 ? keys[k] : 0;
        };
        sim::sys.SetTimer = [this](sys::Handle w, std::uintptr_t id, std::uint32_t ms,
                                   sys::TimerProc proc) -> std::uintptr_t {
            timers.push_back({w, id, ms, proc});
            return 7;
        };
        // Threads run their routine at once on this thread, so the tests stay
        // deterministic; one test below uses the real threads of the simulation.
        sim::sys.CreateThread = [this](sys::ThreadRoutine routine, std::uintptr_t parameter,
                                       std::uint32_t*) -> sys::Handle {
            const sys::Handle h = 0x500 + 4 * static_cast<sys::Handle>(threadsStarted.size());
            threadsStarted.push_back(h);
            routine(parameter);
            return h;
        };
        sim::sys.CloseHandle = [this](sys::Handle h) -> sys::Bool {
            handlesClosed.push_back(h);
            return h != 0;
        };
    }

    HotkeyRecord& record(std::size_t position) { return *(*hotkeyTable())[position]; }
    std::size_t recordCount() { return hotkeyTable()->size(); }

    // Sets the keyboard, runs one poll.
    void poll(std::initializer_list<std::pair<std::int32_t, std::int16_t>> changes = {}) {
        for (const auto& c : changes) keys[c.first] = c.second;
        pollHotkeys();
    }

    std::array<std::int16_t, 256> keys{};
    std::vector<std::int32_t> queried;
    std::vector<TimerCall> timers;
    std::vector<sys::Handle> threadsStarted;
    std::vector<sys::Handle> handlesClosed;
};

// ---------------------------------------------------------------- registry

using RegisterHotkey = HotkeyTest;

TEST_F(RegisterHotkey, FirstRecordGetsTheFirstIdAndStartsTheTimer) {
    EXPECT_EQ(registerHotkey(callbackA, F2), 1000001);
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].window, 0u);
    EXPECT_EQ(timers[0].id, 16661u);
    EXPECT_EQ(timers[0].period, 10u);
    EXPECT_EQ(timers[0].proc, &hotkeyPollTimerProc);

    ASSERT_EQ(recordCount(), 1u);
    const HotkeyRecord& r = record(0);
    EXPECT_EQ(r.id, 1000001);
    EXPECT_EQ(r.callback, &callbackA);
    EXPECT_EQ(r.keyCode, F2);
    EXPECT_EQ(r.modifiers, 0);
    EXPECT_EQ(r.secondKey, 0);
    EXPECT_EQ(r.pressState, 0);
    EXPECT_EQ(r.callDirectly, 0);
}

TEST_F(RegisterHotkey, StoresEveryArgumentOfANewRecord) {
    EXPECT_EQ(registerHotkey(callbackB, -369, 6, 300, 0, 5), 1000001);
    const HotkeyRecord& r = record(0);
    EXPECT_EQ(r.callback, &callbackB);
    EXPECT_EQ(r.keyCode, -369);
    EXPECT_EQ(r.modifiers, 6);
    EXPECT_EQ(r.secondKey, 300);
    EXPECT_EQ(r.pressState, 0);
    EXPECT_EQ(r.callDirectly, 5);
}

TEST_F(RegisterHotkey, PollPeriodOfTheFirstRecordSetsTheTimer) {
    struct Case {
        std::int32_t pollPeriod;
        std::uint32_t expected;
    };
    const Case cases[] = {{0, 10}, {-1, 10}, {INT_MIN, 10}, {1, 1}, {25, 25}, {1000, 1000}};
    for (const auto& c : cases) {
        fresh();
        registerHotkey(callbackA, F2, 0, 0, c.pollPeriod);
        ASSERT_EQ(timers.size(), 1u) << c.pollPeriod;
        EXPECT_EQ(timers[0].period, c.expected) << c.pollPeriod;
    }
}

TEST_F(RegisterHotkey, RefusesKeyCodesNamingNoKey) {
    for (std::int32_t code : {0, 256, -256, 512, 65536, INT_MIN}) {
        EXPECT_EQ(registerHotkey(callbackA, code, 0, 0, 25, 1), 0) << code;
        EXPECT_EQ(recordCount(), 0u) << code;
        EXPECT_TRUE(timers.empty()) << code;
    }
    EXPECT_EQ(registerHotkey(callbackA, F2, 0, 0, 25), 1000001);
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].period, 25u);
}

TEST_F(RegisterHotkey, SameCombinationUpdatesTheRecordOnly) {
    ASSERT_EQ(registerHotkey(callbackA, F2, 2, KeyA, 0, 0), 1000001);
    record(0).pressState = 88;  // the poller's, not to be touched

    EXPECT_EQ(registerHotkey(callbackB, F2, 2, KeyA, 50, 1), 1000001);
    ASSERT_EQ(recordCount(), 1u);
    EXPECT_EQ(record(0).callback, &callbackB);
    EXPECT_EQ(record(0).callDirectly, 1);
    EXPECT_EQ(record(0).keyCode, F2);
    EXPECT_EQ(record(0).modifiers, 2);
    EXPECT_EQ(record(0).secondKey, KeyA);
    EXPECT_EQ(record(0).pressState, 88);
    EXPECT_EQ(timers.size(), 1u);

    // And back to thread mode.
    EXPECT_EQ(registerHotkey(callbackA, F2, 2, KeyA, -3, 0), 1000001);
    EXPECT_EQ(record(0).callback, &callbackA);
    EXPECT_EQ(record(0).callDirectly, 0);
    EXPECT_EQ(timers.size(), 1u);
}

TEST_F(RegisterHotkey, CombinationsDifferingInAnyValueAsPassedAreSeparate) {
    // 113, -113 and 369 all poll F2 but are three combinations.
    EXPECT_EQ(registerHotkey(callbackA, F2), 1000001);
    EXPECT_EQ(registerHotkey(callbackA, -F2), 1000002);
    EXPECT_EQ(registerHotkey(callbackA, F2 + 256), 1000003);
    EXPECT_EQ(registerHotkey(callbackA, F2, 2), 1000004);
    EXPECT_EQ(registerHotkey(callbackA, F2, 0, KeyA), 1000005);
    EXPECT_EQ(registerHotkey(callbackA, F2, 0, KeyA + 256), 1000006);
    ASSERT_EQ(recordCount(), 6u);
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(record(i).id, 1000001 + static_cast<std::int32_t>(i));
    // Each finds its own record again.
    EXPECT_EQ(registerHotkey(callbackB, F2 + 256), 1000003);
    EXPECT_EQ(registerHotkey(callbackB, F2, 0, KeyA), 1000005);
    EXPECT_EQ(record(2).callback, &callbackB);
    EXPECT_EQ(record(4).callback, &callbackB);
    EXPECT_EQ(record(0).callback, &callbackA);
    EXPECT_EQ(recordCount(), 6u);
    EXPECT_EQ(timers.size(), 1u);
}

TEST_F(RegisterHotkey, LaterRecordsArePolledByTheRunningTimer) {
    registerHotkey(callbackA, F2, 0, 0, 30);
    EXPECT_EQ(registerHotkey(callbackB, F3, 0, 0, 5), 1000002);
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].period, 30u);

    keys[F3] = Down;
    timers[0].proc();
    EXPECT_EQ(firedB, std::vector<std::int32_t>{1000002});
    EXPECT_TRUE(firedA.empty());
}

TEST_F(RegisterHotkey, ARecreatedTableStartsAfreshAndReleasingTwiceIsHarmless) {
    registerHotkey(callbackA, F2);
    registerHotkey(callbackA, F3);
    releaseHotkeyTable();
    EXPECT_EQ(hotkeyTable(), nullptr);
    releaseHotkeyTable();
    createHotkeyTable();
    ASSERT_NE(hotkeyTable(), nullptr);
    EXPECT_EQ(recordCount(), 0u);
    EXPECT_EQ(registerHotkey(callbackB, F3), 1000001);
    EXPECT_EQ(timers.size(), 2u);
}

// ------------------------------------------------------------------ poller

using PollHotkeys = HotkeyTest;

TEST_F(PollHotkeys, TimerProcedureSnapshotsKeys1To255OncePerPoll) {
    registerHotkey(callbackA, F2);
    registerHotkey(callbackA, F3);
    registerHotkey(callbackA, -KeyA, 3, 20);
    ASSERT_EQ(timers.size(), 1u);

    std::vector<std::int32_t> expected;
    for (std::int32_t k = 1; k <= 255; ++k) expected.push_back(k);
    timers[0].proc();
    EXPECT_EQ(queried, expected);
    queried.clear();
    pollHotkeys();
    EXPECT_EQ(queried, expected);
}

TEST_F(PollHotkeys, SnapshotPutsKeyKAtIndexKMinus1AndLeavesTheLastEntryZero) {
    for (std::int32_t k = 0; k < 256; ++k) keys[k] = static_cast<std::int16_t>(k * 3 + 1);
    const KeySnapshot s = takeKeySnapshot();
    for (std::int32_t k = 1; k <= 255; ++k) EXPECT_EQ(s[k - 1], k * 3 + 1) << k;
    EXPECT_EQ(s[255], 0);
}

// Every row of the pressState transition table. The record's modifiers match
// (none held), so "tried" and "fired" coincide.
TEST_F(PollHotkeys, PressStateTransitionTable) {
    struct Case {
        std::uint8_t before;
        std::int16_t h;
        bool negativeCode;
        std::uint8_t after;
        bool fired;
    };
    const Case cases[] = {
        // pressState 0
        {0, Up, false, 0, false},
        {0, Up, true, 0, false},
        {0, Down, false, 88, true},
        {0, Down, true, 1, false},
        {0, Tapped, false, 0, false},
        {0, Tapped, true, 0, false},
        // pressState 1
        {1, Up, false, 88, true},
        {1, Up, true, 88, true},
        {1, Down, false, 88, true},
        {1, Down, true, 1, false},
        {1, Tapped, false, 88, true},
        {1, Tapped, true, 88, true},
        // pressState 88
        {88, Up, false, 0, false},
        {88, Up, true, 0, false},
        {88, Down, false, 88, false},
        {88, Down, true, 88, false},
        {88, Tapped, false, 88, false},
        {88, Tapped, true, 88, false},
    };
    for (const auto& c : cases) {
        fresh();
        registerHotkey(callbackA, c.negativeCode ? -F2 : F2);
        record(0).pressState = c.before;
        poll({{F2, c.h}});
        const auto where = ::testing::Message() << "before " << int(c.before) << " h " << c.h
                                                << (c.negativeCode ? " negative" : " positive");
        EXPECT_EQ(record(0).pressState, c.after) << where;
        EXPECT_EQ(firedA.size(), c.fired ? 1u : 0u) << where;
    }
}

TEST_F(PollHotkeys, ModifierMaskMustEqualTheRecordsModifiersExactly) {
    struct Case {
        std::vector<std::int32_t> held;
        std::int32_t modifiers;
        bool fires;
    };
    const Case cases[] = {
        {{}, 0, true},
        {{18}, 1, true},
        {{17}, 2, true},
        {{16}, 4, true},
        {{91}, 8, true},
        {{18, 17}, 3, true},
        {{16, 17, 18, 91}, 15, true},
        {{17}, 0, false},
        {{18}, 0, false},
        {{16}, 0, false},
        {{91}, 0, false},
        {{}, 2, false},
        {{17, 16}, 2, false},  // a superset is not enough
        {{17}, 6, false},
        {{RightWin}, 0, true},  // the right Windows key is no modifier
        {{RightWin}, 8, false},
        {{RightWin, 17}, 2, true},
        {{160, 162, 164}, 0, true},  // only the generic codes are read
        {{16, 17, 18, 91}, 16, false},
        {{}, -1, false},
        {{}, 16, false},
    };
    for (const auto& c : cases) {
        fresh();
        registerHotkey(callbackA, F2, c.modifiers);
        for (std::int32_t k : c.held) keys[k] = Down;
        poll({{F2, Down}});
        EXPECT_EQ(firedA.size(), c.fires ? 1u : 0u) << "modifiers " << c.modifiers;
        EXPECT_EQ(record(0).pressState, 88) << "modifiers " << c.modifiers;
    }
}

TEST_F(PollHotkeys, ModifierMaskCountsOnlyKeysDownNow) {
    KeySnapshot s{};
    s[18 - 1] = Down;
    s[17 - 1] = Tapped;  // released again: not held
    s[16 - 1] = static_cast<std::int16_t>(0x8001);
    s[91 - 1] = Down;
    s[92 - 1] = Down;
    EXPECT_EQ(modifierMask(s), 1 + 4 + 8);
}

TEST_F(PollHotkeys, ModifierHeldBeforeTheKeyUsesUpThePress) {
    registerHotkey(callbackA, F2);
    poll({{17, Down}});
    poll({{F2, Down}});
    EXPECT_TRUE(firedA.empty());
    poll({{17, Up}});  // F2 still down
    poll();
    EXPECT_TRUE(firedA.empty());
    poll({{F2, Up}});
    poll({{F2, Down}});
    EXPECT_EQ(firedA, std::vector<std::int32_t>{1000001});
}

TEST_F(PollHotkeys, ModifierPressedAfterTheKeyChangesNothing) {
    registerHotkey(callbackA, F2);
    poll({{F2, Down}});
    EXPECT_EQ(firedA.size(), 1u);
    poll({{17, Down}});
    poll({{17, Up}});
    poll();
    EXPECT_EQ(firedA.size(), 1u);
}

TEST_F(PollHotkeys, EachModifierSetFiresItsOwnRecordOnly) {
    registerHotkey(callbackA, F2, 0);
    registerHotkey(callbackB, F2, 2);
    poll({{17, Down}, {F2, Down}});
    EXPECT_TRUE(firedA.empty());
    EXPECT_EQ(firedB, std::vector<std::int32_t>{1000002});
    poll({{17, Up}, {F2, Up}});
    poll({{F2, Down}});
    EXPECT_EQ(firedA, std::vector<std::int32_t>{1000001});
    EXPECT_EQ(firedB.size(), 1u);
}

TEST_F(PollHotkeys, RightWindowsKeyDoesNotStopF2) {
    registerHotkey(callbackA, F2);
    poll({{RightWin, Down}, {F2, Down}});
    EXPECT_EQ(firedA.size(), 1u);
    poll({{F2, Up}});
    poll({{91, Down}, {RightWin, Up}, {F2, Down}});
    EXPECT_EQ(firedA.size(), 1u);
}

TEST_F(PollHotkeys, SecondKeyMustBeDownAtThePollThatTriesTheMainKey) {
    registerHotkey(callbackA, F2, 0, KeyA);
    poll({{KeyA, Down}});
    poll({{F2, Down}});
    EXPECT_EQ(firedA.size(), 1u);

    poll({{KeyA, Up}, {F2, Up}});
    poll({{F2, Down}});
    poll({{KeyA, Down}});  // too late for this press
    poll();
    EXPECT_EQ(firedA.size(), 1u);
    EXPECT_EQ(record(0).pressState, 88);

    poll({{KeyA, Tapped}, {F2, Up}});
    poll({{F2, Down}});  // a second key only tapped is not down
    EXPECT_EQ(firedA.size(), 1u);
}

TEST_F(PollHotkeys, SecondKeyIsNamedByItsLowEightBits) {
    registerHotkey(callbackA, F2, 0, -(KeyA + 256));
    poll({{KeyA, Down}, {F2, Down}});
    EXPECT_EQ(firedA.size(), 1u);
}

TEST_F(PollHotkeys, SecondKeyNamingNoKeyIsNeverDown) {
    for (std::int32_t second : {256, -256, 512}) {
        fresh();
        EXPECT_EQ(registerHotkey(callbackA, F2, 0, second), 1000001) << second;
        keys.fill(Down);  // every key that exists is down
        for (std::int32_t k : {16, 17, 18, 91}) keys[k] = Up;
        poll();
        EXPECT_TRUE(firedA.empty()) << second;
        EXPECT_EQ(record(0).pressState, 88) << second;
    }
}

TEST_F(PollHotkeys, KeyCodeIsPolledByItsLowEightBits) {
    registerHotkey(callbackA, F2 + 256);
    registerHotkey(callbackB, -(F2 + 512));
    poll({{F2, Down}});
    EXPECT_EQ(firedA, std::vector<std::int32_t>{1000001});
    EXPECT_TRUE(firedB.empty());
    poll({{F2, Up}});
    EXPECT_EQ(firedB, std::vector<std::int32_t>{1000002});
}

TEST_F(PollHotkeys, PressAndReleaseHotkeysOfTheSameKey) {
    registerHotkey(callbackA, F2);
    registerHotkey(callbackB, -F2);
    poll({{F2, Down}});
    EXPECT_EQ(firedA.size(), 1u);
    EXPECT_TRUE(firedB.empty());
    poll();
    poll();
    EXPECT_TRUE(firedB.empty());
    poll({{F2, Up}});
    EXPECT_EQ(firedA.size(), 1u);
    EXPECT_EQ(firedB, std::vector<std::int32_t>{1000002});
}

TEST_F(PollHotkeys, NegativeKeyCodeFiresOnReleaseWithTheModifiersHeldThen) {
    registerHotkey(callbackA, -F2, 0);
    registerHotkey(callbackB, -F2, 2);
    poll({{F2, Down}});  // no modifier while pressing
    poll({{17, Down}});
    poll();
    EXPECT_TRUE(firedA.empty());
    EXPECT_TRUE(firedB.empty());
    poll({{F2, Up}});
    EXPECT_TRUE(firedA.empty());
    EXPECT_EQ(firedB, std::vector<std::int32_t>{1000002});
    EXPECT_EQ(record(0).pressState, 88);
    EXPECT_EQ(record(1).pressState, 88);
    poll();
    EXPECT_EQ(record(0).pressState, 0);
    EXPECT_EQ(record(1).pressState, 0);
}

TEST_F(PollHotkeys, NegativeKeyCodeReleasedAndPressedAgainBetweenPolls) {
    registerHotkey(callbackA, -F2);
    poll({{F2, Down}});
    poll({{F2, Tapped}});  // came up, went down and up again in between
    EXPECT_EQ(firedA.size(), 1u);
    poll({{F2, Up}});
    EXPECT_EQ(firedA.size(), 1u);
}

TEST_F(PollHotkeys, PressAndReleaseBetweenPollsIsIgnored) {
    registerHotkey(callbackA, F2);
    registerHotkey(callbackB, -F3);
    poll({{F2, Tapped}, {F3, Tapped}});
    poll({{F2, Up}, {F3, Up}});
    EXPECT_TRUE(firedA.empty());
    EXPECT_TRUE(firedB.empty());
    EXPECT_EQ(record(0).pressState, 0);
    EXPECT_EQ(record(1).pressState, 0);
}

TEST_F(PollHotkeys, F2HeldFiresOnceAndAgainAfterRelease) {
    registerHotkey(callbackA, F2);
    keys[F2] = Down;
    for (int i = 0; i < 300; ++i) poll();
    EXPECT_EQ(firedA, std::vector<std::int32_t>{1000001});
    poll({{F2, Up}});
    EXPECT_EQ(firedA.size(), 1u);
    poll({{F2, Down}});
    EXPECT_EQ(firedA, (std::vector<std::int32_t>{1000001, 1000001}));
}

// ------------------------------------------------------------ firing modes

using HotkeyThreadMode = HotkeyTest;
using HotkeyDirectMode = HotkeyTest;

TEST_F(HotkeyThreadMode, OneThreadPerFiringItsHandleClosedAtOnce) {
    registerHotkey(callbackA, F2);
    poll({{F2, Down}});
    ASSERT_EQ(threadsStarted.size(), 1u);
    EXPECT_EQ(firedA, std::vector<std::int32_t>{1000001});
    EXPECT_EQ(handlesClosed, threadsStarted);

    poll();  // still held: nothing
    EXPECT_EQ(threadsStarted.size(), 1u);
    poll({{F2, Up}});
    poll({{F2, Down}});
    ASSERT_EQ(threadsStarted.size(), 2u);
    EXPECT_EQ(handlesClosed, threadsStarted);
    EXPECT_EQ(firedA, (std::vector<std::int32_t>{1000001, 1000001}));
}

TEST_F(HotkeyThreadMode, NoThreadForAPressThatDoesNotMatch) {
    registerHotkey(callbackA, F2);
    poll({{16, Down}, {F2, Down}});
    EXPECT_TRUE(threadsStarted.empty());
    EXPECT_TRUE(handlesClosed.empty());
}

TEST_F(HotkeyThreadMode, NeverCallsBackDirectly) {
    registerHotkey(callbackA, F2);
    int direct = 0;
    sim::sys.CallWindowProcA = [&](sys::HotkeyCallback, std::int32_t) -> std::intptr_t {
        ++direct;
        return 0;
    };
    poll({{F2, Down}});
    EXPECT_EQ(direct, 0);
    EXPECT_EQ(threadsStarted.size(), 1u);
}

TEST_F(HotkeyThreadMode, AFailedThreadLosesTheFiringOnly) {
    registerHotkey(callbackA, F2);
    sim::sys.CreateThread = [](sys::ThreadRoutine, std::uintptr_t, std::uint32_t*) -> sys::Handle {
        return 0;
    };
    poll({{F2, Down}});
    EXPECT_TRUE(firedA.empty());
    EXPECT_EQ(handlesClosed, std::vector<sys::Handle>{0});
    EXPECT_EQ(record(0).pressState, 88);
    poll();
    EXPECT_EQ(handlesClosed.size(), 1u);
}

std::atomic<std::int32_t> threadCallbackId{0};
std::atomic<int> threadCallbacks{0};
void countOnThread(std::int32_t id) {
    threadCallbackId = id;
    ++threadCallbacks;
}

TEST_F(HotkeyThreadMode, RunsTheCallbackOnARealThreadWithTheId) {
    sim::sys.CreateThread = nullptr;  // the simulation's own std::thread
    threadCallbacks = 0;
    threadCallbackId = 0;
    registerHotkey(countOnThread, F2);
    registerHotkey(countOnThread, F3);
    poll({{F3, Down}});
    ASSERT_TRUE(sim::joinThreads(5000));
    EXPECT_EQ(threadCallbacks.load(), 1);
    EXPECT_EQ(threadCallbackId.load(), 1000002);
    EXPECT_EQ(handlesClosed.size(), 1u);
    EXPECT_NE(handlesClosed[0], 0u);
}

// Direct-mode callbacks: plain functions that look at the table while they run.
std::vector<std::vector<std::uint8_t>> statesSeen;
void recordStates(std::int32_t id) {
    firedA.push_back(id);
    std::vector<std::uint8_t> states;
    for (const auto& r : *hotkeyTable()) states.push_back(r->pressState);
    statesSeen.push_back(states);
}

void appendF3(std::int32_t id) {
    firedA.push_back(id);
    registerHotkey(callbackB, F3, 0, 0, 0, 1);
}

int nestedPolls = 0;
void pollAgainInside(std::int32_t id) {
    firedA.push_back(id);
    // As when the callback pumps messages and the poll timer comes due.
    if (nestedPolls++ < 3) pollHotkeys();
}

TEST_F(HotkeyDirectMode, CallsBackSynchronouslyThroughCallWindowProcWithTheId) {
    std::vector<std::pair<sys::HotkeyCallback, std::int32_t>> calls;
    sim::sys.CallWindowProcA = [&](sys::HotkeyCallback cb, std::int32_t id) -> std::intptr_t {
        calls.emplace_back(cb, id);
        cb(id);
        return 99;
    };
    registerHotkey(callbackB, F3);
    registerHotkey(callbackA, F2, 0, 0, 0, 1);
    poll({{F2, Down}});
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, &callbackA);
    EXPECT_EQ(calls[0].second, 1000002);
    EXPECT_EQ(firedA, std::vector<std::int32_t>{1000002});
    EXPECT_TRUE(threadsStarted.empty());
    EXPECT_TRUE(handlesClosed.empty());
}

TEST_F(HotkeyDirectMode, ReturnsBeforeTheNextRecordIsExamined) {
    statesSeen.clear();
    registerHotkey(recordStates, F2, 0, 0, 0, 1);
    registerHotkey(recordStates, F3, 0, 0, 0, 1);
    poll({{F2, Down}, {F3, Down}});
    EXPECT_EQ(firedA, (std::vector<std::int32_t>{1000001, 1000002}));
    ASSERT_EQ(statesSeen.size(), 2u);
    // Its own record is used up before the call; the next one is untouched.
    EXPECT_EQ(statesSeen[0], (std::vector<std::uint8_t>{88, 0}));
    EXPECT_EQ(statesSeen[1], (std::vector<std::uint8_t>{88, 88}));
}

TEST_F(HotkeyDirectMode, RecordAppendedByACallbackIsExaminedFromTheNextPoll) {
    registerHotkey(appendF3, F2, 0, 0, 0, 1);
    poll({{F2, Down}, {F3, Down}});
    ASSERT_EQ(recordCount(), 2u);
    EXPECT_EQ(record(1).id, 1000002);
    EXPECT_EQ(record(1).pressState, 0);
    EXPECT_TRUE(firedB.empty());
    EXPECT_EQ(timers.size(), 1u);

    poll();
    EXPECT_EQ(firedB, std::vector<std::int32_t>{1000002});
    EXPECT_EQ(firedA, std::vector<std::int32_t>{1000001});
}

TEST_F(HotkeyDirectMode, APollInsideTheCallbackDoesNotFireTheSameRecordAgain) {
    nestedPolls = 0;
    registerHotkey(pollAgainInside, F2, 0, 0, 0, 1);
    poll({{F2, Down}});
    EXPECT_EQ(firedA, std::vector<std::int32_t>{1000001});
    EXPECT_EQ(nestedPolls, 1);
}

}  // namespace
