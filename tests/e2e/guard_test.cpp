// Closing MainWindow while locked and while idle, the test button with and
// without a pick, and the message-pumping delay measured in a probe of its
// own: all as another program on the same desktop sees it.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/names.h"
#include "app/texts.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/target_layout.h"

namespace {

using namespace e2e;
using C = ControlName;

constexpr int kStartMs = 10000;
constexpr int kReactMs = 5000;
// While locked the worker keeps one of the two cores busy.
constexpr int kLockedMs = 10000;

const wchar_t* const kDialogClass = L"#32770";
const wchar_t* const kMenuClass = L"#32768";
const wchar_t* const kNotepadClass = L"Notepad";
// Clear of MainWindow (centred, rows 245..522) and of the test target.
constexpr RECT kNotepadPlace = {560, 10, 1000, 220};

std::string reportFor(const std::string& title, HWND window) {
    return std::string(texts::kPickedPrefix) + title + texts::kPickedHandle + handleText(window);
}

// The text a dialog shows: its first visible static control with text.
std::string dialogText(HWND dialog) {
    for (HWND c : children(dialog))
        if (classIs(c, L"Static") && IsWindowVisible(c)) {
            const std::string text = windowText(c);
            if (!text.empty()) return text;
        }
    return std::string();
}

std::string describeAll(const std::vector<HWND>& windows) {
    std::string out;
    for (HWND w : windows) out += "\n  " + describe(w);
    return out.empty() ? std::string("none") : out;
}

// Answers a dialog as its OK (or Cancel) button would, and waits for it to go.
::testing::AssertionResult answer(HWND dialog, int button = IDOK) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    return waitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, kReactMs,
                     "the dialog to close", [&] { return describe(dialog); });
}

BOOL CALLBACK collectVisible(HWND window, LPARAM param) {
    if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

// Every visible top-level window on the desktop, of any process.
std::vector<HWND> visibleTopLevelWindows() {
    std::vector<HWND> found;
    EnumWindows(collectVisible, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Moves the pointer and waits until it has settled there. Under Wine a move
// can be undone by the late echo of an earlier one; once the pointer has
// settled elsewhere, the move is made again.
::testing::AssertionResult pointerTo(POINT p) {
    constexpr double kSettleMs = 150;
    mouseMove(p.x, p.y);
    POINT at{}, last{-100000, -100000};
    double since = nowMs();
    int moves = 1;
    return waitUntil(
        [&] {
            GetCursorPos(&at);
            if (at.x != last.x || at.y != last.y) {
                last = at;
                since = nowMs();
                return false;
            }
            if (nowMs() - since < kSettleMs) return false;
            if (std::abs(at.x - p.x) <= 1 && std::abs(at.y - p.y) <= 1) return true;
            mouseMove(p.x, p.y);
            ++moves;
            since = nowMs();
            return false;
        },
        // Under load Wine can keep putting the pointer back for seconds.
        3 * kReactMs,
        "the pointer to settle at (" + std::to_string(p.x) + "," + std::to_string(p.y) + ")",
        [&] {
            return "(" + std::to_string(at.x) + "," + std::to_string(at.y) + ") after " +
                   std::to_string(moves) + " moves";
        });
}

// A click where the pointer is known to be.
::testing::AssertionResult clickAt(POINT p) {
    auto there = pointerTo(p);
    if (!there) return there;
    mouseDown();
    mouseUp();
    return ::testing::AssertionSuccess();
}

// A program of the test whose one top-level window of a class is visible.
class Program {
public:
    Program(const std::wstring& exe, const wchar_t* cls) : exe_(exe), cls_(cls) {}

    ::testing::AssertionResult start() {
        // A start can fail while Wine itself is still starting up; try again.
        for (int attempt = 0; attempt < 3; ++attempt) {
            process_.reset(new Process(exe_));
            if (process_->started()) break;
            pause(500);
        }
        if (!process_->started())
            return ::testing::AssertionFailure() << "CreateProcessW of " << toUtf8(exe_)
                                                 << " failed, error " << process_->startError();
        return waitUntil(
            [&] {
                window_ = process_->window(cls_);
                return window_ && IsWindowVisible(window_);
            },
            kStartMs, "a visible " + toUtf8(cls_) + " window",
            [&] { return describeAll(process_->windows()); });
    }

    // Moved and sized from outside, so that its caption is clear of others.
    ::testing::AssertionResult place(const RECT& rc) {
        SetWindowPos(window_, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return waitUntil(
            [&] {
                const RECT now = windowRect(window_);
                return now.left == rc.left && now.top == rc.top;
            },
            kReactMs, "the window at its place", [&] { return describe(window_); });
    }

    Process& process() { return *process_; }
    HWND window() const { return window_; }

private:
    std::wstring exe_;
    const wchar_t* cls_;
    std::unique_ptr<Process> process_;
    HWND window_ = nullptr;
};

// A vennet.exe of this test, with its MainWindow visible.
class Vennet {
public:
    Vennet() : process_(vennetExe()) {}

    ::testing::AssertionResult start() {
        auto launched = checkStarted(process_, vennetExe(), "VENNET_EXE");
        if (!launched) return launched;
        auto found = waitUntil(
            [&] {
                main_ = process_.window(names::kMainWindowClass);
                tray_ = process_.window(names::kTrayWindowClass);
                return main_ && tray_ && IsWindowVisible(main_);
            },
            kStartMs, "a visible MainWindow and the TrayWindow", [&] { return seenWindows(); });
        if (!found) return found;
        // The first tick has run once the status is in the caption.
        return waitUntil([&] { return !caption(main_).empty(); }, kReactMs,
                         "the first status caption");
    }

    HWND control(C c) const { return childById(main_, names::controlId(c)); }

    // The idle limit in minutes, as if typed into its box.
    ::testing::AssertionResult setLimit(const wchar_t* minutes) {
        HWND box = control(C::编辑框2);
        if (!setText(box, minutes, 3000))
            return ::testing::AssertionFailure() << "no answer from the minutes box";
        return ::testing::AssertionSuccess();
    }

    POINT boxMiddle() const {
        const RECT rc = windowRect(control(C::图片框1));
        return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }

    // As a user does it: a click on its caption bar.
    ::testing::AssertionResult bringToFront() {
        if (GetForegroundWindow() != main_) {
            const POINT p = captionPoint(main_);
            auto clicked = clickAt(p);
            if (!clicked) return clicked;
        }
        return waitUntil([&] { return GetForegroundWindow() == main_; }, kReactMs,
                         "MainWindow in the foreground",
                         [&] { return describe(GetForegroundWindow()); });
    }

    std::vector<HWND> dialogs(const char* withCaption = nullptr) const {
        std::vector<HWND> out;
        for (HWND w : process_.windows(kDialogClass))
            if (IsWindowVisible(w) && (!withCaption || caption(w) == withCaption))
                out.push_back(w);
        return out;
    }

    // Waits for a message box of ours ("信息：") and gives it.
    ::testing::AssertionResult waitMessage(HWND* box, int timeoutMs = kReactMs) {
        return waitUntil(
            [&] {
                const auto found = dialogs(texts::kMessageCaption);
                *box = found.empty() ? nullptr : found.front();
                return *box != nullptr;
            },
            timeoutMs, "a message box of Vennet", [&] { return seenWindows(); });
    }

    // Drags from the picture box to `to`, as a user picks a window; gives
    // the report box that follows. The release waits until the pointer has
    // settled at `to`: the pick reads the pointer when it handles the
    // release, and a move still on its way would pick another window.
    ::testing::AssertionResult pickAt(POINT to, HWND* report) {
        auto front = bringToFront();
        if (!front) return front;
        const POINT from = boxMiddle();
        auto there = pointerTo(from);
        if (!there) return there;
        mouseDown();
        constexpr int kSteps = 12;
        for (int i = 1; i < kSteps; ++i) {
            pause(15);
            mouseMove(from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps);
        }
        there = pointerTo(to);
        mouseUp();
        if (!there) return there;
        auto shown = waitMessage(report);
        if (!shown) return shown << " after a release at (" << to.x << "," << to.y << ")";
        return ::testing::AssertionSuccess();
    }

    // Picks `to`, checks that the report names `expected` and answers it.
    ::testing::AssertionResult pickAndAnswer(POINT to, HWND expected) {
        HWND report = nullptr;
        auto picked = pickAt(to, &report);
        if (!picked) return picked;
        const std::string text = dialogText(report);
        const std::string handle = handleText(expected);
        const bool named = text.size() > handle.size() &&
                           text.compare(text.size() - handle.size(), handle.size(), handle) == 0 &&
                           !isdigit(static_cast<unsigned char>(text[text.size() - handle.size() - 1]));
        auto answered = answer(report);
        if (!named)
            return ::testing::AssertionFailure() << "the report " << show(text) << " does not name "
                                                 << describe(expected);
        return answered;
    }

    ::testing::AssertionResult waitLocked(HWND target) {
        return waitUntil([&] { return !IsWindowVisible(target) && !IsWindowVisible(main_); },
                         kLockedMs, "the target and MainWindow hidden by the lock",
                         [&] { return describe(target) + "; " + describe(main_); });
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

// ---- closing MainWindow -------------------------------------------------

TEST(ForcedClose, WhileLockedShowsTheWarningTextThenEndsTheTargetProcess) {
    Program notepad(systemProgram(L"notepad.exe"), kNotepadClass);
    ASSERT_TRUE(notepad.start());
    ASSERT_TRUE(notepad.place(kNotepadPlace));
    Program other(targetExe(), target_layout::kWindowClass);
    ASSERT_TRUE(other.start()) << "VENNET_TARGET_EXE: " << toUtf8(targetExe());
    Vennet app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.setLimit(L"0"));
    ASSERT_TRUE(app.pickAndAnswer(captionPoint(notepad.window()), notepad.window()));
    ASSERT_TRUE(app.waitLocked(notepad.window()));

    HWND main = app.main();
    PostMessageW(main, WM_CLOSE, 0, 0);
    HWND box = nullptr;
    ASSERT_TRUE(app.waitMessage(&box, kLockedMs));
    EXPECT_TEXT_EQ(texts::kForcedClose, dialogText(box));
    // The user is told before anything is ended.
    EXPECT_TRUE(notepad.process().alive()) << "notepad ended before the message";
    EXPECT_FALSE(IsWindowVisible(main)) << describe(main);
    ASSERT_TRUE(answer(box));

    DWORD code = 0;
    ASSERT_TRUE(notepad.process().waitExit(kLockedMs, &code)) << "notepad still runs";
    printf("notepad ended with exit code %lu\n", static_cast<unsigned long>(code));
    EXPECT_EQ(0u, code);

    EXPECT_TRUE(waitUntil([&] { return !IsWindow(main); }, kLockedMs, "MainWindow to go",
                          [&] { return describe(main); }));
    // Still running in the tray a while later.
    pause(1000);
    ASSERT_FALSE(app.process().waitExit(0, &code)) << "Vennet ended with exit code " << code;
    EXPECT_TRUE(IsWindow(app.tray())) << app.seenWindows();
    EXPECT_EQ(nullptr, app.process().window(names::kMainWindowClass)) << app.seenWindows();
    EXPECT_TRUE(app.dialogs().empty()) << app.seenWindows();

    // Still locked: F2 asks for the password rather than saying it is not
    // locked. Keys reach the system only with a window in front, so the
    // user first clicks another program; F2 is held until something shows.
    ASSERT_TRUE(clickAt(captionPoint(other.window())));
    ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == other.window(); }, kReactMs,
                          "the test target in front",
                          [&] { return describe(GetForegroundWindow()); }));
    keyDown(VK_F2);
    HWND prompt = nullptr;
    const auto prompted = waitUntil(
        [&] {
            const auto found = app.dialogs();
            prompt = found.empty() ? nullptr : found.front();
            return prompt != nullptr;
        },
        kLockedMs, "a dialog after F2", [&] { return app.seenWindows(); });
    keyUp(VK_F2);
    ASSERT_TRUE(prompted);
    EXPECT_TEXT_EQ(texts::kPromptTitle, caption(prompt));
    EXPECT_TEXT_EQ(texts::kPromptPassword, dialogText(prompt));
    EXPECT_TRUE(answer(prompt, IDCANCEL));
}

TEST(ForcedClose, WhileIdleAfterAPickReportShowsNothingAndLeavesTheTargetAlone) {
    Program notepad(systemProgram(L"notepad.exe"), kNotepadClass);
    ASSERT_TRUE(notepad.start());
    ASSERT_TRUE(notepad.place(kNotepadPlace));
    Vennet app;
    ASSERT_TRUE(app.start());
    const RECT before = windowRect(notepad.window());
    const std::string titleBefore = caption(notepad.window());
    HWND report = nullptr;
    ASSERT_TRUE(app.pickAt(captionPoint(notepad.window()), &report));
    EXPECT_TEXT_EQ(reportFor(titleBefore, notepad.window()), dialogText(report));
    ASSERT_TRUE(answer(report));

    HWND main = app.main();
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(main) || !app.dialogs().empty(); }, kReactMs,
                          "MainWindow to go", [&] { return app.seenWindows(); }));
    // Long enough for a message box to show, had there been one.
    pause(1500);
    EXPECT_TRUE(app.dialogs().empty()) << "a dialog after the close:" << app.seenWindows();
    EXPECT_FALSE(IsWindow(main)) << describe(main);
    DWORD code = 0;
    ASSERT_FALSE(app.process().waitExit(0, &code)) << "Vennet ended with exit code " << code;
    EXPECT_TRUE(IsWindow(app.tray())) << app.seenWindows();

    ASSERT_TRUE(notepad.process().alive());
    HWND w = notepad.window();
    EXPECT_TRUE(IsWindow(w) && IsWindowVisible(w)) << describe(w);
    const RECT after = windowRect(w);
    EXPECT_TRUE(EqualRect(&before, &after)) << describe(w);
    EXPECT_EQ(titleBefore, caption(w));
}

TEST(ForcedClose, OfVennetsOwnWindowShowsTheWarningTextThenEndsVennet) {
    Vennet app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.setLimit(L"0"));
    // A click on the picture box: the box itself is picked.
    HWND box = app.control(C::图片框1);
    ASSERT_NE(nullptr, box);
    HWND report = nullptr;
    ASSERT_TRUE(app.pickAt(app.boxMiddle(), &report));
    EXPECT_TEXT_EQ(reportFor("", box), dialogText(report));
    ASSERT_TRUE(answer(report));
    ASSERT_TRUE(app.waitLocked(box));

    PostMessageW(app.main(), WM_CLOSE, 0, 0);
    HWND warning = nullptr;
    ASSERT_TRUE(app.waitMessage(&warning, kLockedMs));
    EXPECT_TEXT_EQ(texts::kForcedClose, dialogText(warning));
    EXPECT_TRUE(app.process().alive()) << "Vennet ended before the message";
    ASSERT_TRUE(answer(warning)) << "Vennet may have ended before the box could go";

    DWORD code = 0;
    ASSERT_TRUE(app.process().waitExit(kLockedMs, &code))
        << "Vennet still runs:" << app.seenWindows();
    printf("Vennet ended with exit code %lu (0x%lx)\n", static_cast<unsigned long>(code),
           static_cast<unsigned long>(code));
    RecordProperty("own_pick_exit_code", static_cast<int>(code));
}

// ---- the test button ----------------------------------------------------

TEST(TestHide, WithoutAPickDoesNothing) {
    Program notepad(systemProgram(L"notepad.exe"), kNotepadClass);
    ASSERT_TRUE(notepad.start());
    ASSERT_TRUE(notepad.place(kNotepadPlace));
    Vennet app;
    ASSERT_TRUE(app.start());
    HWND button = app.control(C::按钮1);
    ASSERT_NE(nullptr, button);
    ASSERT_TRUE(app.bringToFront());
    const std::vector<HWND> shownBefore = visibleTopLevelWindows();
    const RECT rc = windowRect(button);
    ASSERT_TRUE(clickAt({(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}));
    EXPECT_TRUE(waitUntil([&] { return focusOf(threadOf(app.main())) == button; }, kReactMs,
                          "the focus on the test button",
                          [&] { return describe(focusOf(threadOf(app.main()))); }));
    // Long enough for a hide or a message to show, had there been one.
    pause(1000);
    EXPECT_TRUE(app.dialogs().empty()) << app.seenWindows();
    for (HWND w : shownBefore) EXPECT_TRUE(IsWindowVisible(w)) << "hidden: " << describe(w);
    EXPECT_TRUE(IsWindowVisible(button)) << describe(button);
    EXPECT_TRUE(IsWindowVisible(notepad.window())) << describe(notepad.window());
    EXPECT_TRUE(app.process().alive());
}

TEST(TestHide, HidesAtOnceAndVennetAnswersDuringTheWaitAndReportsASecondPick) {
    Program notepad(systemProgram(L"notepad.exe"), kNotepadClass);
    ASSERT_TRUE(notepad.start());
    ASSERT_TRUE(notepad.place(kNotepadPlace));
    Program other(targetExe(), target_layout::kWindowClass);
    ASSERT_TRUE(other.start()) << "VENNET_TARGET_EXE: " << toUtf8(targetExe());
    Vennet app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.pickAndAnswer(captionPoint(notepad.window()), notepad.window()));
    ASSERT_TRUE(IsWindowVisible(notepad.window()));

    ASSERT_TRUE(app.bringToFront());
    const RECT rc = windowRect(app.control(C::按钮1));
    ASSERT_TRUE(pointerTo({(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}));
    const double clickedAt = nowMs();
    mouseDown();
    mouseUp();
    ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(notepad.window()); }, kReactMs,
                          "notepad hidden by the test button",
                          [&] { return describe(notepad.window()); }));
    const double hiddenAfter = nowMs() - clickedAt;
    printf("FIGURE test-hide notepad hidden %.1f ms after the click\n", hiddenAfter);
    RecordProperty("test_hide_ms", static_cast<int>(hiddenAfter));

    // The ticks go on: a caption overwritten from outside comes back.
    ASSERT_TRUE(setText(app.main(), L"-", 3000));
    EXPECT_TRUE(waitUntil([&] { return caption(app.main()) == texts::kCaptionWaiting; }, kReactMs,
                          "the status caption written again",
                          [&] { return show(caption(app.main())); }));

    // Messages of other programs are answered.
    const double sentAt = nowMs();
    DWORD_PTR length = 0;
    EXPECT_TRUE(SendMessageTimeoutW(app.main(), WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kReactMs,
                                    &length));
    const double repliedAfter = nowMs() - sentAt;
    printf("FIGURE test-hide MainWindow answered a sent message in %.2f ms during the wait\n",
           repliedAfter);
    RecordProperty("reply_during_wait_us", static_cast<int>(repliedAfter * 1000));

    // The minutes box takes typing.
    HWND minutes = app.control(C::编辑框2);
    ASSERT_TRUE(app.bringToFront());
    const RECT mrc = windowRect(minutes);
    ASSERT_TRUE(clickAt({mrc.right - 8, (mrc.top + mrc.bottom) / 2}));
    EXPECT_TRUE(waitUntil([&] { return focusOf(threadOf(app.main())) == minutes; }, kReactMs,
                          "the focus in the minutes box"));
    pressKey(VK_END);
    typeText(L"7");
    EXPECT_TRUE(waitUntil([&] { return windowText(minutes) == "17"; }, kReactMs,
                          "the minutes box to read 17",
                          [&] { return show(windowText(minutes)); }));

    // The tray menu opens on the tray callback.
    PostMessageW(app.tray(), names::kTrayCallbackMessage, names::kTrayIconId, WM_RBUTTONUP);
    HWND menu = nullptr;
    EXPECT_TRUE(waitUntil(
        [&] {
            for (HWND w : app.process().windows(kMenuClass))
                if (IsWindowVisible(w)) menu = w;
            return menu != nullptr;
        },
        kReactMs, "the tray menu", [&] { return app.seenWindows(); }));
    if (menu) {
        pressKey(VK_ESCAPE);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, kReactMs,
                              "the tray menu to close", [&] { return describe(menu); }));
    }

    // Still hidden well past a wait misread as 2,000 ms.
    pause(std::max(0, static_cast<int>(clickedAt + 3000 - nowMs())));
    EXPECT_FALSE(IsWindowVisible(notepad.window()))
        << describe(notepad.window()) << ", " << nowMs() - clickedAt << " ms after the click";

    // A second pick works and reports the new window.
    HWND report = nullptr;
    ASSERT_TRUE(app.pickAt(captionPoint(other.window()), &report));
    EXPECT_TEXT_EQ(reportFor(toCp936(target_layout::kTitle), other.window()), dialogText(report));
    ASSERT_TRUE(answer(report));

    // The first target stays hidden; the second is not hidden by the pick.
    pause(1000);
    EXPECT_FALSE(IsWindowVisible(notepad.window())) << describe(notepad.window());
    EXPECT_TRUE(IsWindowVisible(other.window())) << describe(other.window());
    EXPECT_TRUE(IsWindowVisible(app.main())) << describe(app.main());
    EXPECT_TRUE(notepad.process().alive());
}

// ---- the delay ----------------------------------------------------------

std::wstring besideThisProgram(const wchar_t* file) {
    wchar_t path[MAX_PATH] = L"";
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    const auto slash = dir.find_last_of(L"\\/");
    dir = slash == std::wstring::npos ? std::wstring() : dir.substr(0, slash + 1);
    return dir + file;
}

// Runs a console program with its output read through a pipe; false when it
// could not be started or did not end within the time-out.
bool runCaptured(const std::wstring& exe, int timeoutMs, std::string* output, DWORD* exitCode,
                 std::string* error) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) {
        *error = "CreatePipe failed";
        return false;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi{};
    std::wstring commandLine = L"\"" + exe + L"\"";
    const BOOL started = CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                                       nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (!started) {
        *error = "CreateProcessW of " + toUtf8(exe) + " failed, error " +
                 std::to_string(GetLastError());
        CloseHandle(readEnd);
        return false;
    }
    const double until = nowMs() + timeoutMs;
    bool ended = false;
    for (;;) {
        DWORD available = 0;
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available) {
            char buffer[4096];
            DWORD got = 0;
            if (!ReadFile(readEnd, buffer, std::min<DWORD>(available, sizeof buffer), &got,
                          nullptr) || got == 0)
                break;
            output->append(buffer, got);
        }
        if (ended) break;
        ended = WaitForSingleObject(pi.hProcess, 20) == WAIT_OBJECT_0;
        if (!ended && nowMs() > until) {
            *error = "still running after " + std::to_string(timeoutMs) + " ms";
            TerminateProcess(pi.hProcess, 0xE2E);
            WaitForSingleObject(pi.hProcess, 5000);
            break;
        }
    }
    GetExitCodeProcess(pi.hProcess, exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(readEnd);
    return ended;
}

// The number after `key` on the first line of the output that holds
// `line`, or -1.
double numberIn(const std::string& output, const std::string& line, const std::string& key) {
    const auto start = output.find(line);
    if (start == std::string::npos) return -1;
    const auto end = output.find('\n', start);
    const std::string text = output.substr(start, end == std::string::npos ? end : end - start);
    const auto at = text.find(key);
    if (at == std::string::npos) return -1;
    return std::atof(text.c_str() + at + key.size());
}

TEST(DelayProbe, ShortWaitsThroughTheRealDelayKeepMessagesFlowing) {
    const std::wstring probe = besideThisProgram(L"delay_probe.exe");
    std::string output, error;
    DWORD code = 0;
    const bool ended = runCaptured(probe, 30000, &output, &code, &error);
    printf("%s", output.c_str());
    ASSERT_TRUE(ended) << error;
    EXPECT_EQ(0u, code) << "the probe's exit code; its FAIL lines are above";

    const std::string flowed = "dispatched during the waits:";
    const double timer = numberIn(output, flowed, " timer ");
    // The probe's output is above; the counts are -1 when its line is missing.
    EXPECT_GT(timer, 0) << "timer messages dispatched during the waits";
    EXPECT_GT(numberIn(output, flowed, " posted "), 0) << "posted messages dispatched";
    EXPECT_GT(numberIn(output, flowed, " sent "), 0) << "sent messages answered";
    struct Figure {
        const char* line;
        const char* key;
        const char* property;
    };
    const Figure figures[] = {
        {"FIGURE delay-250ms ", " median ", "delay_250ms_median_us"},
        {"FIGURE delay-250ms ", " max ", "delay_250ms_max_us"},
        {"FIGURE delay-1us ", " median ", "delay_1us_median_us"},
        {"FIGURE delay-nonpositive ", " max ", "delay_nonpositive_max_us"},
    };
    for (const auto& f : figures) {
        const double ms = numberIn(output, f.line, f.key);
        EXPECT_GE(ms, 0) << "no figure \"" << f.line << "..." << f.key << "\" in the output";
        RecordProperty(f.property, static_cast<int>(ms * 1000));
    }
    RecordProperty("timer_messages_during_waits", static_cast<int>(timer));
}

}  // namespace
