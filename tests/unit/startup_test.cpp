// The program entry, MainWindow's created handler and the exit cleanup.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/names.h"
#include "app/state.h"
#include "hotkey/poller.h"
#include "hotkey/registry.h"
#include "lock/unlock.h"
#include "tests/sim/state_fixture.h"

namespace {

class StartupTest : public sim::StateTest {
protected:
    void SetUp() override {
        sim::StateTest::SetUp();
        createHotkeyTable();
        // As at process start, before the created handler has run.
        LockState = 0;
        TargetWindow = 0;
        sim::sys.SetTimer = [](sys::Handle w, std::uintptr_t id, std::uint32_t ms,
                               sys::TimerProc proc) {
            EXPECT_EQ(proc, &hotkeyPollTimerProc);
            sim::journal.add("SetTimer " + std::to_string(w) + " " + std::to_string(id) + " " +
                             std::to_string(ms) + " state " + std::to_string(LockState));
            return std::uintptr_t{1};
        };
    }
    void TearDown() override {
        releaseHotkeyTable();
        createHotkeyTable();
        sim::StateTest::TearDown();
    }
};

TEST_F(StartupTest, CreatedHandlerWiresEverythingInOrder) {
    sim::ui.loadWindow = [](WindowName) {
        // TrayWindow comes first: nothing else is set up yet.
        EXPECT_TRUE(hotkeyTable()->empty());
        EXPECT_EQ(LockState, 0);
        EXPECT_EQ(TargetWindow, 0u);
        return true;
    };
    onMainWindowCreated();
    EXPECT_EQ(sim::journal.lines(), (std::vector<std::string>{
                                        "load TrayWindow",
                                        "SetTimer 0 16661 10 state 0",
                                        "period 500",
                                    }));
    EXPECT_EQ(LockState, Idle);
    EXPECT_EQ(TargetWindow, NoTarget);

    ASSERT_EQ(hotkeyTable()->size(), 1u);
    const HotkeyRecord& f2 = *hotkeyTable()->front();
    EXPECT_EQ(f2.id, 1000001);
    EXPECT_EQ(f2.keyCode, 113);
    EXPECT_EQ(f2.modifiers, 0);
    EXPECT_EQ(f2.secondKey, 0);
    EXPECT_EQ(f2.callDirectly, 0) << "F2 runs on a thread of its own";
    EXPECT_EQ(f2.callback, &unlockPrompt);
}

TEST_F(StartupTest, ProgramEntryPreparesLoadsAndCleansUp) {
    releaseHotkeyTable();
    storePasswordText("leftover");
    bool sawEmptyTable = false;
    sim::ui.loadWindow = [&](WindowName w) {
        EXPECT_EQ(w, WindowName::MainWindow);
        sawEmptyTable = hotkeyTable() != nullptr && hotkeyTable()->empty();
        return true;
    };
    EXPECT_EQ(programEntry(), 0);
    EXPECT_TRUE(sawEmptyTable);
    EXPECT_EQ(sim::journal.lines(), std::vector<std::string>{"load MainWindow"});
    // The message loop ended at once: the exit routine has run.
    EXPECT_EQ(hotkeyTable(), nullptr);
    EXPECT_EQ(*readPasswordText(), "");
}

TEST_F(StartupTest, ExitCleanupReleasesTheTableAndThePassword) {
    registerHotkey(unlockPrompt, names::kF2);
    storePasswordText("480957");
    const auto reader = readPasswordText();
    exitCleanup();
    EXPECT_EQ(hotkeyTable(), nullptr);
    EXPECT_EQ(*readPasswordText(), "");
    EXPECT_EQ(*reader, "480957") << "a comparison under way keeps its copy";
}

}  // namespace
