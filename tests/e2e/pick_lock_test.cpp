// Picking a window by dragging from the lotus picture, the report that
// names it, and the lock that then hides it: all as another program on the
// same desktop sees it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/names.h"
#include "app/texts.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/target_layout.h"

namespace {

using namespace e2e;
using C = ControlName;
namespace L = target_layout;

constexpr int kStartMs = 10000;
constexpr int kReactMs = 5000;
// While locked one of the two cores is busy with the worker.
constexpr int kLockMs = 10000;
constexpr int kRehideDeadlineMs = 5000;
constexpr int kRehideTrials = 20;

const wchar_t* const kReportClass = L"#32770";
const wchar_t* const kNotepadClass = L"Notepad";
// Clear of MainWindow (centred, rows 245..522) and of the test target.
constexpr RECT kNotepadPlace = {520, 10, 1000, 230};

std::string expectedReport(const std::string& title, HWND window) {
    return std::string(texts::kPickedPrefix) + title + texts::kPickedHandle + handleText(window);
}

// Like EXPECT_TEXT_EQ, but keeps the message short for very long texts.
::testing::AssertionResult sameText(const std::string& expected, const std::string& actual) {
    if (expected == actual) return ::testing::AssertionSuccess();
    if (expected.size() + actual.size() < 600)
        return textsEqual("expected", "actual", expected, actual);
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    const std::size_t from = at < 20 ? 0 : at - 20;
    return ::testing::AssertionFailure()
           << "texts of " << expected.size() << " (expected) and " << actual.size()
           << " bytes (actual) differ from byte " << at << ": expected ..."
           << show(expected.substr(from, 60)) << ", actual ..." << show(actual.substr(from, 60));
}

// A vennet.exe of this test, with its MainWindow visible.
class Vennet {
public:
    Vennet() : process_(vennetExe()) {}

    ::testing::AssertionResult start() {
        auto found = checkStarted(process_, vennetExe(), "VENNET_EXE");
        if (found)
            found = waitShown(process_, names::kMainWindowClass, &main_, kStartMs,
                              "a visible MainWindow", [&] { return seenWindows(); });
        if (!found) return found;
        tray_ = process_.window(names::kTrayWindowClass);
        return waitCaption(texts::kCaptionNoTarget);
    }

    ::testing::AssertionResult waitCaption(const char* want, int timeoutMs = kReactMs) {
        return waitUntil([&] { return caption(main_) == want; }, timeoutMs,
                         "MainWindow's caption " + show(want),
                         [&] { return show(caption(main_)); });
    }

    // Overwrites the caption from outside and waits for a tick to write the
    // status again: shows that ticks still run.
    ::testing::AssertionResult waitCaptionRewritten(const char* want) {
        setText(main_, L"-", 3000);
        return waitCaption(want, kLockMs);
    }

    HWND control(C c) const { return childById(main_, names::controlId(c)); }

    POINT boxMiddle() const {
        const RECT rc = windowRect(control(C::图片框1));
        return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }

    HWND report() const {
        for (HWND w : process_.windows(kReportClass))
            if (IsWindowVisible(w)) return w;
        return nullptr;
    }

    ::testing::AssertionResult waitReport(HWND* found) {
        return waitUntil([&] { return (*found = report()) != nullptr; }, kReactMs,
                         "the report message box", [&] { return seenWindows(); });
    }

    std::string seenWindows() const { return processWindows(process_); }

    Process& process() { return process_; }
    HWND main() const { return main_; }
    HWND tray() const { return tray_; }

private:
    Process process_;
    HWND main_ = nullptr;
    HWND tray_ = nullptr;
};

// The report box as the user sees it.
struct Report {
    HWND box = nullptr;
    std::string caption;
    std::string text;
    int buttons = 0;
    int okButtons = 0;
    int icons = 0;         // icon controls that show an icon
    std::string children;  // for failure messages
};

Report readReport(HWND box) {
    Report r;
    r.box = box;
    r.caption = caption(box);
    for (HWND c : e2e::children(box)) {
        r.children += "\n  " + describe(c);
        if (!IsWindowVisible(c)) continue;
        if (classIs(c, L"Button")) {
            ++r.buttons;
            if (GetDlgCtrlID(c) == IDOK) ++r.okButtons;
        } else if (classIs(c, L"Static")) {
            if ((GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                // The box may keep an icon control that holds no icon.
                DWORD_PTR icon = 0;
                SendMessageTimeoutW(c, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 3000, &icon);
                if (icon) ++r.icons;
            } else if (r.text.empty()) {
                r.text = windowText(c);
            }
        }
    }
    return r;
}

// One OK button, no icon, the default caption and the text given.
void expectReport(const Report& r, const std::string& text) {
    SCOPED_TRACE("report box " + describe(r.box) + ", children:" + r.children);
    EXPECT_TEXT_EQ(texts::kMessageCaption, r.caption);
    EXPECT_EQ(0, r.icons);
    EXPECT_EQ(1, r.buttons);
    EXPECT_EQ(1, r.okButtons);
    EXPECT_TRUE(sameText(text, r.text));
}

// The user answers the box with Enter; the OK button has the focus.
::testing::AssertionResult closeReport(HWND box) {
    SetForegroundWindow(box);
    auto front =
        waitUntil([&] { return GetForegroundWindow() == box; }, kReactMs,
                  "the report in the foreground", [&] { return describe(GetForegroundWindow()); });
    if (!front) return front;
    pressKey(VK_RETURN);
    return waitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, kReactMs,
                     "the report to close", [&] { return describe(box); });
}

// As a user drags: press, move in steps, stop at the destination, release.
::testing::AssertionResult dragTo(POINT from, POINT to,
                                  const std::function<void(int)>& onStep = nullptr) {
    auto there = settlePointer(from, kReactMs);
    if (!there) return there;
    mouseDown();
    constexpr int kSteps = 12;
    for (int i = 1; i <= kSteps; ++i) {
        pause(15);
        mouseMove(from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps);
        if (onStep) onStep(i);
    }
    there = settlePointer(to, kReactMs);
    pause(30);
    mouseUp();
    return there;
}

// The press must land on the picture box: nothing may cover its middle.
::testing::AssertionResult waitBoxUncovered(Vennet& app) {
    const POINT middle = app.boxMiddle();
    HWND box = app.control(C::图片框1);
    return waitUntil(
        [&] {
            if (WindowFromPoint(middle) == box) return true;
            SetForegroundWindow(app.main());
            return false;
        },
        kReactMs, "the picture box uncovered at its middle",
        [&] { return describe(WindowFromPoint(middle)); });
}

// Drags from the middle of the picture box to `to` and waits for the report.
::testing::AssertionResult pickAt(Vennet& app, POINT to, Report* report) {
    auto free = waitBoxUncovered(app);
    if (!free) return free;
    const POINT from = app.boxMiddle();
    auto dragged = dragTo(from, to);
    if (!dragged) return dragged;
    HWND reportBox = nullptr;
    auto shown = app.waitReport(&reportBox);
    if (!shown) return shown << " after a drag to (" << to.x << "," << to.y << ")";
    *report = readReport(reportBox);
    return ::testing::AssertionSuccess();
}

POINT middleOf(HWND window) {
    const RECT rc = windowRect(window);
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

::testing::AssertionResult waitVisibleWindow(const Process& p, const wchar_t* cls, HWND* found) {
    if (!p.started())
        return ::testing::AssertionFailure()
               << "the program did not start, error " << p.startError();
    return waitUntil(
        [&] {
            *found = p.window(cls);
            return *found && IsWindowVisible(*found);
        },
        kStartMs, "a visible window of class " + toUtf8(cls));
}

// Notepad, moved where neither MainWindow nor the report can cover it.
::testing::AssertionResult startNotepad(const Process& notepad, HWND* window) {
    auto up = waitVisibleWindow(notepad, kNotepadClass, window);
    if (!up) return up;
    const RECT& p = kNotepadPlace;
    SetWindowPos(*window, nullptr, p.left, p.top, p.right - p.left, p.bottom - p.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return waitUntil(
        [&] {
            const RECT now = windowRect(*window);
            return EqualRect(&p, &now) != FALSE;
        },
        kReactMs, "notepad at its place", [&] { return describe(*window); });
}

std::wstring titleArgument(const std::wstring& title) {
    return title.empty() ? std::wstring(L::kEmptyTitleOption)
                         : L"\"" + std::wstring(L::kTitleOption) + title + L"\"";
}

// ---- the picture while dragging ------------------------------------------

bool pink(std::uint32_t rgb) {
    const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return r >= 180 && r - g >= 40 && b >= g;
}

struct PixelCount {
    int pink = 0, other = 0;  // `other`: neither the background nor pink
};

PixelCount countPixels(const Capture& shot, std::uint32_t background) {
    PixelCount n;
    for (std::uint32_t px : shot.pixels) {
        if (pink(px))
            ++n.pink;
        else if (px != background)
            ++n.other;
    }
    return n;
}

std::string describeCount(const PixelCount& n) {
    return std::to_string(n.pink) + " pink and " + std::to_string(n.other) +
           " other non-background pixels";
}

int differingPixels(const Capture& a, const Capture& b) {
    if (a.pixels.size() != b.pixels.size()) return -1;
    int n = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) n += a.pixels[i] != b.pixels[i];
    return n;
}

TEST(PickPicture, BoxShowsOnlyItsBackgroundWhileTheButtonIsHeld) {
    Process target(targetExe());
    HWND targetWindow = nullptr;
    ASSERT_TRUE(waitVisibleWindow(target, L::kWindowClass, &targetWindow));
    Vennet app;
    ASSERT_TRUE(app.start());
    HWND box = app.control(C::图片框1);
    ASSERT_NE(nullptr, box) << app.seenWindows();
    ASSERT_TRUE(waitBoxUncovered(app));
    const RECT boxRect = windowRect(box);
    const std::uint32_t background = [] {
        const COLORREF c = GetSysColor(COLOR_BTNFACE);
        return static_cast<std::uint32_t>(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
    }();
    // The picture as it rests, once it has painted.
    ASSERT_TRUE(
        waitUntil([&] { return countPixels(capture(boxRect), background).pink > 100; }, kReactMs,
                  "the lotus in the picture box",
                  [&] { return describeCount(countPixels(capture(boxRect), background)); }));
    pause(200);
    const Capture resting = capture(boxRect);
    ASSERT_TRUE(resting.ok());

    const POINT from = app.boxMiddle();
    const POINT to = middleOf(childById(targetWindow, 2));
    // Sampled at every step of the way, the first time after the box has
    // had the chance to repaint.
    auto samePixels = [&](int step) {
        if (step == 1) {
            EXPECT_TRUE(waitUntil(
                [&] {
                    const PixelCount n = countPixels(capture(boxRect), background);
                    return n.pink == 0 && n.other == 0;
                },
                kReactMs, "an empty picture box while the button is held",
                [&] { return describeCount(countPixels(capture(boxRect), background)); }));
        }
        pause(20);
        const PixelCount n = countPixels(capture(boxRect), background);
        EXPECT_TRUE(n.pink == 0 && n.other == 0) << "step " << step << ": " << describeCount(n);
    };
    EXPECT_TRUE(dragTo(from, to, samePixels));

    HWND report = nullptr;
    ASSERT_TRUE(app.waitReport(&report));
    // Out of the way, so that the box can be seen while the report is open.
    SetWindowPos(report, nullptr, 600, 560, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(waitUntil([&] { return differingPixels(resting, capture(boxRect)) == 0; }, kReactMs,
                          "the picture box to look as before the press",
                          [&] {
                              return std::to_string(differingPixels(resting, capture(boxRect))) +
                                     " pixels differ, " +
                                     describeCount(countPixels(capture(boxRect), background)) +
                                     "; report " + describe(report);
                          }));
    EXPECT_TRUE(closeReport(report));
}

// ---- the report ---------------------------------------------------------

TEST(PickReport, TitleBarOfNotepadPicksTheWindowAndTheCaptionFollows) {
    Process notepad(systemProgram(L"notepad.exe"));
    HWND window = nullptr;
    ASSERT_TRUE(startNotepad(notepad, &window));
    Vennet app;
    ASSERT_TRUE(app.start());
    // Nothing is picked yet.
    EXPECT_TEXT_EQ(texts::kCaptionNoTarget, caption(app.main()));

    const std::string title = caption(window);
    ASSERT_FALSE(title.empty()) << describe(window);
    Report report;
    ASSERT_TRUE(pickAt(app, captionPoint(window), &report));
    expectReport(report, expectedReport(title, window));
    // A pick alone hides nothing.
    EXPECT_TRUE(IsWindowVisible(window)) << describe(window);
    ASSERT_TRUE(closeReport(report.box));
    EXPECT_TRUE(app.waitCaptionRewritten(texts::kCaptionWaiting));
    EXPECT_TRUE(IsWindowVisible(app.main())) << describe(app.main());
    EXPECT_TRUE(IsWindowEnabled(app.main())) << describe(app.main());
}

TEST(PickReport, EditAreaOfNotepadPicksTheEditControl) {
    Process notepad(systemProgram(L"notepad.exe"));
    HWND window = nullptr;
    ASSERT_TRUE(startNotepad(notepad, &window));
    HWND edit = nullptr;
    for (HWND c : children(window))
        if (classIs(c, L"Edit") && IsWindowVisible(c)) edit = c;
    ASSERT_NE(nullptr, edit) << describe(window);
    Vennet app;
    ASSERT_TRUE(app.start());

    Report report;
    ASSERT_TRUE(pickAt(app, middleOf(edit), &report));
    SCOPED_TRACE("notepad " + describe(window) + ", its edit " + describe(edit));
    expectReport(report, expectedReport(caption(edit), edit));
    EXPECT_NE(std::string::npos, report.text.find(handleText(edit)));
    ASSERT_TRUE(closeReport(report.box));
}

// Over the children of the test target: the window found at the pointer, or
// a smaller visible sibling after it in the Z order that holds the pointer.
TEST(PickReport, SmallestSiblingAtOrAfterTheOneUnderThePointerIsPicked) {
    struct Row {
        const char* where;
        int x, y;          // client coordinates of the target; y < 0: the title bar
        int underPointer;  // child id that WindowFromPoint gives, 0: the window itself
        int picked;
    };
    const Row rows[] = {
        // "above" is topmost and smaller than "big" after it.
        {"above, before big in Z order", 50, 50, 1, 1},
        // "below" lies under "big" and is smaller: found by the walk after big.
        {"below, after big in Z order", 200, 50, 2, 3},
        {"big where nothing smaller lies", 150, 100, 2, 2},
        {"the target button", 350, 25, 4, 4},
        {"the target edit", 350, 62, 5, 5},
        {"the title bar", 0, -1, 0, 0},
    };
    Process target(targetExe());
    HWND window = nullptr;
    ASSERT_TRUE(waitVisibleWindow(target, L::kWindowClass, &window));
    Vennet app;
    ASSERT_TRUE(app.start());
    auto byId = [&](int id) { return id == 0 ? window : childById(window, id); };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.where);
        const POINT at = row.y < 0 ? captionPoint(window) : clientToScreen(window, row.x, row.y);
        HWND picked = byId(row.picked);
        ASSERT_NE(nullptr, picked);
        // The premise of the row, as the window system sees it.
        EXPECT_EQ(byId(row.underPointer), WindowFromPoint(at)) << describe(WindowFromPoint(at));
        Report report;
        ASSERT_TRUE(pickAt(app, at, &report));
        // The title as the window manager keeps it (an Edit of another
        // process keeps none there).
        const std::string title = caption(picked);
        expectReport(report, expectedReport(title, picked));
        ASSERT_TRUE(closeReport(report.box));
    }
}

TEST(PickReport, TitlesAreReportedInCodePage936) {
    std::wstring longTitle;
    while (longTitle.size() < 10000) longTitle += L"Vennet长标题-";
    longTitle.resize(10000);
    struct Row {
        const char* what;
        std::wstring title;
        std::string expected;  // the title part of the report
    };
    const Row rows[] = {
        {"empty", L"", ""},
        {"Chinese", L"中文标题", "中文标题"},
        {"Thai",
         L"泰文"
         L"\x0E2A\x0E27\x0E31\x0E2A\x0E14\x0E35"
         L"测试",
         "泰文??????测试"},
        // The system's conversion decides how many '?' a surrogate pair gives.
        {"emoji", L"a\xD83D\xDE00z", toCp936(L"a\xD83D\xDE00z")},
        {"10,000 characters", longTitle, toCp936(longTitle)},
    };
    const std::string& emoji = rows[3].expected;
    ASSERT_TRUE(emoji.size() >= 3 && emoji.front() == 'a' && emoji.back() == 'z' &&
                emoji.find_first_not_of('?', 1) == emoji.size() - 1)
        << show(emoji);
    Vennet app;
    ASSERT_TRUE(app.start());
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string("title: ") + row.what);
        Process target(targetExe(), titleArgument(row.title));
        HWND window = nullptr;
        ASSERT_TRUE(waitVisibleWindow(target, L::kWindowClass, &window));
        ASSERT_EQ(row.title.size(), static_cast<std::size_t>(GetWindowTextLengthW(window)))
            << "the target's own title";
        Report report;
        ASSERT_TRUE(pickAt(app, captionPoint(window), &report));
        expectReport(report, expectedReport(row.expected, window));
        ASSERT_TRUE(closeReport(report.box));
        ASSERT_TRUE(app.process().alive());
    }
    EXPECT_TRUE(app.waitCaptionRewritten(texts::kCaptionWaiting));
}

// ---- the lock -----------------------------------------------------------

struct Rehide {
    std::vector<double> hiddenAfterMs;  // from ShowWindow's return to hidden
    std::vector<double> showCallMs;     // how long ShowWindow itself took
    int visibleAtFirstLook = 0;
    int stillVisible = 0;  // trials that saw no hide within the deadline
};

// Another program shows the window again and again; each time it watches
// how long the window stays visible.
Rehide showRepeatedly(HWND window) {
    Rehide r;
    for (int trial = 0; trial < kRehideTrials; ++trial) {
        const double before = nowMs();
        ShowWindow(window, SW_SHOW);
        const double shown = nowMs();
        bool visible = IsWindowVisible(window) != FALSE;
        if (visible) ++r.visibleAtFirstLook;
        while (visible && nowMs() - shown < kRehideDeadlineMs)
            visible = IsWindowVisible(window) != FALSE;
        if (visible) ++r.stillVisible;
        r.hiddenAfterMs.push_back(nowMs() - shown);
        r.showCallMs.push_back(shown - before);
        pause(30);
    }
    return r;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double maximum(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

void printFigure(const char* name, const Rehide& r) {
    char line[256];
    std::snprintf(line, sizeof line,
                  "FIGURE %s median %.2f ms, max %.2f ms over %d trials (visible at the first "
                  "look in %d; ShowWindow took median %.2f ms, max %.2f ms)",
                  name, median(r.hiddenAfterMs), maximum(r.hiddenAfterMs),
                  static_cast<int>(r.hiddenAfterMs.size()), r.visibleAtFirstLook,
                  median(r.showCallMs), maximum(r.showCallMs));
    std::printf("%s\n", line);
    ::testing::Test::RecordProperty(std::string(name) + "-median-ms",
                                    std::to_string(median(r.hiddenAfterMs)));
    ::testing::Test::RecordProperty(std::string(name) + "-max-ms",
                                    std::to_string(maximum(r.hiddenAfterMs)));
}

::testing::AssertionResult waitLocked(Vennet& app, HWND target) {
    return waitUntil(
        [&] {
            return !IsWindowVisible(target) && !IsWindowVisible(app.main()) &&
                   !IsWindowEnabled(app.main());
        },
        kLockMs, "the target and MainWindow hidden, MainWindow disabled",
        [&] { return "target " + describe(target) + "; MainWindow " + describe(app.main()); });
}

TEST(PickLockCaption, LockHidesTargetAndMainWindowAndKeepsThemHidden) {
    Process notepad(systemProgram(L"notepad.exe"));
    HWND window = nullptr;
    ASSERT_TRUE(startNotepad(notepad, &window));
    Vennet app;
    ASSERT_TRUE(app.start());
    setText(app.control(C::编辑框2), L"0", 3000);
    ASSERT_TEXT_EQ("0", windowText(app.control(C::编辑框2)));

    Report report;
    ASSERT_TRUE(pickAt(app, captionPoint(window), &report));
    ASSERT_TRUE(closeReport(report.box));
    const double closed = nowMs();
    ASSERT_TRUE(waitLocked(app, window));
    const double lockedAfter = nowMs() - closed;
    std::printf("FIGURE lock-after-report %.0f ms from the report's close to the lock seen\n",
                lockedAfter);
    RecordProperty("lock-after-report-ms", std::to_string(lockedAfter));
    EXPECT_TRUE(IsWindow(app.tray())) << app.seenWindows();
    EXPECT_TRUE(app.process().alive());
    EXPECT_TRUE(notepad.alive());
    // Ticks go on while locked.
    EXPECT_TRUE(app.waitCaptionRewritten(texts::kCaptionWaiting));

    const Rehide target = showRepeatedly(window);
    printFigure("rehide-target", target);
    EXPECT_EQ(0, target.stillVisible) << "notepad stayed visible " << kRehideDeadlineMs
                                      << " ms after ShowWindow; " << describe(window);

    const Rehide main = showRepeatedly(app.main());
    printFigure("rehide-mainwindow", main);
    EXPECT_EQ(0, main.stillVisible) << "MainWindow stayed visible " << kRehideDeadlineMs
                                    << " ms after ShowWindow; " << describe(app.main());

    // Still locked after all that.
    EXPECT_TRUE(waitLocked(app, window));
    EXPECT_TRUE(IsWindow(app.tray())) << app.seenWindows();
    EXPECT_FALSE(IsWindowVisible(app.tray()));
    EXPECT_TEXT_EQ(texts::kCaptionWaiting, caption(app.main()));
}

// Limits that are no number, or a negative one, count as 0 or less: the
// lock starts at once after the pick.
TEST(PickLockCaption, LimitsThatAreNoPositiveNumberLockAtOnce) {
    const wchar_t* const limits[] = {L"abc", L"-5", L"----------", L"--5"};
    for (const wchar_t* limit : limits) {
        SCOPED_TRACE("minutes text " + toUtf8(limit));
        Process target(targetExe());
        HWND window = nullptr;
        ASSERT_TRUE(waitVisibleWindow(target, L::kWindowClass, &window));
        Vennet app;
        ASSERT_TRUE(app.start());
        setText(app.control(C::编辑框2), limit, 3000);
        Report report;
        ASSERT_TRUE(pickAt(app, captionPoint(window), &report));
        ASSERT_TRUE(closeReport(report.box));
        EXPECT_TRUE(waitLocked(app, window));
        EXPECT_TRUE(app.waitCaptionRewritten(texts::kCaptionWaiting));
    }
}

TEST(PickLockCaption, WithoutAPickNothingLocksAtLimitZero) {
    Vennet app;
    ASSERT_TRUE(app.start());
    setText(app.control(C::编辑框2), L"0", 3000);
    ASSERT_TEXT_EQ("0", windowText(app.control(C::编辑框2)));
    pause(2000);
    EXPECT_TRUE(IsWindowVisible(app.main())) << describe(app.main());
    EXPECT_TRUE(IsWindowEnabled(app.main())) << describe(app.main());
    EXPECT_TRUE(app.waitCaptionRewritten(texts::kCaptionNoTarget));
}

TEST(PickLockCaption, OddMinutesTextsLeaveTheTickRunning) {
    struct Row {
        const char* what;
        std::wstring text;
    };
    std::wstring mixed;
    while (mixed.size() < 10000) mixed += L"12-x9";
    const Row rows[] = {
        {"10,000 digits", std::wstring(10000, L'9')},
        {"10,000 mixed characters", mixed},
        {"letters", L"abcXYZ"},
        {"many minus signs", std::wstring(5000, L'-')},
        {"minus signs before a digit", std::wstring(9999, L'-') + L"5"},
        {"Chinese", L"五分钟"},
    };
    Vennet app;
    ASSERT_TRUE(app.start());
    HWND box = app.control(C::编辑框2);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        setText(box, row.text, 3000);
        // The tick reads what the box holds; make sure that is the odd text.
        ASSERT_TRUE(sameText(toCp936(row.text), windowText(box)));
        ASSERT_TRUE(app.waitCaptionRewritten(texts::kCaptionNoTarget));
        ASSERT_TRUE(app.process().alive());
        EXPECT_TRUE(IsWindowVisible(app.main())) << describe(app.main());
        EXPECT_TRUE(IsWindowEnabled(app.main())) << describe(app.main());
    }
}

}  // namespace
