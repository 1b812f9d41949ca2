// TrayWindow's handlers: the right-click menu and its commands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/state.h"
#include "app/texts.h"
#include "app/tray_commands.h"
#include "tests/sim/state_fixture.h"

namespace {

class TrayTest : public sim::StateTest {};

TEST_F(TrayTest, OnlyARightClickOpensTheMenu) {
    for (int code : {0, 1, 2, 3, 4, 5, -3, 0x203}) {
        sim::journal.clear();
        onTrayEvent(code);
        EXPECT_EQ(sim::journal.lines(), code == 3 ? std::vector<std::string>{"popup TrayWindow"}
                                                  : std::vector<std::string>{})
            << code;
    }
}

TEST_F(TrayTest, InstallsTheIconWithItsTooltip) {
    installTrayIcon();
    EXPECT_EQ(
        sim::journal.lines(),
        std::vector<std::string>{std::string("trayIcon TrayWindow 1150 ") + texts::kTrayTooltip});
}

TEST_F(TrayTest, ShowMainCommandByState) {
    struct Case {
        std::int32_t state;
        std::vector<std::string> journal;
    };
    const Case cases[] = {
        {Idle, {"visible MainWindow 1", "windowState MainWindow 0"}},
        {Locked, {std::string("messageBox ") + texts::kLockedNoMain}},
        {UnlockGranted, {}},
    };
    for (const auto& c : cases) {
        sim::journal.clear();
        LockState = c.state;
        showMainCommand();
        EXPECT_EQ(sim::journal.lines(), c.journal) << c.state;
        EXPECT_EQ(LockState, c.state);
    }
}

TEST_F(TrayTest, AboutOpensTheForumAfterAnEmptyBoxInEveryState) {
    sim::ui.messageBox = [](const Text&) {
        sim::journal.add("closed");
        return 0;
    };
    sim::sys.ShellExecuteA = [](sys::Handle w, const char* op, const char* file, const char* params,
                                const char* dir, std::int32_t show) {
        sim::journal.add("ShellExecuteA " + std::to_string(w) + " " + op + " " + file + " " +
                         params + " [" + dir + "] " + std::to_string(show));
        return std::intptr_t{2};  // file not found: nothing is said
    };
    const std::vector<std::string> expected{
        "messageBox ",
        "closed",
        std::string("ShellExecuteA 0 open iexplore.exe ") + texts::kForumAddress + " [] 1",
    };
    for (std::int32_t state : {Idle, Locked, UnlockGranted}) {
        sim::journal.clear();
        LockState = state;
        aboutCommand();
        EXPECT_EQ(sim::journal.lines(), expected) << state;
        EXPECT_EQ(LockState, state);
    }
}

TEST_F(TrayTest, CloseCommandEndsOnlyWhenIdle) {
    LockState = Idle;
    try {
        closeCommand();
        ADD_FAILURE() << "the program did not end";
    } catch (const sim::ProgramEnded& e) {
        EXPECT_EQ(e.exitCode, 0);
    }
    EXPECT_EQ(sim::journal.lines(), std::vector<std::string>{"endProgram 0"});

    sim::journal.clear();
    LockState = Locked;
    EXPECT_NO_THROW(closeCommand());
    EXPECT_EQ(sim::journal.lines(),
              std::vector<std::string>{std::string("messageBox ") + texts::kUnlockBeforeClose});

    sim::journal.clear();
    LockState = UnlockGranted;
    EXPECT_NO_THROW(closeCommand());
    EXPECT_TRUE(sim::journal.lines().empty());
}

}  // namespace
