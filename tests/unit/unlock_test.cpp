// The two password prompts and the password comparison.
#include "lock/unlock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "app/state.h"
#include "app/texts.h"
#include "lock/enforcer.h"
#include "tests/sim/state_fixture.h"

namespace {

constexpr sys::Handle Worker = 0x777;

using Prompt = void (*)();
void f2Prompt() { unlockPrompt(1000001); }

struct Route {
    const char* name;
    Prompt run;
    int mode;
    bool showsMainFirst;
};
const Route routes[] = {
    {"F2", f2Prompt, 1, true},
    {"tray", trayUnlock, 4, false},
};

const std::string notLocked = std::string("messageBox ") + texts::kNotLocked;
const std::string restoredVisible = "visible MainWindow 1";
const std::string restoredState = "windowState MainWindow 0";
std::string askLine(int mode) {
    return std::string("inputBox ") + texts::kPromptPassword + " " + texts::kPromptTitle + " " +
           std::to_string(mode);
}

class UnlockTest : public sim::StateTest {
protected:
    void SetUp() override {
        sim::StateTest::SetUp();
        // The user's answer: a text, or a cancel.
        sim::ui.inputBox = [this](const Text& prompt, const Text& title, const Text& initial,
                                  Text& variable, int) {
            EXPECT_EQ(prompt, texts::kPromptPassword);
            EXPECT_EQ(title, texts::kPromptTitle);
            EXPECT_EQ(initial, "");
            EXPECT_EQ(variable, "") << "the entry starts out absent";
            if (cancel) return false;
            variable = entry;
            return true;
        };
    }

    // A stop that succeeds without any real thread, counted.
    void fakeWorker() {
        enforcerThread = Worker;
        sim::sys.GetExitCodeThread = [this](sys::Handle h, std::uint32_t* code) -> sys::Bool {
            stopsAsked.push_back(h);
            *code = sys::kStillActive;
            return 1;
        };
        sim::sys.MsgWaitForMultipleObjects = [](std::uint32_t, const sys::Handle*, sys::Bool,
                                                std::uint32_t,
                                                std::uint32_t) { return sys::kWaitObject0; };
    }

    Text entry;
    bool cancel = false;
    std::vector<sys::Handle> stopsAsked;
};

TEST_F(UnlockTest, IdleSaysNotLockedThenRestoresMainWindow) {
    for (const auto& r : routes) {
        sim::journal.clear();
        LockState = Idle;
        r.run();
        EXPECT_EQ(sim::journal.lines(),
                  (std::vector<std::string>{notLocked, restoredVisible, restoredState}))
            << r.name;
        EXPECT_EQ(LockState, Idle);
    }
}

TEST_F(UnlockTest, UnlockGrantedDoesNothing) {
    for (const auto& r : routes) {
        sim::journal.clear();
        LockState = UnlockGranted;
        r.run();
        EXPECT_TRUE(sim::journal.lines().empty()) << r.name;
        EXPECT_EQ(LockState, UnlockGranted);
    }
}

TEST_F(UnlockTest, LockedAsksForThePassword) {
    fakeWorker();
    entry = "wrong";
    for (const auto& r : routes) {
        sim::journal.clear();
        LockState = Locked;
        r.run();
        std::vector<std::string> expected;
        if (r.showsMainFirst) expected.push_back(restoredVisible);
        expected.push_back(askLine(r.mode));
        EXPECT_EQ(sim::journal.lines(), expected) << r.name;
    }
}

TEST_F(UnlockTest, LockStartingWhileTheNotLockedBoxIsOpen) {
    fakeWorker();
    storePasswordText("pw");
    entry = "pw";
    sim::ui.messageBox = [](const Text&) {
        LockState = Locked;  // a tick ran inside the box
        return 0;
    };
    for (const auto& r : routes) {
        sim::journal.clear();
        LockState = Idle;
        r.run();
        std::vector<std::string> expected{notLocked, restoredVisible, restoredState};
        if (r.showsMainFirst) expected.push_back(restoredVisible);
        expected.push_back(askLine(r.mode));
        EXPECT_EQ(sim::journal.lines(), expected) << r.name;
        EXPECT_EQ(LockState, UnlockGranted) << r.name;
    }
}

TEST_F(UnlockTest, WhichEntriesMatch) {
    struct Case {
        Text password;
        Text entry;
        bool cancel;
        bool unlocks;
    };
    const Text longPassword(1000, 'k');
    Text longOff = longPassword;
    longOff.back() = 'K';
    const Case cases[] = {
        {"480957", "480957", false, true},
        {"480957", "48095", false, false},
        {"480957", "4809570", false, false},
        {"480957", "", true, false},
        {"Secret", "secret", false, false},
        {"Secret", "SECRET", false, false},
        {"Secret", " Secret", false, false},
        {"Secret", "Secret ", false, false},
        {" Secret", "Secret", false, false},
        // An empty box: an empty entry or a cancel opens it.
        {"", "", false, true},
        {"", "", true, true},
        {"", " ", false, false},
        // A line break typed into the multi-line box: the input line takes none.
        {"\r\n", "", false, false},
        {"\r\n", "", true, false},
        {"ab\r\n", "ab", false, false},
        // Code page 936, byte for byte.
        {"密码", "密码", false, true},
        {"密码", "密吗", false, false},
        {"密码", u8"\u5bc6\u7801", false, false},  // the same characters in UTF-8
        {"密码", "密", false, false},
        {longPassword, longPassword, false, true},
        {longPassword, longOff, false, false},
        {longPassword, longPassword.substr(1), false, false},
    };
    ASSERT_EQ(Text("密码").size(), 4u) << "the literals are not code page 936";
    fakeWorker();
    for (const auto& r : routes) {
        for (const auto& c : cases) {
            stopsAsked.clear();
            LockState = Locked;
            storePasswordText(c.password);
            entry = c.entry;
            cancel = c.cancel;
            r.run();
            EXPECT_EQ(LockState, c.unlocks ? UnlockGranted : Locked)
                << r.name << " password [" << c.password << "] entry [" << c.entry << "] cancel "
                << c.cancel;
            // The worker is stopped only for a match.
            EXPECT_EQ(stopsAsked,
                      c.unlocks ? std::vector<sys::Handle>{Worker} : std::vector<sys::Handle>{})
                << r.name << " [" << c.password << "] [" << c.entry << "]";
        }
    }
}

TEST_F(UnlockTest, FailingStopKeepsTheLock) {
    enforcerThread = Worker;
    sim::sys.GetExitCodeThread = [](sys::Handle, std::uint32_t* code) -> sys::Bool {
        *code = sys::kStillActive;
        return 1;
    };
    sim::sys.MsgWaitForMultipleObjects = [](std::uint32_t, const sys::Handle*, sys::Bool,
                                            std::uint32_t,
                                            std::uint32_t) { return sys::kWaitFailed; };
    storePasswordText("pw");
    entry = "pw";
    for (const auto& r : routes) {
        LockState = Locked;
        r.run();
        EXPECT_EQ(LockState, Locked) << r.name;
    }
}

TEST_F(UnlockTest, RealWorkerHasEndedBeforeTheUnlockIsGranted) {
    storePasswordText("pw");
    entry = "pw";
    TargetWindow = 0x4321;
    for (const auto& r : routes) {
        LockState = Locked;
        const sys::Handle worker = runEnforcer();
        enforcerThread = worker;
        ASSERT_TRUE(sim::threadRunning(worker));

        // Stand in for the wait: note the state while the stop is under way,
        // and finish only when the worker really has.
        std::vector<std::int32_t> stateWhileStopping;
        sim::sys.MsgWaitForMultipleObjects = [&](std::uint32_t n, const sys::Handle* hs, sys::Bool,
                                                 std::uint32_t, std::uint32_t) {
            EXPECT_EQ(n, 1u);
            EXPECT_EQ(hs[0], worker);
            stateWhileStopping.push_back(LockState);
            EXPECT_TRUE(sim::waitUntil([&] { return !sim::threadRunning(worker); }));
            return sys::kWaitObject0;
        };
        r.run();
        sim::sys.MsgWaitForMultipleObjects = nullptr;

        EXPECT_EQ(LockState, UnlockGranted) << r.name;
        EXPECT_FALSE(sim::threadRunning(worker)) << r.name;
        EXPECT_EQ(stateWhileStopping, std::vector<std::int32_t>{Locked}) << r.name;
    }
}

TEST_F(UnlockTest, APromptAnsweredAfterAnotherUnlockedChangesNothing) {
    fakeWorker();
    storePasswordText("pw");
    entry = "pw";
    for (const auto& r : routes) {
        // Two prompts were opened while locked; the first one's unlock and
        // the tick that followed have already run when the second is
        // answered.
        LockState = Locked;
        sim::ui.inputBox = [this](const Text&, const Text&, const Text&, Text& variable, int) {
            LockState = Idle;
            variable = entry;
            return true;
        };
        stopsAsked.clear();
        r.run();
        EXPECT_EQ(LockState, Idle) << r.name;
        EXPECT_TRUE(stopsAsked.empty()) << r.name << ": no worker to stop while idle";
    }
}

}  // namespace
