// What goes wrong around Vennet rather than in it: the guarded program
// closing or being killed while locked, a target that is gone before the
// lock begins, the notification area forgetting the icon; and what a long
// run of locks and unlocks costs the process. All as another program on the
// same desktop sees it, with the resource use read from the host.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/names.h"
#include "app/texts.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/target_layout.h"

namespace {

using namespace e2e;
using C = ControlName;
using ::testing::AssertionFailure;
using ::testing::AssertionResult;
using ::testing::AssertionSuccess;

constexpr int kStartMs = 10000;
// While locked the worker keeps one of the two cores busy: be generous.
constexpr int kReactMs = 8000;
constexpr int kLockMs = 10000;
// Long enough for two ticks and many hotkey polls.
constexpr int kSettleMs = 1200;

constexpr const wchar_t* kDialogClass = L"#32770";
constexpr const wchar_t* kMenuClass = L"#32768";
constexpr const wchar_t* kDefaultPassword = L"480957";

constexpr C kMinutesBox = C::编辑框2;
constexpr C kPictureBox = C::图片框1;

std::string firstLabel(HWND dialog) {
    for (HWND c : childrenOfClass(dialog, L"Static")) {
        const std::string t = windowText(c);
        if (!t.empty()) return t;
    }
    return std::string();
}

// ---- the host's view of a process ---------------------------------------
// Wine reports neither the threads nor the memory of another process, so
// they are read from the host's /proc through the Z: drive.

std::string environmentText(const wchar_t* name) {
    wchar_t value[1024] = L"";
    const DWORD n = GetEnvironmentVariableW(name, value, 1024);
    return n > 0 && n < 1024 ? toCp936(value) : std::string();
}

// Field `index` (1-based, as proc(5) counts) of /proc/N/stat.
std::string statField(const std::string& stat, int index) {
    const auto close = stat.rfind(')');
    if (close == std::string::npos || index < 3) return std::string();
    std::istringstream fields(stat.substr(close + 2));
    std::string f;
    for (int i = 3; fields >> f; ++i)
        if (i == index) return f;
    return std::string();
}

// The host process of an exe of our Wine prefix: its command line names the
// exe and its environment holds our prefix. Of several (one just ending),
// the youngest that is not a zombie.
std::wstring hostProcDir(const std::string& exeName, std::string* why) {
    const std::string prefix = environmentText(L"WINEPREFIX");
    if (prefix.empty()) {
        *why = "WINEPREFIX is not set in the environment";
        return std::wstring();
    }
    const std::string wantPrefix = "WINEPREFIX=" + prefix + '\0';
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &found);
    if (find == INVALID_HANDLE_VALUE) {
        *why = "Z:\\proc cannot be listed";
        return std::wstring();
    }
    std::wstring best;
    long long bestStart = -1;
    do {
        if (found.cFileName[0] < L'0' || found.cFileName[0] > L'9') continue;
        const std::wstring dir = std::wstring(L"Z:\\proc\\") + found.cFileName + L"\\";
        const std::string cmdline = readHostFile(dir + L"cmdline");
        const auto at = cmdline.find(exeName);
        if (at == std::string::npos || (at > 0 && cmdline[at - 1] != '\\' && cmdline[at - 1] != '/'))
            continue;
        if (readHostFile(dir + L"environ").find(wantPrefix) == std::string::npos) continue;
        const std::string stat = readHostFile(dir + L"stat");
        if (statField(stat, 3) == "Z") continue;
        const long long start = std::atoll(statField(stat, 22).c_str());
        if (start > bestStart) {
            bestStart = start;
            best = dir;
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
    if (best.empty()) *why = "no host process runs " + exeName + " in prefix " + prefix;
    return best;
}

struct Usage {
    int threads = -1;       // Threads: of /proc/N/status
    int tasks = -1;         // entries of /proc/N/task
    double privateKb = -1;  // RssAnon: resident anonymous memory
    double residentKb = -1;  // VmRSS:
    long handles = -1;      // GetProcessHandleCount, where Wine gives it
    bool ok() const { return threads > 0 && privateKb > 0; }
};

double statusField(const std::string& status, const char* name) {
    const auto at = status.find(name);
    return at == std::string::npos ? -1.0 : std::atof(status.c_str() + at + std::strlen(name));
}

int countTasks(const std::wstring& procDir) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((procDir + L"task\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return -1;
    int n = 0;
    do {
        if (found.cFileName[0] >= L'0' && found.cFileName[0] <= L'9') ++n;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return n;
}

// What the host shows of one process, and the handle count where Wine
// gives it for another process.
class HostView {
public:
    AssertionResult attach(const std::string& exeName, HANDLE process) {
        process_ = process;
        std::string why;
        dir_ = hostProcDir(exeName, &why);
        if (dir_.empty()) return AssertionFailure() << why;
        handlesOk_ = checkHandleCount();
        std::printf("NOTE host process %s; %s\n", toUtf8(dir_).c_str(), handleNote_.c_str());
        const Usage u = read();
        if (!u.ok())
            return AssertionFailure() << "unreadable status in " << toUtf8(dir_) << ": threads "
                                      << u.threads << ", RssAnon " << u.privateKb;
        return AssertionSuccess();
    }

    Usage read() const {
        Usage u;
        const std::string status = readHostFile(dir_ + L"status");
        u.threads = static_cast<int>(statusField(status, "Threads:"));
        u.privateKb = statusField(status, "RssAnon:");
        u.residentKb = statusField(status, "VmRSS:");
        u.tasks = countTasks(dir_);
        DWORD handles = 0;
        if (handlesOk_ && GetProcessHandleCount(process_, &handles))
            u.handles = static_cast<long>(handles);
        return u;
    }

    // Polls until the thread count is at most `most`; the last reading.
    Usage waitThreadsAtMost(int most, int timeoutMs) const {
        Usage u = read();
        const double until = nowMs() + timeoutMs;
        while (u.threads > most && nowMs() < until) {
            pause(50);
            u = read();
        }
        return u;
    }

    bool handlesOk() const { return handlesOk_; }

private:
    // Any process has a few handles open; a count of 0, or a failure, is
    // no reading.
    bool checkHandleCount() {
        DWORD theirs = 0, ours = 0;
        const BOOL got = GetProcessHandleCount(process_, &theirs);
        const unsigned long error = got ? 0 : GetLastError();
        GetProcessHandleCount(GetCurrentProcess(), &ours);
        const bool ok = got && theirs > 0;
        char line[200];
        std::snprintf(line, sizeof line,
                      "GetProcessHandleCount gave %s, count %lu (error %lu), for ourselves %lu: %s",
                      got ? "TRUE" : "FALSE", static_cast<unsigned long>(theirs), error,
                      static_cast<unsigned long>(ours),
                      ok ? "used" : "no plausible reading, the host's task entries stand in");
        handleNote_ = line;
        return ok;
    }

    std::wstring dir_;
    HANDLE process_ = nullptr;
    bool handlesOk_ = false;
    std::string handleNote_;
};

std::string describeUsage(const Usage& u) {
    char line[200];
    std::snprintf(line, sizeof line, "threads %d, tasks %d, private %.0f KiB, resident %.0f KiB",
                  u.threads, u.tasks, u.privateKb, u.residentKb);
    return u.handles < 0 ? std::string(line) : line + (", handles " + std::to_string(u.handles));
}

// Least-squares slope of ys over their indices.
double slope(const std::vector<double>& ys) {
    const double n = static_cast<double>(ys.size());
    if (ys.size() < 2) return 0;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < ys.size(); ++i) {
        const double x = static_cast<double>(i);
        sx += x;
        sy += ys[i];
        sxx += x * x;
        sxy += x * ys[i];
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

void figure(const std::string& name, double value, const char* unit, const std::string& note = "") {
    std::printf("FIGURE %s %.3f %s%s%s\n", name.c_str(), value, unit, note.empty() ? "" : " ",
                note.c_str());
    std::fflush(stdout);
    ::testing::Test::RecordProperty(name, std::to_string(value));
}

// ---- a session: Vennet, the window it guards and a bystander --------------

// Vennet, the test target as the guarded program (it can be closed and
// killed at will), and notepad as another program the user has in front.
class Session {
public:
    Session() : vennet_(vennetExe()) {}

    AssertionResult start() {
        auto shown = checkStarted(vennet_, vennetExe(), "VENNET_EXE");
        if (shown)
            shown = waitShown(vennet_, names::kMainWindowClass, &main_, kStartMs,
                              "a visible MainWindow", [&] { return windows(); });
        if (!shown) return shown;
        tray_ = vennet_.window(names::kTrayWindowClass);
        if (!tray_) return AssertionFailure() << "no TrayWindow:" << windows();
        auto bystander = startBystander();
        if (!bystander) return bystander;
        auto guarded = startTarget();
        if (!guarded) return guarded;
        return waitUntil([&] { return caption(main_) == texts::kCaptionNoTarget; }, kStartMs,
                         "the first tick's caption", [&] { return show(caption(main_)); });
    }

    // Keys sent while only hidden windows are active never arrive under
    // Wine, and a user at the desk has some visible window in front anyway.
    AssertionResult startBystander() {
        // Clear of MainWindow (centred, from row 245 down) and of the target.
        return launchNotepad(&bystander_, &other_, RECT{560, 10, 980, 210}, kStartMs, kReactMs);
    }

    AssertionResult startTarget() {
        target_.reset(new Process(targetExe()));
        if (!target_->started())
            return AssertionFailure() << "VENNET_TARGET_EXE " << toUtf8(targetExe())
                                      << " did not start, error " << target_->startError();
        return waitShown(*target_, target_layout::kWindowClass, &guarded_, kStartMs,
                         "the target's window");
    }

    AssertionResult bringOtherToFront() {
        // Under Wine a change of the active window can drop keys sent while
        // it goes on.
        return bringToFront(other_, kReactMs, "notepad in front");
    }

    AssertionResult visibleInFront() {
        if (visible(GetForegroundWindow())) return AssertionSuccess();
        return bringOtherToFront();
    }

    // Drags from the lotus picture onto the target's caption and closes the
    // report, as a user does.
    AssertionResult pick() {
        HWND box = control(kPictureBox);
        const RECT boxRect = windowRect(box);
        const POINT from{(boxRect.left + boxRect.right) / 2, (boxRect.top + boxRect.bottom) / 2};
        // The press must land on the picture box.
        auto uncovered = waitUntil(
            [&] {
                if (WindowFromPoint(from) == box) return true;
                SetForegroundWindow(main_);
                return false;
            },
            kReactMs, "the picture box uncovered", [&] { return describe(WindowFromPoint(from)); });
        if (!uncovered) return uncovered;
        const POINT to = captionPoint(guarded_);
        auto there = dragSettled(from, to, 10, kReactMs);
        if (!there) return there;
        HWND report = nullptr;
        auto reported = waitUntil(
            [&] {
                for (HWND w : dialogs())
                    if (caption(w) == texts::kMessageCaption) report = w;
                return report != nullptr;
            },
            kReactMs, "the pick's report", [&] { return windows(); });
        if (!reported) return reported;
        const std::string text = firstLabel(report);
        const std::string prefix = texts::kPickedPrefix;
        const std::string handle = handleText(guarded_);
        if (text.compare(0, prefix.size(), prefix) != 0 ||
            text.size() < handle.size() || text.compare(text.size() - handle.size(), handle.size(), handle) != 0)
            return AssertionFailure() << "the report reads " << show(text) << ", not the target "
                                      << describe(guarded_);
        PostMessageW(report, WM_COMMAND, IDOK, 0);
        auto closed = waitGone(report, "the report to close");
        if (!closed) return closed;
        return waitUntil([&] { return caption(main_) == texts::kCaptionWaiting; }, kReactMs,
                         "the caption after a pick", [&] { return show(caption(main_)); });
    }

    // Limit 0: the next tick locks. With the target gone only MainWindow
    // shows the lock.
    AssertionResult lock() {
        if (!setText(control(kMinutesBox), L"0")) return AssertionFailure() << "minutes box not set";
        auto on = waitUntil([&] { return locked(); }, kLockMs, "the lock", [&] { return state(); });
        if (!on) return on;
        return bringOtherToFront();
    }

    // Back to a minute, so the tick after an unlock does not lock again.
    AssertionResult keepUnlocked() {
        if (!setText(control(kMinutesBox), L"1")) return AssertionFailure() << "minutes box not set";
        return AssertionSuccess();
    }

    bool mainLocked() const { return main_ && !visible(main_) && !IsWindowEnabled(main_); }
    bool locked() const { return mainLocked() && !visible(guarded_); }
    bool unlocked() const { return visible(main_) && IsWindowEnabled(main_); }

    AssertionResult waitUnlocked() {
        return waitUntil([&] { return unlocked(); }, kReactMs, "MainWindow visible and enabled",
                         [&] { return state(); });
    }

    // F2 held until a new dialog of Vennet shows.
    AssertionResult pressF2() {
        auto front = visibleInFront();
        if (!front) return front;
        const std::size_t before = dialogs().size();
        keyDown(VK_F2);
        auto opened = waitUntil([&] { return dialogs().size() > before; }, kReactMs,
                                "a new dialog while F2 is down",
                                [&] { return "in front: " + describe(GetForegroundWindow()) + windows(); });
        pause(30);
        keyUp(VK_F2);
        return opened;
    }

    AssertionResult waitPrompt(HWND* prompt) {
        return waitUntil(
            [&] {
                const auto p = prompts();
                if (p.empty()) return false;
                *prompt = p.front();
                return true;
            },
            kReactMs, "a password prompt", [&] { return windows(); });
    }

    // Makes the prompt the foreground window with the focus in its edit
    // line, types the text and checks it has arrived.
    AssertionResult typeInto(HWND prompt, const std::wstring& text) {
        HWND edit = editOf(prompt);
        if (!edit) return AssertionFailure() << "no edit line in " << describe(prompt);
        if (GetForegroundWindow() != prompt) SetForegroundWindow(prompt);
        auto front = waitUntil([&] { return GetForegroundWindow() == prompt; }, kReactMs,
                               "the prompt in the foreground",
                               [&] { return describe(GetForegroundWindow()); });
        if (!front) return front;
        auto focused = waitUntil([&] { return focusOf(threadOf(prompt)) == edit; }, kReactMs,
                                 "the focus in the prompt's edit line",
                                 [&] { return describe(focusOf(threadOf(prompt))); });
        if (!focused) return focused;
        typeText(text);
        const std::string want = toCp936(text);
        return waitUntil([&] { return windowText(edit) == want; }, kReactMs,
                         "the edit line to hold the typed text",
                         [&] { return show(windowText(edit)); });
    }

    // F2, the password, Enter: MainWindow comes back.
    AssertionResult unlockWithF2() {
        auto r = keepUnlocked();
        if (r) r = pressF2();
        HWND prompt = nullptr;
        if (r) r = waitPrompt(&prompt);
        if (r) r = typeInto(prompt, kDefaultPassword);
        if (!r) return r;
        pressKey(VK_RETURN);
        r = waitGone(prompt, "the prompt to close");
        if (r) r = waitUnlocked();
        return r;
    }

    // Another program shows MainWindow; the worker hides it again.
    AssertionResult workerHidesMainAgain() {
        ShowWindow(main_, SW_SHOWNA);
        return waitUntil([&] { return mainLocked(); }, kReactMs,
                         "MainWindow hidden and disabled again after ShowWindow from outside",
                         [&] { return state(); });
    }

    // Overwrites the caption from outside and waits for a tick to write the
    // status again: shows that ticks still run.
    AssertionResult captionRewritten() {
        setText(main_, L"-");
        return waitUntil([&] { return caption(main_) == texts::kCaptionWaiting; }, kLockMs,
                         "the status caption written again", [&] { return show(caption(main_)); });
    }

    AssertionResult waitGone(HWND w, const std::string& what) {
        return e2e::waitGone(w, kReactMs, what);
    }

    std::string state() const {
        return "\n  MainWindow " + describe(main_) + "\n  target " + describe(guarded_) + windows();
    }

    std::string windows() const { return visibleWindowsOf(vennet_); }
    std::vector<HWND> dialogs() const { return visibleWindows(vennet_, kDialogClass); }

    std::vector<HWND> prompts() const {
        std::vector<HWND> out;
        for (HWND w : dialogs())
            if (caption(w) == texts::kPromptTitle) out.push_back(w);
        return out;
    }

    HWND control(C c) const { return childById(main_, names::controlId(c)); }
    HWND main() const { return main_; }
    HWND tray() const { return tray_; }
    HWND guarded() const { return guarded_; }
    Process& vennet() { return vennet_; }
    Process& target() { return *target_; }

private:
    Process vennet_;
    std::unique_ptr<Process> bystander_;
    std::unique_ptr<Process> target_;
    HWND other_ = nullptr;
    HWND main_ = nullptr;
    HWND tray_ = nullptr;
    HWND guarded_ = nullptr;
};

std::string exeFileName(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return toCp936(slash == std::wstring::npos ? path : path.substr(slash + 1));
}

// ---- the guarded program goes away ----------------------------------------

enum class Gone { ClosedWhileLocked, KilledWhileLocked, ClosedBeforeTheLock };

struct GoneRow {
    Gone how;
    const char* name;
};

class TargetGone : public ::testing::TestWithParam<GoneRow> {};

// Whatever became of the guarded window, the lock still holds Vennet's own
// window, the ticks go on, and the password still opens it.
TEST_P(TargetGone, VennetKeepsLockingAndTheRightPasswordStillUnlocks) {
    const Gone how = GetParam().how;
    Session s;
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(s.pick());
    HWND guarded = s.guarded();

    if (how == Gone::ClosedBeforeTheLock) {
        PostMessageW(guarded, WM_CLOSE, 0, 0);
        DWORD code = STILL_ACTIVE;
        ASSERT_TRUE(s.target().waitExit(kReactMs, &code)) << "the target did not end";
        EXPECT_EQ(0u, code);
        ASSERT_FALSE(IsWindow(guarded));
        // A tick with the dead handle, still unlocked.
        EXPECT_TRUE(s.captionRewritten());
        EXPECT_TRUE(s.unlocked()) << s.state();
    }
    ASSERT_TRUE(s.lock());
    if (how == Gone::ClosedWhileLocked) {
        // The window is hidden, not gone: a close request still ends it.
        ASSERT_TRUE(IsWindow(guarded));
        PostMessageW(guarded, WM_CLOSE, 0, 0);
        DWORD code = STILL_ACTIVE;
        ASSERT_TRUE(s.target().waitExit(kReactMs, &code)) << "the target did not end";
        EXPECT_EQ(0u, code);
    } else if (how == Gone::KilledWhileLocked) {
        s.target().terminate();
        ASSERT_FALSE(s.target().alive());
    }
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(guarded); }, kReactMs, "the target's window gone",
                          [&] { return describe(guarded); }));

    // Still locked, and still working at it.
    pause(kSettleMs);
    EXPECT_TRUE(s.vennet().alive());
    EXPECT_TRUE(s.mainLocked()) << s.state();
    EXPECT_TRUE(IsWindow(s.tray())) << s.windows();
    EXPECT_FALSE(IsWindowVisible(s.tray()));
    EXPECT_TRUE(s.captionRewritten());
    EXPECT_TRUE(s.workerHidesMainAgain());
    EXPECT_TRUE(s.dialogs().empty()) << s.windows();

    ASSERT_TRUE(s.unlockWithF2());
    // The lock is over for good: nothing hides MainWindow again.
    pause(kSettleMs);
    EXPECT_TRUE(s.unlocked()) << s.state();
    EXPECT_TRUE(s.captionRewritten());
    EXPECT_TRUE(s.dialogs().empty()) << s.windows();
    EXPECT_TRUE(s.vennet().alive());
}

const GoneRow kGoneRows[] = {
    {Gone::ClosedWhileLocked, "ClosedWhileLocked"},
    {Gone::KilledWhileLocked, "KilledWhileLocked"},
    {Gone::ClosedBeforeTheLock, "ClosedBeforeTheLock"},
};

INSTANTIATE_TEST_SUITE_P(Fault, TargetGone, ::testing::ValuesIn(kGoneRows),
                         [](const ::testing::TestParamInfo<GoneRow>& row) {
                             return std::string(row.param.name);
                         });

// ---- the notification area forgets the icon --------------------------------

// The notification area as another program reaches it: an icon of
// TrayWindow's with Vennet's id.
BOOL notifyIcon(DWORD message, HWND owner) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = names::kTrayIconId;
    data.uFlags = 0;  // NIM_MODIFY of nothing: only whether the icon is there
    return Shell_NotifyIconW(message, &data);
}

bool iconThere(HWND owner) { return notifyIcon(NIM_MODIFY, owner) != FALSE; }

AssertionResult waitMenu(Session& s, HWND* menu) {
    return waitUntil(
        [&] {
            for (HWND w : s.vennet().windows(kMenuClass))
                if (IsWindowVisible(w)) {
                    *menu = w;
                    return true;
                }
            return false;
        },
        kReactMs, "the tray menu", [&] { return s.windows(); });
}

// The restarted notification area announces itself with the registered
// message "TaskbarCreated"; Vennet puts its icon back.
TEST(FaultTray, IconForgottenByTheNotificationAreaComesBackOnItsRestart) {
    enum class Announce { SentToTrayWindow, PostedToAll };
    struct Row {
        Announce how;
        const char* name;
    };
    const Row rows[] = {
        {Announce::SentToTrayWindow, "sent to TrayWindow"},
        {Announce::PostedToAll, "posted to every top-level window"},
    };
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_NE(0u, taskbarCreated);
    Session s;
    ASSERT_TRUE(s.start());
    HWND tray = s.tray();
    // A window of no icon tells that the answers depend on the icon.
    ASSERT_FALSE(iconThere(s.main())) << "an icon of MainWindow's?";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(waitUntil([&] { return iconThere(tray); }, kReactMs, "Vennet's icon"));
        // The notification area forgets the icon.
        EXPECT_TRUE(notifyIcon(NIM_DELETE, tray)) << "the first delete found no icon";
        EXPECT_FALSE(notifyIcon(NIM_DELETE, tray)) << "a second delete found one";
        EXPECT_FALSE(iconThere(tray));
        pause(kSettleMs);
        EXPECT_FALSE(iconThere(tray)) << "back before any announcement";

        const double announced = nowMs();
        if (row.how == Announce::SentToTrayWindow) {
            DWORD_PTR result = 0;
            ASSERT_TRUE(SendMessageTimeoutW(tray, taskbarCreated, 0, 0, SMTO_ABORTIFHUNG, kReactMs,
                                            &result));
        } else {
            ASSERT_TRUE(PostMessageW(HWND_BROADCAST, taskbarCreated, 0, 0));
        }
        ASSERT_TRUE(waitUntil([&] { return iconThere(tray); }, kReactMs, "the icon back"));
        figure(std::string("tray-icon-back-") + (row.how == Announce::SentToTrayWindow ? "sent" : "posted"),
               nowMs() - announced, "ms", "from the announcement to the icon seen again");
        // Once: a second announcement does not add a second icon, so one
        // delete removes it.
        EXPECT_TRUE(notifyIcon(NIM_DELETE, tray)) << "the restored icon could not be deleted";
        EXPECT_FALSE(notifyIcon(NIM_DELETE, tray));
        DWORD_PTR result = 0;
        SendMessageTimeoutW(tray, taskbarCreated, 0, 0, SMTO_ABORTIFHUNG, kReactMs, &result);
        EXPECT_TRUE(iconThere(tray));
    }
    EXPECT_TRUE(s.vennet().alive());
    // The icon's callback still opens the menu.
    PostMessageW(tray, names::kTrayCallbackMessage, names::kTrayIconId, WM_RBUTTONUP);
    HWND menu = nullptr;
    ASSERT_TRUE(waitMenu(s, &menu));
    auto front = waitUntil([&] { return GetForegroundWindow() == tray; }, kReactMs,
                           "TrayWindow in front", [] { return describe(GetForegroundWindow()); });
    EXPECT_TRUE(front);
    pause(300);
    pressKey(VK_ESCAPE);
    EXPECT_TRUE(s.waitGone(menu, "the menu to close"));
    pause(kSettleMs);
    EXPECT_TRUE(s.dialogs().empty()) << s.windows();
    EXPECT_TRUE(s.unlocked()) << s.state();
    EXPECT_TRUE(iconThere(tray));
}

// ---- a long run ------------------------------------------------------------

constexpr double kLongRunMs = 150000;
constexpr std::size_t kWarmUp = 3;
constexpr double kPrivateGrowthBoundKb = 2048;

struct Series {
    std::vector<double> threads, tasks, privateKb, handles;
    Usage first, last;
    void add(const Usage& u) {
        if (threads.empty()) first = u;
        last = u;
        threads.push_back(u.threads);
        tasks.push_back(u.tasks);
        privateKb.push_back(u.privateKb);
        handles.push_back(static_cast<double>(u.handles));
    }
};

std::vector<double> afterWarmUp(const std::vector<double>& v) {
    return v.size() > kWarmUp ? std::vector<double>(v.begin() + kWarmUp, v.end()) : v;
}

// Lock after lock, each opened with F2 and the password: the threads the
// worker and the prompts ran on end, and memory does not pile up.
TEST(LongRun, LockAndUnlockCyclesLeaveNoThreadsAndLittleMemoryBehind) {
    Session s;
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(s.pick());
    HostView host;
    ASSERT_TRUE(host.attach(exeFileName(vennetExe()), s.vennet().handle()));
    const Usage before = host.read();
    std::printf("FIGURE before-the-first-lock %s\n", describeUsage(before).c_str());

    Series series;
    const double start = nowMs();
    int cycle = 0;
    int mostWhileLocked = 0;
    while (nowMs() - start < kLongRunMs) {
        ++cycle;
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        ASSERT_TRUE(s.lock());
        mostWhileLocked = std::max(mostWhileLocked, host.read().threads);
        ASSERT_TRUE(s.unlockWithF2());
        // The prompt's thread ends just after the unlock; a leaked one never.
        const Usage u = host.waitThreadsAtMost(before.threads, 3000);
        series.add(u);
        if (cycle <= 2) std::printf("FIGURE cycle-%d %s\n", cycle, describeUsage(u).c_str());
    }
    ASSERT_GT(series.threads.size(), kWarmUp + 4) << "too few cycles to tell a trend";
    const double elapsed = (nowMs() - start) / 1000;
    std::printf("FIGURE cycles %d in %.0f s; at most %d threads while locked\n", cycle, elapsed,
                mostWhileLocked);
    std::printf("FIGURE first-cycle %s\n", describeUsage(series.first).c_str());
    std::printf("FIGURE last-cycle %s\n", describeUsage(series.last).c_str());
    const auto threads = afterWarmUp(series.threads);
    const auto tasks = afterWarmUp(series.tasks);
    const auto privateKb = afterWarmUp(series.privateKb);
    const auto handles = afterWarmUp(series.handles);
    figure("threads-per-cycle", slope(threads), "threads/cycle", "(least squares after 3 warm-up cycles)");
    figure("tasks-per-cycle", slope(tasks), "tasks/cycle");
    figure("private-per-cycle", slope(privateKb), "KiB/cycle");
    if (host.handlesOk()) figure("handles-per-cycle", slope(handles), "handles/cycle");
    const double privateGrowth = privateKb.back() - privateKb.front();
    figure("private-growth-after-warm-up", privateGrowth, "KiB");

    // The count sees the worker's thread at all...
    EXPECT_GT(mostWhileLocked, before.threads);
    // ...and a thread left behind per cycle would have added one for every cycle
    // after the warm-up; the host's count may wander by a thread or two.
    double settled = before.threads;
    for (std::size_t i = 0; i < kWarmUp; ++i) settled = std::max(settled, series.threads[i]);
    EXPECT_LE(*std::max_element(threads.begin(), threads.end()), settled + 2)
        << "thread counts after the warm-up: first " << threads.front() << ", last "
        << threads.back() << "; before the first lock " << before.threads
        << ", at most " << settled << " in the warm-up";
    EXPECT_LT(privateGrowth, kPrivateGrowthBoundKb)
        << "private memory after the warm-up: " << privateKb.front() << " KiB, at the end "
        << privateKb.back() << " KiB";
}

// Prompts opened and cancelled while locked: each has a thread while it is
// open, and none is left once all are closed.
TEST(LongRun, CancelledPromptsLeaveNoThreadBehind) {
    constexpr int kPrompts = 30;
    Session s;
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(s.pick());
    ASSERT_TRUE(s.lock());
    HostView host;
    ASSERT_TRUE(host.attach(exeFileName(vennetExe()), s.vennet().handle()));
    const Usage before = host.read();
    std::printf("FIGURE locked-before-the-prompts %s\n", describeUsage(before).c_str());
    int mostWhileOpen = 0;
    std::vector<double> privateKb;
    for (int i = 0; i < kPrompts; ++i) {
        SCOPED_TRACE("prompt " + std::to_string(i + 1));
        ASSERT_TRUE(s.pressF2());
        HWND prompt = nullptr;
        ASSERT_TRUE(s.waitPrompt(&prompt));
        mostWhileOpen = std::max(mostWhileOpen, host.read().threads);
        PostMessageW(prompt, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(s.waitGone(prompt, "the prompt to close"));
        privateKb.push_back(host.read().privateKb);
    }
    const Usage after = host.waitThreadsAtMost(before.threads, 10000);
    std::printf("FIGURE after-%d-cancelled-prompts %s; at most %d threads while one was open\n",
                kPrompts, describeUsage(after).c_str(), mostWhileOpen);
    figure("private-per-cancelled-prompt", slope(afterWarmUp(privateKb)), "KiB/prompt",
           "(least squares after 3 warm-up prompts)");
    RecordProperty("threads-before", before.threads);
    RecordProperty("threads-after", after.threads);
    // The count sees the prompt's thread at all...
    EXPECT_GT(mostWhileOpen, before.threads);
    // ...and it is gone with the prompt.
    EXPECT_LE(after.threads, before.threads) << "before: " << describeUsage(before);
    EXPECT_TRUE(s.mainLocked()) << s.state();
    ASSERT_TRUE(s.unlockWithF2());
}

}  // namespace
