// The application shell as a user or another program sees it: the two
// windows, the controls of MainWindow, the keyboard rules and the ways the
// process ends.
#include <algorithm>
#include <memory>

#include "app/names.h"
#include "app/texts.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/target_layout.h"

namespace {

using namespace e2e;
using C = ControlName;

// ASCII names for the controls that assertions mention: GoogleTest prints
// the asserted expression, and this file's narrow literals are code page 936.
constexpr C kMinutesBox = C::编辑框2;
constexpr C kMinutesHint = C::输入锁定时间以分钟为单位1;
constexpr C kMinutesLabel = C::输入锁定时间以分钟为单位;
constexpr C kPasswordBox = C::编辑框1;
constexpr C kPasswordLabel = C::标签1;
constexpr C kCustomPictureButton = C::按钮2;
constexpr C kPictureBox = C::图片框1;
constexpr C kTestButton = C::按钮1;

constexpr int kMainWidth = 558;
constexpr int kMainHeight = 277;
constexpr int kStartMs = 10000;
constexpr int kReactMs = 5000;
// The first tick comes 500 ms after start; this leaves room for a slow Wine.
constexpr int kTickMs = 5000;

// Names for messages: the ControlName identifiers are Chinese, and narrow
// literals of this file are code page 936, unreadable on a UTF-8 console.
const char* nameOf(C c) {
    switch (c) {
        case C::时钟1: return "timer1";
        case C::编辑框2: return "minutesBox";
        case C::输入锁定时间以分钟为单位1: return "minutesHint";
        case C::输入锁定时间以分钟为单位: return "minutesLabel";
        case C::编辑框1: return "passwordBox";
        case C::标签1: return "passwordLabel";
        case C::通用对话框1: return "commonDialog1";
        case C::按钮2: return "customPictureButton";
        case C::图片框1: return "pictureBox";
        case C::按钮1: return "testButton";
    }
    return "?";
}

// A vennet.exe started for one test, with its MainWindow visible.
class Vennet {
public:
    Vennet() : process_(vennetExe()) {}

    // Waits for MainWindow to appear and reads its caption at once.
    ::testing::AssertionResult waitForMainWindow() {
        auto found = checkStarted(process_, vennetExe(), "VENNET_EXE");
        if (found)
            found = waitShown(process_, names::kMainWindowClass, &main_, kStartMs,
                              "a visible MainWindow", [&] { return seenWindows(); });
        if (!found) return found;
        visibleAfterMs_ = nowMs() - process_.startedAtMs();
        firstCaption_ = caption(main_);
        tray_ = process_.window(names::kTrayWindowClass);
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult waitForFirstTick() {
        return waitUntil([&] { return caption(main_) == texts::kCaptionNoTarget; }, kTickMs,
                         "the status caption", [&] { return show(caption(main_)); });
    }

    // Input goes to the foreground window; make sure it is ours.
    ::testing::AssertionResult waitForeground() {
        if (GetForegroundWindow() != main_) SetForegroundWindow(main_);
        return waitUntil([&] { return GetForegroundWindow() == main_; }, kReactMs,
                         "MainWindow in the foreground",
                         [&] { return describe(GetForegroundWindow()); });
    }

    HWND control(C c) const { return childById(main_, names::controlId(c)); }
    HWND focus() const { return focusOf(threadOf(main_)); }

    ::testing::AssertionResult waitFocus(C c) {
        HWND want = control(c);
        return waitUntil([&] { return want && focus() == want; }, kReactMs,
                         std::string("the focus on ") + nameOf(c),
                         [&] { return describe(focus()); });
    }

    // Clicks near the right end of a box, as a user puts the caret there.
    ::testing::AssertionResult clickInto(C c) {
        HWND box = control(c);
        if (!box) return ::testing::AssertionFailure() << "no control " << nameOf(c);
        const RECT rc = windowRect(box);
        if (!click(rc.right - 8, (rc.top + rc.bottom) / 2))
            return ::testing::AssertionFailure()
                   << "the pointer did not reach " << nameOf(c) << ", it is at " << cursor().x
                   << "," << cursor().y;
        return waitFocus(c);
    }

    // A place of the client area with no control on it.
    POINT emptyPoint() const { return clientToScreen(main_, 450, 100); }

    std::string seenWindows() const { return processWindows(process_); }

    Process& process() { return process_; }
    HWND main() const { return main_; }
    HWND tray() const { return tray_; }
    double visibleAfterMs() const { return visibleAfterMs_; }
    const std::string& firstCaption() const { return firstCaption_; }

private:
    Process process_;
    HWND main_ = nullptr;
    HWND tray_ = nullptr;
    double visibleAfterMs_ = 0;
    std::string firstCaption_;
};

class Shell : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app_.waitForMainWindow()); }
    Vennet app_;
};

// ---- MainWindow ---------------------------------------------------------

TEST_F(Shell, MainWindowIsAFixedCentredTopLevelWindow) {
    HWND main = app_.main();
    EXPECT_TRUE(classIs(main, names::kMainWindowClass)) << describe(main);

    const RECT rc = windowRect(main);
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    printf("screen %dx%d, MainWindow at (%ld,%ld) size %ldx%ld\n", screenW, screenH, rc.left,
           rc.top, rc.right - rc.left, rc.bottom - rc.top);
    EXPECT_EQ(kMainWidth, rc.right - rc.left);
    EXPECT_EQ(kMainHeight, rc.bottom - rc.top);
    EXPECT_EQ((screenW - kMainWidth) / 2, rc.left);
    EXPECT_EQ((screenH - kMainHeight) / 2, rc.top);

    const LONG style = GetWindowLongW(main, GWL_STYLE);
    EXPECT_EQ(static_cast<LONG>(WS_CAPTION), style & WS_CAPTION) << std::hex << style;
    EXPECT_TRUE(style & WS_SYSMENU) << std::hex << style;
    EXPECT_TRUE(style & WS_MINIMIZEBOX) << std::hex << style;
    EXPECT_FALSE(style & WS_THICKFRAME) << std::hex << style;
    EXPECT_FALSE(style & WS_MAXIMIZEBOX) << std::hex << style;
    EXPECT_FALSE(style & WS_CHILD) << std::hex << style;
    EXPECT_FALSE(style & WS_DISABLED) << std::hex << style;
    EXPECT_FALSE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

    // A taskbar button needs a window without owner.
    EXPECT_EQ(nullptr, GetWindow(main, GW_OWNER));
    EXPECT_EQ(nullptr, GetParent(main));
}

TEST_F(Shell, CaptionIsEmptyAtStartAndShowsTheStatusAfterTheFirstTick) {
    EXPECT_TEXT_EQ("", app_.firstCaption());
    const double visibleAt = nowMs();
    ASSERT_TRUE(app_.waitForFirstTick());
    const double tickAfter = nowMs() - visibleAt;
    printf("start-up: MainWindow visible %.0f ms after CreateProcess, status caption %.0f ms "
           "later\n",
           app_.visibleAfterMs(), tickAfter);
    RecordProperty("first_tick_after_visible_ms", static_cast<int>(tickAfter));
    // Written on every tick, and nothing is picked: it stays as it is.
    pause(1200);
    EXPECT_TEXT_EQ(texts::kCaptionNoTarget, caption(app_.main()));
}

TEST(StartUp, TimeFromCreateProcessToVisibleMainWindow) {
    constexpr int kRuns = 3;
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        SCOPED_TRACE("run " + std::to_string(run + 1));
        Vennet app;
        ASSERT_TRUE(app.waitForMainWindow());
        EXPECT_TEXT_EQ("", app.firstCaption());
        times.push_back(app.visibleAfterMs());
    }
    std::sort(times.begin(), times.end());
    printf("start-up to visible MainWindow over %d runs: min %.0f ms, median %.0f ms, max %.0f ms\n",
           kRuns, times.front(), times[kRuns / 2], times.back());
    RecordProperty("startup_min_ms", static_cast<int>(times.front()));
    RecordProperty("startup_median_ms", static_cast<int>(times[kRuns / 2]));
    RecordProperty("startup_max_ms", static_cast<int>(times.back()));
}

// ---- controls -----------------------------------------------------------

struct ControlRow {
    C name;
    const wchar_t* cls;
    int x, y, width, height;
    bool visible;
    const char* text;
};

// As the user sees MainWindow's form; the timer and the common dialog have
// no visible part and are left out.
const ControlRow kControls[] = {
    {kMinutesBox, L"Edit", 144, 176, 96, 48, true, texts::kLimitInitial},
    {kMinutesHint, names::kLabelClass, 143, 144, 282, 32, true, texts::kLimitHint},
    {kMinutesLabel, names::kLabelClass, 144, 112, 272, 38, true, texts::kLimitLabel},
    {kPasswordBox, L"Edit", 139, 32, 232, 56, true, texts::kPasswordInitial},
    {kPasswordLabel, names::kLabelClass, 136, 8, 328, 24, true, texts::kPasswordLabel},
    {kCustomPictureButton, L"Button", 0, 136, 80, 48, false, texts::kCustomPicture},
    {kPictureBox, names::kPictureBoxClass, 1, 1, 128, 128, true, ""},
    {kTestButton, L"Button", 448, 160, 96, 72, true, texts::kTestButton},
};

TEST_F(Shell, ControlsHaveTheirClassPlaceVisibilityAndText) {
    for (const auto& row : kControls) {
        SCOPED_TRACE(nameOf(row.name));
        HWND w = app_.control(row.name);
        ASSERT_NE(nullptr, w) << "no child with id " << names::controlId(row.name)
                              << "; children:" << [&] {
                                   std::string s;
                                   for (HWND c : children(app_.main())) s += "\n  " + describe(c);
                                   return s;
                               }();
        EXPECT_TRUE(classIs(w, row.cls)) << describe(w);
        const RECT place = placeInParent(w);
        EXPECT_EQ(row.x, place.left) << describe(w);
        EXPECT_EQ(row.y, place.top) << describe(w);
        EXPECT_EQ(row.width, place.right - place.left) << describe(w);
        EXPECT_EQ(row.height, place.bottom - place.top) << describe(w);
        EXPECT_EQ(row.visible, IsWindowVisible(w) != FALSE) << describe(w);
        EXPECT_TRUE(IsWindowEnabled(w)) << describe(w);
        EXPECT_TEXT_EQ(row.text, windowText(w));
    }
}

TEST_F(Shell, EditBoxAndButtonStyles) {
    struct Row {
        C name;
        LONG required, forbidden;
    };
    const Row rows[] = {
        {kMinutesBox, ES_AUTOHSCROLL, ES_MULTILINE},
        {kPasswordBox, ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, ES_AUTOHSCROLL},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(nameOf(row.name));
        HWND w = app_.control(row.name);
        ASSERT_NE(nullptr, w);
        const LONG style = GetWindowLongW(w, GWL_STYLE);
        EXPECT_EQ(row.required, style & row.required) << std::hex << "style " << style;
        EXPECT_EQ(0, style & row.forbidden) << std::hex << "style " << style;
        EXPECT_EQ(0, style & (WS_HSCROLL | WS_VSCROLL | ES_UPPERCASE | ES_LOWERCASE))
            << std::hex << "style " << style;
        EXPECT_TRUE(style & WS_TABSTOP) << std::hex << "style " << style;
        EXPECT_TRUE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    }
    for (C name : {kTestButton, kCustomPictureButton}) {
        SCOPED_TRACE(nameOf(name));
        HWND w = app_.control(name);
        ASSERT_NE(nullptr, w);
        const LONG style = GetWindowLongW(w, GWL_STYLE);
        EXPECT_EQ(BS_PUSHBUTTON, style & BS_TYPEMASK) << std::hex << "style " << style;
        // Also as the control itself answers, after it got the focus.
        EXPECT_EQ(DLGC_UNDEFPUSHBUTTON,
                  SendMessageW(w, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
    }
}

TEST_F(Shell, ControlsAreStackedInListOrder) {
    std::vector<int> ids;
    std::string seen;
    for (HWND c : children(app_.main())) {
        ids.push_back(GetDlgCtrlID(c));
        seen += " " + std::to_string(ids.back());
    }
    SCOPED_TRACE("child ids, topmost first:" + seen);
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()) &&
                std::adjacent_find(ids.begin(), ids.end()) == ids.end());
    for (const auto& row : kControls)
        EXPECT_NE(ids.end(), std::find(ids.begin(), ids.end(), names::controlId(row.name)))
            << nameOf(row.name);
    // Where the two labels overlap, the first in the list is the one found.
    const POINT overlap{200, 146};
    EXPECT_EQ(app_.control(kMinutesHint),
              ChildWindowFromPointEx(app_.main(), overlap, CWP_SKIPINVISIBLE))
        << "at client (200,146)";
}

// ---- keyboard focus -----------------------------------------------------

TEST_F(Shell, FocusIsOnTheTestButtonAtStart) {
    ASSERT_TRUE(app_.waitFocus(kTestButton));
    EXPECT_EQ(app_.main(), activeOf(threadOf(app_.main())));
}

TEST_F(Shell, TabAndShiftTabCycleOverTheThreeTabStops) {
    ASSERT_TRUE(app_.waitForeground());
    ASSERT_TRUE(app_.waitFocus(kTestButton));
    const std::vector<HWND> stops = {app_.control(kMinutesBox), app_.control(kPasswordBox),
                                     app_.control(kTestButton)};
    auto nameOfWindow = [&](HWND w) -> std::string {
        for (const auto& row : kControls)
            if (app_.control(row.name) == w) return nameOf(row.name);
        return describe(w);
    };
    // Each press moves to another tab stop; after three the focus is back.
    auto walk = [&](std::initializer_list<WORD> modifiers) {
        std::vector<HWND> visited;
        for (int i = 0; i < 3; ++i) {
            HWND before = app_.focus();
            pressKey(VK_TAB, modifiers);
            EXPECT_TRUE(waitUntil([&] { return app_.focus() != before; }, kReactMs,
                                  "the focus to move on", [&] { return describe(app_.focus()); }));
            visited.push_back(app_.focus());
        }
        return visited;
    };
    const auto forward = walk({});
    const auto backward = walk({VK_SHIFT});
    std::string seen = "Tab:";
    for (HWND w : forward) seen += " " + nameOfWindow(w);
    seen += "; Shift+Tab:";
    for (HWND w : backward) seen += " " + nameOfWindow(w);
    SCOPED_TRACE(seen);
    printf("%s\n", seen.c_str());

    EXPECT_TRUE(std::is_permutation(forward.begin(), forward.end(), stops.begin()));
    EXPECT_EQ(app_.control(kTestButton), forward.back());
    // Shift+Tab visits the same stops the other way round.
    const std::vector<HWND> expectedBack = {forward[1], forward[0], forward[2]};
    EXPECT_EQ(expectedBack, backward);
}

TEST_F(Shell, FocusComesBackAfterAnotherWindowWasActive) {
    Process other(targetExe());
    ASSERT_TRUE(other.started()) << "VENNET_TARGET_EXE: " << toUtf8(targetExe());
    HWND otherWindow = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] {
            otherWindow = other.window(target_layout::kWindowClass);
            return otherWindow && IsWindowVisible(otherWindow);
        },
        kStartMs, "the target window"));
    for (C name : {kPasswordBox, kMinutesBox, kTestButton}) {
        SCOPED_TRACE(nameOf(name));
        ASSERT_TRUE(app_.waitForeground());
        if (name == kTestButton) {
            // A click would press it; reach it from the last box by keyboard.
            ASSERT_TRUE(app_.clickInto(kPasswordBox));
            pressKey(VK_TAB);
            ASSERT_TRUE(app_.waitFocus(kTestButton));
        } else {
            ASSERT_TRUE(app_.clickInto(name));
        }
        // The user clicks into the other program's window, then into
        // MainWindow (on no control: a click on the caption would start a
        // move of the window).
        const POINT o = clientToScreen(otherWindow, 350, 120);
        ASSERT_TRUE(click(o.x, o.y)) << "pointer at " << cursor().x << "," << cursor().y
                                     << " instead of " << o.x << "," << o.y << "; "
                                     << describe(otherWindow);
        ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == otherWindow; }, kReactMs,
                              "the other program in the foreground",
                              [&] { return describe(GetForegroundWindow()); }));
        const POINT p = app_.emptyPoint();
        ASSERT_TRUE(click(p.x, p.y));
        ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == app_.main(); }, kReactMs,
                              "MainWindow in the foreground again",
                              [&] { return describe(GetForegroundWindow()); }));
        EXPECT_TRUE(app_.waitFocus(name));
    }
}

// ---- typing -------------------------------------------------------------

TEST_F(Shell, MinutesBoxTakesOnlyDigitsAndMinusSigns) {
    struct Row {
        WORD caretKey;  // VK_HOME or VK_END before typing
        const wchar_t* typed;
        const char* expected;
    };
    const Row rows[] = {
        {VK_END, L"a", "1"},
        {VK_END, L"Zq.+ ,", "1"},
        {VK_END, L"23", "123"},
        {VK_END, L"-", "1-"},
        {VK_HOME, L"-", "-1"},
        {VK_END, L"--0-9-", "1--0-9-"},
        {VK_HOME, L"4x-y5", "4-51"},
        {VK_END, L"\xFF11\x4E2D", "1"},  // a full-width one and a Chinese character
    };
    ASSERT_TRUE(app_.waitForeground());
    HWND box = app_.control(kMinutesBox);
    for (const auto& row : rows) {
        SCOPED_TRACE("typed " + toUtf8(row.typed));
        SendMessageTimeoutW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1"), SMTO_ABORTIFHUNG,
                            3000, nullptr);
        ASSERT_TRUE(app_.clickInto(kMinutesBox));
        pressKey(row.caretKey);
        typeText(row.typed);
        // Typed input is handled in order: a marker typed after it shows
        // that everything before it has been handled.
        typeText(L"7");
        // The marker lands at the caret, just after the characters kept.
        std::string want = row.expected;
        if (row.caretKey == VK_END) {
            want += "7";
        } else {
            const std::size_t kept = want.size() - 1;  // the "1" stays last
            want.insert(kept, "7");
        }
        EXPECT_TRUE(waitUntil([&] { return windowText(box) == want; }, kReactMs,
                              "the box's text to be " + show(want),
                              [&] { return show(windowText(box)); }));
    }
}

TEST_F(Shell, EnterAddsALineBreakOnlyInThePasswordBox) {
    struct Row {
        C box;
        const char* expected;
    };
    const std::string passwordWithBreak = std::string(texts::kPasswordInitial) + "\r\n";
    const Row rows[] = {
        {kMinutesBox, texts::kLimitInitial},
        {kPasswordBox, passwordWithBreak.c_str()},
    };
    ASSERT_TRUE(app_.waitForeground());
    for (const auto& row : rows) {
        SCOPED_TRACE(nameOf(row.box));
        HWND box = app_.control(row.box);
        ASSERT_TRUE(app_.clickInto(row.box));
        pressKey(VK_END, {VK_CONTROL});
        pressKey(VK_RETURN);
        // The Enter is handled once the box answers for the key after it.
        pressKey(VK_END, {VK_CONTROL});
        typeText(L"0");
        const std::string want = std::string(row.expected) + "0";
        EXPECT_TRUE(waitUntil([&] { return windowText(box) == want; }, kReactMs,
                              "the text " + show(want), [&] { return show(windowText(box)); }));
        EXPECT_TRUE(IsWindow(app_.main()));
        EXPECT_EQ(box, app_.focus()) << describe(app_.focus());
    }
}

// ---- TrayWindow ---------------------------------------------------------

TEST_F(Shell, TrayWindowExistsAndIsNeverShown) {
    HWND tray = app_.tray();
    ASSERT_NE(nullptr, tray) << app_.seenWindows();
    EXPECT_TRUE(classIs(tray, names::kTrayWindowClass));
    EXPECT_FALSE(IsWindowVisible(tray)) << describe(tray);
    ASSERT_TRUE(app_.waitForFirstTick());
    EXPECT_FALSE(IsWindowVisible(tray)) << describe(tray);
    EXPECT_EQ(1u, app_.process().windows(names::kTrayWindowClass).size()) << app_.seenWindows();
    EXPECT_EQ(1u, app_.process().windows(names::kMainWindowClass).size()) << app_.seenWindows();
    EXPECT_NE(tray, GetForegroundWindow());
}

// ---- closing ------------------------------------------------------------

enum class CloseWay { EscInMinutesBox, EscInPasswordBox, AltF4, CloseRequest, ShiftEsc };

const char* nameOf(CloseWay way) {
    switch (way) {
        case CloseWay::EscInMinutesBox: return "Esc in the minutes box";
        case CloseWay::EscInPasswordBox: return "Esc in the password box";
        case CloseWay::AltF4: return "Alt+F4";
        case CloseWay::CloseRequest: return "WM_CLOSE from another program";
        case CloseWay::ShiftEsc: return "Shift+Esc";
    }
    return "?";
}

// Closing MainWindow leaves the process in the tray; closing TrayWindow as
// well ends it with exit code 0.
TEST(Closing, MainWindowClosesAndTheProcessEndsWithTheTrayWindow) {
    struct Row {
        CloseWay way;
        bool closes;
    };
    const Row rows[] = {
        {CloseWay::EscInMinutesBox, true}, {CloseWay::EscInPasswordBox, true},
        {CloseWay::AltF4, true},           {CloseWay::CloseRequest, true},
        {CloseWay::ShiftEsc, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(nameOf(row.way));
        Vennet app;
        ASSERT_TRUE(app.waitForMainWindow());
        ASSERT_TRUE(app.waitForeground());
        HWND main = app.main();
        HWND tray = app.tray();
        ASSERT_NE(nullptr, tray) << app.seenWindows();
        switch (row.way) {
            case CloseWay::EscInMinutesBox:
                ASSERT_TRUE(app.clickInto(kMinutesBox));
                pressKey(VK_ESCAPE);
                break;
            case CloseWay::EscInPasswordBox:
                ASSERT_TRUE(app.clickInto(kPasswordBox));
                pressKey(VK_ESCAPE);
                break;
            case CloseWay::ShiftEsc:
                ASSERT_TRUE(app.clickInto(kMinutesBox));
                pressKey(VK_ESCAPE, {VK_SHIFT});
                break;
            case CloseWay::AltF4:
                pressKey(VK_F4, {VK_MENU});
                break;
            case CloseWay::CloseRequest:
                PostMessageW(main, WM_CLOSE, 0, 0);
                break;
        }
        if (!row.closes) {
            // Shows that the key has been handled; then MainWindow must still be there.
            typeText(L"5");
            EXPECT_TRUE(waitUntil([&] { return windowText(app.control(kMinutesBox)) == "15"; },
                                  kReactMs, "the minutes box to read 15",
                                  [&] { return show(windowText(app.control(kMinutesBox))); }));
            EXPECT_TRUE(IsWindow(main) && IsWindowVisible(main)) << describe(main);
            continue;
        }
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(main); }, kReactMs, "MainWindow to go",
                              [&] { return describe(main); }));
        // Long enough for a tick, had the timer outlived its window.
        pause(1000);
        DWORD code = 0;
        ASSERT_FALSE(app.process().waitExit(0, &code)) << "ended with exit code " << code;
        EXPECT_TRUE(IsWindow(tray));
        EXPECT_FALSE(IsWindowVisible(tray));
        EXPECT_EQ(nullptr, app.process().window(names::kMainWindowClass)) << app.seenWindows();

        PostMessageW(tray, WM_CLOSE, 0, 0);
        ASSERT_TRUE(app.process().waitExit(kStartMs, &code))
            << "still running after TrayWindow was asked to close:" << app.seenWindows();
        EXPECT_EQ(0u, code);
    }
}

// ---- screen -------------------------------------------------------------

bool paleGreyBlue(std::uint32_t rgb) {
    const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return r >= 150 && g >= 150 && b >= 170 && b >= r && b - r <= 60;
}
bool pink(std::uint32_t rgb) {
    const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return r >= 180 && r - g >= 40 && b >= g;
}

TEST_F(Shell, ScreenshotOfMainWindowAndThePickerPicture) {
    ASSERT_TRUE(app_.waitForFirstTick());
    // Let the caption and every control paint.
    pause(300);
    std::string error;
    const std::string path = saveScreenshot("mainwindow", windowRect(app_.main()), &error);
    EXPECT_FALSE(path.empty()) << error;
    printf("screenshot: %s\n", path.c_str());

    HWND box = app_.control(kPictureBox);
    ASSERT_NE(nullptr, box);
    const Capture shot = capture(windowRect(box));
    ASSERT_TRUE(shot.ok());
    struct Sample {
        int x, y;
        bool (*looks)(std::uint32_t);
        const char* what;
    };
    const Sample samples[] = {
        {3, 3, paleGreyBlue, "pale grey-blue"},
        {124, 3, paleGreyBlue, "pale grey-blue"},
        {64, 64, pink, "pink"},
    };
    for (const auto& s : samples)
        EXPECT_TRUE(s.looks(shot.at(s.x, s.y)))
            << "picture box pixel (" << s.x << "," << s.y << ") is " << rgbText(shot.at(s.x, s.y))
            << ", expected " << s.what;
}

}  // namespace
