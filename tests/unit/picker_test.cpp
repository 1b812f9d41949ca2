// The picker of 图片框1 and the test button's hide and show.
#include "target/picker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/state.h"
#include "app/texts.h"
#include "target/test_hide.h"
#include "tests/sim/state_fixture.h"

namespace {

// A screen of top-level windows: the one under the pointer, with a title
// and an owner process.
class PickerTest : public sim::StateTest {
protected:
    void SetUp() override {
        sim::StateTest::SetUp();
        sim::sys.SetCapture = [](sys::Handle w) {
            sim::journal.add("SetCapture " + std::to_string(w));
            return sys::Handle{0};
        };
        sim::sys.ReleaseCapture = [] {
            sim::journal.add("ReleaseCapture");
            return sys::Bool{1};
        };
        sim::sys.GetCursorPos = [](sys::Point* p) {
            *p = {300, 200};
            return sys::Bool{1};
        };
        sim::sys.WindowFromPoint = [this](sys::Point) {
            sim::journal.add("WindowFromPoint");
            return underPointer;
        };
        sim::sys.GetParent = [](sys::Handle) { return sys::Handle{0}; };  // top-level
        sim::sys.GetWindowThreadProcessId = [this](sys::Handle w, std::uint32_t* pid) {
            auto it = owners.find(w);
            if (it == owners.end()) return std::uint32_t{0};
            *pid = it->second;
            return std::uint32_t{77};
        };
        sim::sys.GetWindowTextLengthW = [this](sys::Handle w) {
            auto it = titles.find(w);
            return it == titles.end() ? 0 : static_cast<std::int32_t>(it->second.size());
        };
        sim::sys.GetWindowTextW = [this](sys::Handle w, char16_t* buffer, std::int32_t max) {
            auto it = titles.find(w);
            if (it == titles.end() || max <= 0) return 0;
            const std::size_t n = std::min<std::size_t>(it->second.size(), max - 1);
            std::memcpy(buffer, it->second.data(), n * sizeof(char16_t));
            buffer[n] = 0;
            return static_cast<std::int32_t>(n);
        };
        sim::ui.messageBox = [this](const Text& text) {
            // The rest of the system already sees the new target meanwhile.
            targetDuringReport.push_back(TargetWindow);
            pidDuringReport.push_back(targetProcessId);
            reports.push_back(text);
            return 0;
        };
    }

    void pick(sys::Handle window) {
        underPointer = window;
        beginPick(10, 10, 0);
        finishPick(500, 400, 0);
    }

    sys::Handle underPointer = 0;
    std::map<sys::Handle, std::u16string> titles;
    std::map<sys::Handle, std::uint32_t> owners;
    std::vector<sys::Handle> targetDuringReport;
    std::vector<std::uint32_t> pidDuringReport;
    std::vector<Text> reports;
};

TEST_F(PickerTest, PressEmptiesTheBoxAndCaptures) {
    beginPick(12, 34, 1);
    EXPECT_EQ(sim::journal.lines(),
              (std::vector<std::string>{
                  "processEvents",
                  "SetCapture " + std::to_string(ui::controlHandle(ControlName::图片框1)),
                  "picture 0",
              }));
    EXPECT_EQ(TargetWindow, NoTarget) << "pressing picks nothing yet";
    EXPECT_TRUE(reports.empty());
}

TEST_F(PickerTest, ReleasePicksStoresAndReports) {
    titles[0x10A2C] = u"记事本";
    owners[0x10A2C] = 4242;
    underPointer = 0x10A2C;
    finishPick(1, 2, 0);
    EXPECT_EQ(sim::journal.lines(), (std::vector<std::string>{
                                        "ReleaseCapture",
                                        "processEvents",
                                        "picture 67646",
                                        "WindowFromPoint",
                                        "messageBox " + reports.at(0),
                                    }));
    EXPECT_EQ(TargetWindow, 0x10A2Cu);
    EXPECT_EQ(targetProcessId, 4242u);
    EXPECT_EQ(targetDuringReport, std::vector<sys::Handle>{0x10A2C});
    EXPECT_EQ(pidDuringReport, std::vector<std::uint32_t>{4242});
}

TEST_F(PickerTest, ReportText) {
    struct Case {
        sys::Handle window;
        std::u16string title;
        Text report;
    };
    const Case cases[] = {
        {0x10A2C, u"记事本", "当前选中的程序为：记事本\r\n窗口句柄：68140"},
        {0x10A2C, u"Untitled - Notepad", "当前选中的程序为：Untitled - Notepad\r\n窗口句柄：68140"},
        {0x4D2, u"", "当前选中的程序为：\r\n窗口句柄：1234"},
        // No window at the pointer.
        {0, u"", "当前选中的程序为：\r\n窗口句柄：0"},
        // Printed as a signed 32-bit number.
        {0xFFFFFFFEu, u"A", "当前选中的程序为：A\r\n窗口句柄：-2"},
        {0x80000000u, u"B", "当前选中的程序为：B\r\n窗口句柄：-2147483648"},
        {0x7FFFFFFFu, u"C", "当前选中的程序为：C\r\n窗口句柄：2147483647"},
    };
    for (const auto& c : cases) {
        reports.clear();
        titles.clear();
        if (!c.title.empty()) titles[c.window] = c.title;
        pick(c.window);
        ASSERT_EQ(reports.size(), 1u) << c.window;
        EXPECT_EQ(reports[0], c.report) << c.window;
        EXPECT_EQ(TargetWindow, c.window);
    }
}

TEST_F(PickerTest, TwoPicksKeepOnlyTheSecond) {
    owners = {{0x100, 11}, {0x200, 22}};
    pick(0x100);
    pick(0x200);
    EXPECT_EQ(TargetWindow, 0x200u);
    EXPECT_EQ(targetProcessId, 22u);
    EXPECT_EQ(targetDuringReport, (std::vector<sys::Handle>{0x100, 0x200}));
    EXPECT_EQ(sim::journal.count("picture 67646"), 2u);
    EXPECT_EQ(sim::journal.count("picture 0"), 2u);
}

// ---------------------------------------------------------------- test hide

constexpr sys::Handle Timer = 0x77;

class TestHideTest : public sim::StateTest {
protected:
    void SetUp() override {
        sim::StateTest::SetUp();
        sim::sys.ShowWindowAsync = [](sys::Handle w, std::int32_t c) {
            sim::journal.add("ShowWindowAsync " + std::to_string(w) + " " + std::to_string(c));
            return sys::Bool{1};
        };
        sim::sys.CreateWaitableTimerA = [](sys::Bool manualReset) {
            sim::journal.add("CreateWaitableTimerA " + std::to_string(manualReset));
            return Timer;
        };
        sim::sys.SetWaitableTimer = [](sys::Handle t, const std::int64_t* due, std::int32_t p) {
            sim::journal.add("SetWaitableTimer " + std::to_string(t) + " " + std::to_string(*due) +
                             " " + std::to_string(p));
            return sys::Bool{1};
        };
        sim::sys.MsgWaitForMultipleObjects = [this](std::uint32_t n, const sys::Handle* hs,
                                                    sys::Bool all, std::uint32_t ms,
                                                    std::uint32_t mask) {
            sim::journal.add("MsgWait " + std::to_string(n) + " " + std::to_string(hs[0]) + " " +
                             std::to_string(all) + " " + std::to_string(ms) + " " +
                             std::to_string(mask));
            if (duringWait.empty()) return sys::kWaitObject0;
            duringWait.front()();
            duringWait.erase(duringWait.begin());
            return sys::kWaitObject0 + 1;
        };
        sim::sys.CloseHandle = [](sys::Handle h) {
            sim::journal.add("CloseHandle " + std::to_string(h));
            return sys::Bool{1};
        };
    }
    // What happens at each wake-up before the timer is due.
    std::vector<std::function<void()>> duringWait;
};

const std::string waitLine = "MsgWait 1 119 0 4294967295 255";

TEST_F(TestHideTest, NothingPickedDoesNothing) {
    testHide();
    EXPECT_TRUE(sim::journal.lines().empty());
}

TEST_F(TestHideTest, HidesWaitsTwoThousandSecondsThenShows) {
    for (sys::Handle target : {sys::Handle{0x1234}, sys::Handle{0}}) {
        sim::journal.clear();
        TargetWindow = target;
        testHide();
        const std::string t = std::to_string(target);
        EXPECT_EQ(sim::journal.lines(), (std::vector<std::string>{
                                            "ShowWindowAsync " + t + " 0",
                                            "CreateWaitableTimerA 0",
                                            "SetWaitableTimer 119 -20000000000 0",
                                            waitLine,
                                            "CloseHandle 119",
                                            "ShowWindowAsync " + t + " 1",
                                        }));
    }
}

TEST_F(TestHideTest, APickDuringTheWaitIsTheWindowShown) {
    TargetWindow = 0x1234;
    duringWait = {
        [] { TargetWindow = 0x5678; },
        [] {},
    };
    testHide();
    EXPECT_EQ(sim::journal.lines(), (std::vector<std::string>{
                                        "ShowWindowAsync 4660 0",
                                        "CreateWaitableTimerA 0",
                                        "SetWaitableTimer 119 -20000000000 0",
                                        waitLine,
                                        "processEvents",
                                        waitLine,
                                        "processEvents",
                                        waitLine,
                                        "CloseHandle 119",
                                        "ShowWindowAsync 22136 1",
                                    }));
}

}  // namespace
