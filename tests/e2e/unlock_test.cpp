// The way out of a lock, as a user and the window system see it: the
// password prompt raised by F2 or by the tray menu, the tray menu itself and
// its commands, and the F2 hotkey's rules. Every lock here guards a real
// notepad picked by dragging from the lotus picture onto its caption.
#include <algorithm>
#include <cstdio>
#include <functional>
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

// The texts a dialog shows in its labels, leaving out empty ones (frames,
// icons).
std::vector<std::string> labelTexts(HWND dialog) {
    std::vector<std::string> out;
    for (HWND c : childrenOfClass(dialog, L"Static")) {
        const std::string t = windowText(c);
        if (!t.empty()) out.push_back(t);
    }
    return out;
}

std::string showAll(const std::vector<std::string>& texts) {
    std::string out = "{";
    for (const auto& t : texts) out += (out.size() > 1 ? ", " : "") + show(t);
    return out + "}";
}

HWND buttonWithText(HWND dialog, const char* cp936) {
    for (HWND b : childrenOfClass(dialog, L"Button"))
        if (windowText(b) == cp936) return b;
    return nullptr;
}

// Polls every millisecond until `done` or `untilMs` after `from`; the time
// from `from` to done, or -1.
double pollFine(const std::function<bool()>& done, double from, double untilMs) {
    for (;;) {
        if (done()) return nowMs() - from;
        if (nowMs() - from > untilMs) return -1;
        Sleep(1);
    }
}

struct Figures {
    std::vector<double> values;
    double median() const {
        std::vector<double> v = values;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
    double max() const { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }
};

// One vennet with, once picked, a notepad to guard.
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
        auto other = startBystander();
        if (!other) return other;
        // The first tick has run once the status caption is there.
        return waitUntil([&] { return caption(main_) == texts::kCaptionNoTarget; }, kStartMs,
                         "the first tick's caption", [&] { return show(caption(main_)); });
    }

    // Another program's window, in front while the user presses F2. Keys
    // sent while only hidden windows are active never arrive under Wine,
    // and a user at the desk has some visible window in front anyway.
    AssertionResult startBystander() {
        bystander_.reset(new Process(targetExe()));
        if (!bystander_->started())
            return AssertionFailure() << "VENNET_TARGET_EXE " << toUtf8(targetExe())
                                      << " did not start, error " << bystander_->startError();
        auto shown =
            waitShown(*bystander_, target_layout::kWindowClass, &other_, kStartMs,
                      "the other program's window");
        if (!shown) return shown;
        return bringOtherToFront();
    }

    AssertionResult visibleInFront() {
        if (visible(GetForegroundWindow())) return AssertionSuccess();
        return bringOtherToFront();
    }

    // F2 held until a new dialog of vennet shows (at least holdMs), as a
    // user keeps the key down until something happens; *tookMs is the time
    // from the key-down to the dialog.
    AssertionResult pressF2(int holdMs = 100, double* tookMs = nullptr) {
        auto front = visibleInFront();
        if (!front) return front;
        const std::size_t before = dialogs().size();
        const double down = nowMs();
        keyDown(VK_F2);
        const double at = pollFine([&] { return dialogs().size() > before; }, down, kReactMs);
        if (tookMs) *tookMs = at;
        const std::string seen = "in front: " + describe(GetForegroundWindow()) + windows();
        pause(std::max(0, static_cast<int>(holdMs - (nowMs() - down))));
        keyUp(VK_F2);
        if (at < 0)
            return AssertionFailure() << "no new dialog in " << kReactMs
                                      << " ms while F2 was down; last seen: " << seen;
        return AssertionSuccess();
    }

    // F2 held for a fixed time with a modifier (or none) held around it,
    // for presses that are to open nothing.
    AssertionResult holdF2(int ms, WORD modifier) {
        auto front = visibleInFront();
        if (!front) return front;
        if (modifier) keyDown(modifier);
        pause(60);
        keyDown(VK_F2);
        pause(ms);
        keyUp(VK_F2);
        pause(60);
        if (modifier) keyUp(modifier);
        return AssertionSuccess();
    }

    AssertionResult startNotepad() {
        // Clear of MainWindow (centred, from row 245 down), so that both the
        // lotus picture and notepad's caption can be reached.
        return launchNotepad(&notepad_, &pad_, RECT{560, 10, 980, 210}, kStartMs, kReactMs);
    }

    // Drags from the lotus picture onto notepad's caption and closes the
    // report, as a user does.
    AssertionResult pick() {
        if (GetForegroundWindow() != main_) SetForegroundWindow(main_);
        auto front = waitUntil([&] { return GetForegroundWindow() == main_; }, kReactMs,
                               "MainWindow in front", [&] { return describe(GetForegroundWindow()); });
        if (!front) return front;
        const RECT box = windowRect(control(C::图片框1));
        const POINT from{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
        const POINT to = captionPoint(pad_);
        auto there = dragSettled(from, to, 10, kReactMs);
        if (!there) return there;
        HWND report = nullptr;
        auto reported = waitUntil(
            [&] {
                report = messageBox();
                return report != nullptr;
            },
            kReactMs, "the pick's report", [&] { return windows(); });
        if (!reported) return reported;
        const auto labels = labelTexts(report);
        const std::string prefix = texts::kPickedPrefix;
        if (labels.size() != 1 || labels[0].compare(0, prefix.size(), prefix) != 0)
            return AssertionFailure() << "the report reads " << showAll(labels);
        report_ = labels[0];
        auto closed = closeMessageBox(report);
        if (!closed) return closed;
        return waitUntil([&] { return caption(main_) == texts::kCaptionWaiting; }, kReactMs,
                         "the caption after a pick", [&] { return show(caption(main_)); });
    }

    // Limit 0: the next tick locks. Then a minute again, so that an unlock
    // lasts and is seen (with 0 the tick after it would lock at once). The
    // lock hides the active MainWindow; the user then has the other program
    // in front.
    AssertionResult lock() {
        if (!setText(control(C::编辑框2), L"0")) return AssertionFailure() << "minutes box not set";
        auto on = waitUntil([&] { return locked(); }, kLockMs, "the lock", [&] { return state(); });
        if (!on) return on;
        if (!setText(control(C::编辑框2), L"1")) return AssertionFailure() << "minutes box not set";
        return bringOtherToFront();
    }

    // Under Wine a change of the active window can drop keys sent while it
    // goes on; let it settle before pressing any.
    AssertionResult bringOtherToFront() {
        return bringToFront(other_, kReactMs, "the other program in front");
    }

    AssertionResult startLocked() {
        auto r = start();
        if (r) r = startNotepad();
        if (r) r = pick();
        if (r) r = lock();
        return r;
    }

    bool locked() const {
        return !visible(pad_) && !visible(main_) && main_ && !IsWindowEnabled(main_);
    }
    bool unlocked() const { return visible(main_) && IsWindowEnabled(main_); }

    AssertionResult waitUnlocked(double* afterMs = nullptr) {
        const double from = nowMs();
        auto r = waitUntil([&] { return unlocked(); }, kReactMs,
                           "MainWindow visible and enabled", [&] { return state(); });
        if (afterMs) *afterMs = nowMs() - from;
        return r;
    }

    // Nothing visible changes for a while: still locked, and no message.
    AssertionResult staysLocked() {
        pause(kSettleMs);
        if (!locked()) return AssertionFailure() << "the lock is gone: " << state();
        if (!dialogs().empty()) return AssertionFailure() << "a dialog is open:" << windows();
        return AssertionSuccess();
    }

    std::string state() const {
        return "\n  MainWindow " + describe(main_) + "\n  notepad " + describe(pad_) +
               "\n  pick report " + show(report_) + windows();
    }

    std::string windows() const { return visibleWindowsOf(vennet_); }
    std::vector<HWND> dialogs() const { return visibleWindows(vennet_, kDialogClass); }

    std::vector<HWND> dialogsCaptioned(const char* cp936) const {
        std::vector<HWND> out;
        for (HWND w : dialogs())
            if (caption(w) == cp936) out.push_back(w);
        return out;
    }

    std::vector<HWND> prompts() const { return dialogsCaptioned(texts::kPromptTitle); }

    HWND messageBox() const {
        const auto boxes = dialogsCaptioned(texts::kMessageCaption);
        return boxes.empty() ? nullptr : boxes.front();
    }

    AssertionResult waitPrompt(HWND* prompt, std::size_t count = 1) {
        return waitUntil(
            [&] {
                const auto p = prompts();
                if (p.size() < count) return false;
                *prompt = p.front();
                return true;
            },
            kReactMs, std::to_string(count) + " password prompt(s)", [&] { return windows(); });
    }

    AssertionResult waitMessageBox(HWND* box) {
        return waitUntil(
            [&] {
                *box = messageBox();
                return *box != nullptr;
            },
            kReactMs, "a message box", [&] { return windows(); });
    }

    // Cancels every open prompt, as its button "取消(&C)" does.
    AssertionResult closePrompts() {
        for (HWND p : prompts()) PostMessageW(p, WM_COMMAND, IDCANCEL, 0);
        return waitUntil([&] { return prompts().empty(); }, kReactMs, "every prompt closed",
                         [&] { return windows(); });
    }

    // The OK of a message box.
    AssertionResult closeMessageBox(HWND box) {
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return waitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, kReactMs,
                         "the message box to close", [&] { return describe(box); });
    }

    // Makes the prompt the foreground window with the focus in its edit
    // line, types the text and checks it has arrived.
    AssertionResult typeInto(HWND prompt, const std::wstring& text) {
        HWND edit = editOf(prompt);
        if (!edit) return AssertionFailure() << "no edit line in " << describe(prompt);
        auto front = waitUntil([&] { return GetForegroundWindow() == prompt; }, 2000,
                               "the prompt in the foreground",
                               [&] { return describe(GetForegroundWindow()); });
        if (!front) {
            // Several prompts can be open; the user clicks the one to use.
            SetForegroundWindow(prompt);
            front = waitUntil([&] { return GetForegroundWindow() == prompt; }, kReactMs,
                              "the prompt in the foreground",
                              [&] { return describe(GetForegroundWindow()); });
            if (!front) return front;
        }
        auto focused = waitUntil([&] { return focusOf(threadOf(prompt)) == edit; }, kReactMs,
                                 "the focus in the prompt's edit line",
                                 [&] { return describe(focusOf(threadOf(prompt))); });
        if (!focused) return focused;
        typeText(text);
        const std::string want = toCp936(text);
        return waitUntil([&] { return windowText(edit) == want; }, kReactMs,
                         "the edit line to hold the typed text",
                         [&] {
                             const std::string t = windowText(edit);
                             return t.size() > 80 ? std::to_string(t.size()) + " bytes" : show(t);
                         });
    }

    AssertionResult waitGone(HWND w, const std::string& what) {
        return e2e::waitGone(w, kReactMs, what);
    }

    HWND control(C c) const { return childById(main_, names::controlId(c)); }
    HWND main() const { return main_; }
    HWND tray() const { return tray_; }
    HWND pad() const { return pad_; }
    Process& vennet() { return vennet_; }

private:
    Process vennet_;
    std::unique_ptr<Process> notepad_;
    std::unique_ptr<Process> bystander_;
    HWND other_ = nullptr;
    HWND main_ = nullptr;
    HWND tray_ = nullptr;
    HWND pad_ = nullptr;
    std::string report_;
};

// How a prompt is left.
enum class Close { Enter, CtrlEnter, Esc, CloseBox };

const char* nameOf(Close c) {
    switch (c) {
        case Close::Enter: return "Enter";
        case Close::CtrlEnter: return "Ctrl+Enter";
        case Close::Esc: return "Esc";
        case Close::CloseBox: return "close box";
    }
    return "?";
}

void leave(HWND prompt, Close how) {
    switch (how) {
        case Close::Enter: pressKey(VK_RETURN); break;
        case Close::CtrlEnter: pressKey(VK_RETURN, {VK_CONTROL}); break;
        case Close::Esc: pressKey(VK_ESCAPE); break;
        case Close::CloseBox: PostMessageW(prompt, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    }
}

// ---- the prompt and the whole road --------------------------------------

TEST(UnlockPrompt, WholeRoadPromptTextsAndTheRightPasswordUnlock) {
    Session s;
    ASSERT_TRUE(s.startLocked());
    EXPECT_FALSE(IsWindowVisible(s.pad())) << describe(s.pad());

    ASSERT_TRUE(s.pressF2());
    HWND prompt = nullptr;
    ASSERT_TRUE(s.waitPrompt(&prompt));
    EXPECT_EQ(1u, s.prompts().size()) << s.windows();
    EXPECT_TEXT_EQ(texts::kPromptTitle, caption(prompt));
    EXPECT_EQ(std::vector<std::string>{texts::kPromptPassword}, labelTexts(prompt))
        << showAll(labelTexts(prompt));
    EXPECT_NE(nullptr, buttonWithText(prompt, texts::kInputOk)) << show(texts::kInputOk);
    EXPECT_NE(nullptr, buttonWithText(prompt, texts::kInputCancel)) << show(texts::kInputCancel);
    EXPECT_EQ(2u, childrenOfClass(prompt, L"Button").size());
    HWND edit = editOf(prompt);
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ(1u, childrenOfClass(prompt, L"Edit").size());
    std::string shotError;
    pause(300);
    EXPECT_FALSE(saveScreenshot("prompt", windowRect(prompt), &shotError).empty()) << shotError;
    const LONG style = GetWindowLongW(edit, GWL_STYLE);
    EXPECT_EQ(0, style & ES_PASSWORD) << std::hex << "F2's edit line is in clear, style " << style;
    EXPECT_EQ(0, style & ES_MULTILINE) << std::hex << style;
    EXPECT_TEXT_EQ("", windowText(edit));
    // The lock goes on behind the prompt.
    EXPECT_FALSE(IsWindowVisible(s.pad()));
    EXPECT_FALSE(IsWindowEnabled(s.main()));

    ASSERT_TRUE(s.typeInto(prompt, kDefaultPassword));
    pressKey(VK_RETURN);
    double afterMs = 0;
    ASSERT_TRUE(s.waitUnlocked(&afterMs));
    printf("FIGURE enter-to-unlocked %.1f ms\n", afterMs);
    RecordProperty("enter_to_unlocked_ms", static_cast<int>(afterMs));
    EXPECT_FALSE(IsWindow(prompt) && IsWindowVisible(prompt)) << describe(prompt);
    EXPECT_FALSE(IsIconic(s.main()));

    // Nothing shows the guarded window again, and the lock is over.
    pause(kSettleMs);
    EXPECT_TRUE(s.unlocked()) << s.state();
    EXPECT_FALSE(IsWindowVisible(s.pad())) << describe(s.pad());
    EXPECT_TRUE(IsWindow(s.pad()));
    EXPECT_TRUE(s.dialogs().empty()) << s.windows();
}

// F2 (and the tray's "解锁") while idle tell the user so and bring
// MainWindow back restored; "主界面" brings it back without a word.
TEST(UnlockPrompt, IdleReportTextThenMainWindowRestored) {
    enum class Way { F2, TrayUnlock, TrayMain };
    struct Row {
        Way way;
        bool minimised;
        bool reports;
        const char* name;
    };
    const Row rows[] = {
        {Way::F2, false, true, "F2"},
        {Way::F2, true, true, "F2 after minimising"},
        {Way::TrayUnlock, false, true, "tray unlock"},
        {Way::TrayUnlock, true, true, "tray unlock after minimising"},
        {Way::TrayMain, true, false, "tray main window after minimising"},
    };
    Session s;
    ASSERT_TRUE(s.start());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(s.unlocked()) << s.state();
        if (row.minimised) {
            PostMessageW(s.main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
            // The tick hides a minimised MainWindow to the tray.
            ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(s.main()); }, kReactMs,
                                  "the minimised MainWindow hidden", [&] { return s.state(); }));
        }
        switch (row.way) {
            case Way::F2: ASSERT_TRUE(s.pressF2()); break;
            case Way::TrayUnlock:
                PostMessageW(s.tray(), WM_COMMAND, names::menuCommandId(MenuItemName::解锁), 0);
                break;
            case Way::TrayMain:
                PostMessageW(s.tray(), WM_COMMAND, names::menuCommandId(MenuItemName::主界面), 0);
                break;
        }
        if (row.reports) {
            HWND box = nullptr;
            ASSERT_TRUE(s.waitMessageBox(&box));
            EXPECT_TEXT_EQ(texts::kMessageCaption, caption(box));
            EXPECT_EQ(std::vector<std::string>{texts::kNotLocked}, labelTexts(box))
                << showAll(labelTexts(box));
            EXPECT_EQ(1u, childrenOfClass(box, L"Button").size());
            EXPECT_TRUE(s.prompts().empty()) << s.windows();
            // Only after OK.
            if (row.minimised) {
                EXPECT_FALSE(IsWindowVisible(s.main())) << s.state();
            }
            ASSERT_TRUE(s.closeMessageBox(box));
        }
        ASSERT_TRUE(waitUntil([&] { return visible(s.main()) && !IsIconic(s.main()); }, kReactMs,
                              "MainWindow shown restored", [&] { return s.state(); }));
        // Restored, not merely shown: the next tick would hide it again.
        pause(kSettleMs);
        EXPECT_TRUE(visible(s.main()) && !IsIconic(s.main())) << s.state();
        EXPECT_TRUE(IsWindowEnabled(s.main()));
        EXPECT_TRUE(s.dialogs().empty()) << s.windows();
    }
}

// Wrong entries change nothing the user can see; then the right one still
// unlocks. A password with letters shows that case counts.
TEST(UnlockPrompt, WrongEntriesKeepTheLock) {
    struct Row {
        const wchar_t* typed;
        Close how;
    };
    const Row rows[] = {
        {L"ab480957", Close::Enter},  {L"AB480957", Close::Enter}, {L" Ab480957", Close::Enter},
        {L"Ab480957 ", Close::Enter}, {L"Ab48095", Close::Enter},  {L"Ab4809570", Close::Enter},
        {L"480957", Close::Enter},    {L"", Close::Enter},
        // The right text, but cancelled.
        {L"Ab480957", Close::Esc},    {L"Ab480957", Close::CloseBox},
    };
    const std::wstring password = L"Ab480957";
    Session s;
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(setText(s.control(C::编辑框1), password));
    ASSERT_TRUE(s.startNotepad());
    ASSERT_TRUE(s.pick());
    ASSERT_TRUE(s.lock());
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string("typed \"") + toUtf8(row.typed) + "\", then " + nameOf(row.how));
        ASSERT_TRUE(s.pressF2());
        HWND prompt = nullptr;
        ASSERT_TRUE(s.waitPrompt(&prompt));
        ASSERT_TRUE(s.typeInto(prompt, row.typed));
        leave(prompt, row.how);
        ASSERT_TRUE(s.waitGone(prompt, "the prompt to close"));
        ASSERT_TRUE(s.staysLocked());
    }
    SCOPED_TRACE("the right password");
    ASSERT_TRUE(s.pressF2());
    HWND prompt = nullptr;
    ASSERT_TRUE(s.waitPrompt(&prompt));
    ASSERT_TRUE(s.typeInto(prompt, password));
    pressKey(VK_RETURN);
    EXPECT_TRUE(s.waitUnlocked());
}

// With an empty password box an empty entry matches, and so does any
// cancelled one; a typed and confirmed text does not.
TEST(UnlockPrompt, EmptyPasswordBoxUnlocksOnEmptyEntryAndOnCancel) {
    struct Row {
        const wchar_t* typed;
        Close how;
        bool unlocks;
    };
    const Row rows[] = {
        {L"x", Close::Enter, false}, {L"", Close::Enter, true},    {L"", Close::Esc, true},
        {L"x", Close::Esc, true},    {L"", Close::CloseBox, true},
    };
    Session s;
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(setText(s.control(C::编辑框1), L""));
    ASSERT_TRUE(s.startNotepad());
    ASSERT_TRUE(s.pick());
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string("typed \"") + toUtf8(row.typed) + "\", then " + nameOf(row.how));
        ASSERT_TRUE(s.lock());
        ASSERT_TRUE(s.pressF2());
        HWND prompt = nullptr;
        ASSERT_TRUE(s.waitPrompt(&prompt));
        ASSERT_TRUE(s.typeInto(prompt, row.typed));
        leave(prompt, row.how);
        ASSERT_TRUE(s.waitGone(prompt, "the prompt to close"));
        if (row.unlocks) {
            EXPECT_TRUE(s.waitUnlocked());
        } else {
            ASSERT_TRUE(s.staysLocked());
        }
    }
}

TEST(UnlockPrompt, ChineseAndLongPasswordTextUnlock) {
    std::wstring longPassword;
    const wchar_t* pattern = L"0123456789abcdefghijKLMNOPQRST-_=+!";
    while (longPassword.size() < 1000) longPassword += pattern[longPassword.size() % 35];
    struct Row {
        std::wstring password;
        const char* name;
    };
    const Row rows[] = {
        {L"\x9501\x5C4F\x5BC6\x7801\x0041\x0031", "Chinese characters with A1"},
        {longPassword, "1,000 characters"},
    };
    Session s;
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(s.startNotepad());
    ASSERT_TRUE(s.pick());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(setText(s.control(C::编辑框1), row.password));
        ASSERT_TRUE(s.lock());
        ASSERT_TRUE(s.pressF2());
        HWND prompt = nullptr;
        ASSERT_TRUE(s.waitPrompt(&prompt));
        ASSERT_TRUE(s.typeInto(prompt, row.password));
        pressKey(VK_RETURN);
        EXPECT_TRUE(s.waitUnlocked());
    }
}

// The password box is multi-line; a line break in it cannot be typed into
// the prompt's single line.
TEST(UnlockPrompt, PasswordBoxWithALineBreakIsNeverMatched) {
    struct Row {
        const wchar_t* typed;
        Close how;
    };
    const Row rows[] = {
        {L"480957", Close::Enter},
        {L"480957", Close::CtrlEnter},
        {L"480957\r\n", Close::Enter},
    };
    Session s;
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(setText(s.control(C::编辑框1), L"480957\r\n"));
    ASSERT_TRUE(s.startNotepad());
    ASSERT_TRUE(s.pick());
    ASSERT_TRUE(s.lock());
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string("typed ") + show(toCp936(row.typed)) + ", then " + nameOf(row.how));
        ASSERT_TRUE(s.pressF2());
        HWND prompt = nullptr;
        ASSERT_TRUE(s.waitPrompt(&prompt));
        HWND edit = editOf(prompt);
        ASSERT_TRUE(s.typeInto(prompt, L"480957"));
        if (std::wstring(row.typed) != L"480957") {
            typeText(row.typed + 6);
            // The line takes no line break.
            pressKey(VK_END);
            typeText(L"|");
            ASSERT_TRUE(waitUntil([&] { return windowText(edit) == "480957|"; }, kReactMs,
                                  "the line to read 480957|",
                                  [&] { return show(windowText(edit)); }));
            pressKey(VK_BACK);
            ASSERT_TRUE(waitUntil([&] { return windowText(edit) == "480957"; }, kReactMs,
                                  "the line to read 480957", [&] { return show(windowText(edit)); }));
        }
        leave(prompt, row.how);
        ASSERT_TRUE(s.waitGone(prompt, "the prompt to close"));
        ASSERT_TRUE(s.staysLocked());
    }
    // Without the line break the same entry unlocks: the lock was live.
    ASSERT_TRUE(setText(s.control(C::编辑框1), L"480957"));
    pause(kSettleMs);  // the tick takes the new password
    ASSERT_TRUE(s.pressF2());
    HWND prompt = nullptr;
    ASSERT_TRUE(s.waitPrompt(&prompt));
    ASSERT_TRUE(s.typeInto(prompt, L"480957"));
    pressKey(VK_RETURN);
    EXPECT_TRUE(s.waitUnlocked());
}

// ---- the tray menu ------------------------------------------------------

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

bool menuOpen(Session& s) {
    for (HWND w : s.vennet().windows(kMenuClass))
        if (IsWindowVisible(w)) return true;
    return false;
}

void rightClickTray(Session& s) {
    PostMessageW(s.tray(), names::kTrayCallbackMessage, names::kTrayIconId, WM_RBUTTONUP);
}

// Down n times selects the n-th entry of a menu opened without a selection.
// The menu makes TrayWindow the foreground window first; keys sent before
// that has settled may be dropped.
AssertionResult chooseEntry(Session& s, int position) {
    auto front = waitUntil([&] { return GetForegroundWindow() == s.tray(); }, kReactMs,
                           "TrayWindow in front", [] { return describe(GetForegroundWindow()); });
    if (!front) return front;
    pause(300);
    for (int i = 0; i < position; ++i) {
        pressKey(VK_DOWN);
        pause(50);
    }
    pressKey(VK_RETURN);
    return AssertionSuccess();
}

// The menu opens at the pointer; its entries are read where the window
// system allows it, and each is also told apart by what choosing it does.
TEST(TrayMenu, RightReleaseOpensTheFourItemTextsAtThePointer) {
    Session s;
    ASSERT_TRUE(s.start());
    PostMessageW(s.main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(s.main()); }, kReactMs,
                          "the minimised MainWindow hidden", [&] { return s.state(); }));
    ASSERT_TRUE(settlePointer(POINT{600, 400}, kReactMs));
    rightClickTray(s);
    HWND menu = nullptr;
    ASSERT_TRUE(waitMenu(s, &menu));
    const RECT rc = windowRect(menu);
    std::string shotError;
    pause(300);  // the menu paints after it appears
    EXPECT_FALSE(saveScreenshot("traymenu", rc, &shotError).empty()) << shotError;
    EXPECT_EQ(600 - 5, rc.right) << describe(menu);
    EXPECT_EQ(400 - 5, rc.top) << describe(menu);

    const HMENU items = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
    const int count = GetMenuItemCount(items);
    if (count < 0) {
        // Wine keeps a menu's items in the process that made it.
        printf("NOTE: the menu's items cannot be read from another process here "
               "(GetMenuItemCount of %p failed, error %lu); checked by choosing them\n",
               static_cast<void*>(items), GetLastError());
        RecordProperty("menu_texts_read", 0);
    } else {
        std::vector<std::string> seen;
        for (int i = 0; i < count; ++i) {
            wchar_t text[256] = L"";
            const int n = GetMenuStringW(items, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
            seen.push_back(toCp936(std::wstring(text, n > 0 ? n : 0)));
        }
        const std::vector<std::string> expected = {texts::kMenuMain, texts::kMenuUnlock,
                                                   texts::kMenuAbout, texts::kMenuClose};
        EXPECT_EQ(expected, seen) << showAll(seen);
        RecordProperty("menu_texts_read", 1);
    }
    // Esc chooses nothing.
    pressKey(VK_ESCAPE);
    ASSERT_TRUE(s.waitGone(menu, "the menu to close"));
    pause(kSettleMs);
    EXPECT_TRUE(s.dialogs().empty()) << s.windows();
    EXPECT_FALSE(IsWindowVisible(s.main())) << s.state();

    // The first entry shows MainWindow restored without a word, the second
    // says that nothing is locked, the third shows the (empty) about text.
    // The fourth ends the program (CloseWhileIdle...).
    struct Row {
        int position;
        const char* box;  // null: no message box
    };
    const Row rows[] = {{1, nullptr}, {2, texts::kNotLocked}, {3, texts::kAbout}};
    for (const auto& row : rows) {
        SCOPED_TRACE("entry " + std::to_string(row.position));
        rightClickTray(s);
        ASSERT_TRUE(waitMenu(s, &menu));
        ASSERT_TRUE(chooseEntry(s, row.position));
        ASSERT_TRUE(s.waitGone(menu, "the menu to close"));
        if (!row.box) {
            ASSERT_TRUE(waitUntil([&] { return visible(s.main()) && !IsIconic(s.main()); },
                                  kReactMs, "MainWindow shown restored", [&] { return s.state(); }));
            pause(kSettleMs);
            EXPECT_TRUE(s.dialogs().empty()) << s.windows();
            continue;
        }
        HWND box = nullptr;
        ASSERT_TRUE(s.waitMessageBox(&box));
        const std::vector<std::string> want =
            *row.box ? std::vector<std::string>{row.box} : std::vector<std::string>{};
        EXPECT_EQ(want, labelTexts(box)) << showAll(labelTexts(box));
        // The about box stays open: closing it would start a browser. The
        // session ends the process.
        if (row.position != 3) {
            ASSERT_TRUE(s.closeMessageBox(box));
        }
    }
}

TEST(TrayMenu, OnlyRightReleaseAndContextMenuOpenIt) {
    struct Row {
        UINT mouseMessage;
        bool opens;
        const char* name;
    };
    const Row rows[] = {
        {WM_LBUTTONUP, false, "left button up"},   {WM_LBUTTONDBLCLK, false, "left double click"},
        {WM_LBUTTONDOWN, false, "left button down"}, {WM_RBUTTONDOWN, false, "right button down"},
        {WM_MOUSEMOVE, false, "mouse move"},       {WM_CONTEXTMENU, true, "context menu"},
        {WM_RBUTTONUP, true, "right button up"},
    };
    Session s;
    ASSERT_TRUE(s.start());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        PostMessageW(s.tray(), names::kTrayCallbackMessage, names::kTrayIconId, row.mouseMessage);
        if (!row.opens) {
            pause(kSettleMs);
            EXPECT_FALSE(menuOpen(s)) << "a menu opened:" << s.windows();
            if (menuOpen(s)) {
                pressKey(VK_ESCAPE);
                waitUntil([&] { return !menuOpen(s); }, kReactMs, "the menu to close");
            }
            // A right release posted after it opens the menu: the code
            // before it has been handled, and the tray still answers.
            rightClickTray(s);
        }
        HWND menu = nullptr;
        ASSERT_TRUE(waitMenu(s, &menu));
        pressKey(VK_ESCAPE);
        ASSERT_TRUE(s.waitGone(menu, "the menu to close"));
        EXPECT_TRUE(s.dialogs().empty()) << s.windows();
        EXPECT_TRUE(s.unlocked()) << s.state();
    }
}

TEST(TrayMenu, LockedCommandsReportTextAndChangeNothing) {
    struct Row {
        MenuItemName item;
        const char* report;
        const char* name;
    };
    const Row rows[] = {
        {MenuItemName::主界面, texts::kLockedNoMain, "main window"},
        {MenuItemName::关闭程序, texts::kUnlockBeforeClose, "close"},
    };
    Session s;
    ASSERT_TRUE(s.startLocked());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        PostMessageW(s.tray(), WM_COMMAND, names::menuCommandId(row.item), 0);
        HWND box = nullptr;
        ASSERT_TRUE(s.waitMessageBox(&box));
        EXPECT_TEXT_EQ(texts::kMessageCaption, caption(box));
        EXPECT_EQ(std::vector<std::string>{row.report}, labelTexts(box)) << showAll(labelTexts(box));
        EXPECT_FALSE(IsWindowVisible(s.main())) << s.state();
        ASSERT_TRUE(s.closeMessageBox(box));
        ASSERT_TRUE(s.staysLocked());
        EXPECT_TRUE(s.vennet().alive());
    }
    // And the lock still opens with the password.
    ASSERT_TRUE(s.pressF2());
    HWND prompt = nullptr;
    ASSERT_TRUE(s.waitPrompt(&prompt));
    ASSERT_TRUE(s.typeInto(prompt, kDefaultPassword));
    pressKey(VK_RETURN);
    EXPECT_TRUE(s.waitUnlocked());
}

TEST(TrayMenu, CloseWhileIdleEndsTheProcessWithExitCodeZero) {
    Session s;
    ASSERT_TRUE(s.start());
    HWND main = s.main(), tray = s.tray();
    rightClickTray(s);
    HWND menu = nullptr;
    ASSERT_TRUE(waitMenu(s, &menu));
    ASSERT_TRUE(chooseEntry(s, 4));  // 关闭程序
    DWORD code = STILL_ACTIVE;
    ASSERT_TRUE(s.vennet().waitExit(kReactMs, &code)) << "still running:" << s.windows();
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_FALSE(IsWindow(tray));
    EXPECT_FALSE(IsWindow(menu));
}

// The tray's "解锁", chosen with the keys: the same prompt, masked.
TEST(UnlockPrompt, TrayUnlockMasksTheEntryAndUnlocks) {
    Session s;
    ASSERT_TRUE(s.startLocked());
    rightClickTray(s);
    HWND menu = nullptr;
    ASSERT_TRUE(waitMenu(s, &menu));
    ASSERT_TRUE(chooseEntry(s, 2));  // 解锁
    HWND prompt = nullptr;
    ASSERT_TRUE(s.waitPrompt(&prompt));
    EXPECT_TRUE(s.waitGone(menu, "the menu to close"));
    EXPECT_TEXT_EQ(texts::kPromptTitle, caption(prompt));
    EXPECT_EQ(std::vector<std::string>{texts::kPromptPassword}, labelTexts(prompt))
        << showAll(labelTexts(prompt));
    HWND edit = editOf(prompt);
    ASSERT_NE(nullptr, edit);
    const LONG style = GetWindowLongW(edit, GWL_STYLE);
    EXPECT_EQ(ES_PASSWORD, style & ES_PASSWORD) << std::hex << "style " << style;
    EXPECT_FALSE(IsWindowVisible(s.main())) << s.state();

    ASSERT_TRUE(s.typeInto(prompt, kDefaultPassword));
    pressKey(VK_RETURN);
    EXPECT_TRUE(s.waitUnlocked());
    pause(kSettleMs);
    EXPECT_TRUE(s.unlocked()) << s.state();
    EXPECT_FALSE(IsWindowVisible(s.pad()));
}

// ---- the F2 hotkey ------------------------------------------------------

TEST(F2Hotkey, ModifiersHeldOpenNothingButTheRightWindowsKey) {
    struct Row {
        WORD modifier;
        bool opens;
        const char* name;
    };
    const Row rows[] = {
        {VK_CONTROL, false, "Ctrl"}, {VK_SHIFT, false, "Shift"},      {VK_MENU, false, "Alt"},
        {VK_LWIN, false, "left Windows"}, {VK_RWIN, true, "right Windows"},
    };
    Session s;
    ASSERT_TRUE(s.startLocked());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        HWND prompt = nullptr;
        if (row.opens) {
            ASSERT_TRUE(s.holdF2(300, row.modifier));
            ASSERT_TRUE(s.waitPrompt(&prompt));
        } else {
            // Wine now and then loses an injected key-down; a modifier lost
            // that way lets F2 through. A poller that ignored the modifier
            // would open a prompt every time, so one clean try of three
            // tells the two apart.
            bool openedEveryTime = true;
            for (int attempt = 0; attempt < 3 && openedEveryTime; ++attempt) {
                ASSERT_TRUE(s.holdF2(300, row.modifier));
                pause(kSettleMs);
                openedEveryTime = !s.prompts().empty();
                if (openedEveryTime) {
                    printf("NOTE: %s+F2 opened a prompt on try %d\n", row.name, attempt + 1);
                    ASSERT_TRUE(s.closePrompts());
                }
            }
            EXPECT_FALSE(openedEveryTime) << s.windows();
            // F2 alone does open it: the poller was watching.
            ASSERT_TRUE(s.pressF2());
            ASSERT_TRUE(s.waitPrompt(&prompt));
        }
        pause(300);
        EXPECT_EQ(1u, s.prompts().size()) << s.windows();
        ASSERT_TRUE(s.closePrompts());
        // Whatever the start menu or the focus did with the keys, the
        // lock is untouched.
        EXPECT_TRUE(s.locked()) << s.state();
    }
}

TEST(F2Hotkey, HeldForASecondOpensOnePrompt) {
    Session s;
    ASSERT_TRUE(s.startLocked());
    ASSERT_TRUE(s.pressF2(1000));
    HWND prompt = nullptr;
    EXPECT_TRUE(s.waitPrompt(&prompt));
    pause(kSettleMs);
    EXPECT_EQ(1u, s.prompts().size()) << s.windows();

    // Released, pressed again: another one.
    ASSERT_TRUE(s.pressF2());
    ASSERT_TRUE(s.waitPrompt(&prompt, 2));
    pause(300);
    EXPECT_EQ(2u, s.prompts().size()) << s.windows();
}

TEST(F2Hotkey, TwentyPressesOpenTwentyPromptsAndOneUnlocks) {
    constexpr std::size_t kPresses = 20;
    Session s;
    ASSERT_TRUE(s.startLocked());
    for (std::size_t i = 1; i <= kPresses; ++i) {
        SCOPED_TRACE("press " + std::to_string(i));
        ASSERT_TRUE(s.pressF2());
        HWND any = nullptr;
        ASSERT_TRUE(s.waitPrompt(&any, i));
        pause(50);
    }
    pause(kSettleMs);
    const auto prompts = s.prompts();
    EXPECT_EQ(kPresses, prompts.size()) << s.windows();
    ASSERT_TRUE(s.vennet().alive());
    EXPECT_TRUE(s.locked()) << s.state();

    HWND chosen = prompts[prompts.size() / 2];
    ASSERT_TRUE(s.typeInto(chosen, kDefaultPassword));
    pressKey(VK_RETURN);
    ASSERT_TRUE(s.waitGone(chosen, "the chosen prompt to close"));
    EXPECT_TRUE(s.waitUnlocked());
    EXPECT_EQ(kPresses - 1, s.prompts().size()) << s.windows();

    EXPECT_TRUE(s.closePrompts());
    pause(kSettleMs);
    EXPECT_TRUE(s.vennet().alive());
    EXPECT_TRUE(s.unlocked()) << s.state();
}

// ---- timing -------------------------------------------------------------

void report(const char* name, const char* what, const Figures& f) {
    printf("FIGURE %s median %.1f ms, max %.1f ms over %zu presses (%s)\n", name, f.median(),
           f.max(), f.values.size(), what);
    ::testing::Test::RecordProperty(std::string(name) + "_median_ms", static_cast<int>(f.median()));
    ::testing::Test::RecordProperty(std::string(name) + "_max_ms", static_cast<int>(f.max()));
}

TEST(F2Timing, F2ToPromptWhileLockedAndToTheReportWhileIdle) {
    constexpr int kPresses = 10;
    Session s;
    ASSERT_TRUE(s.start());

    Figures idle;
    for (int i = 0; i < kPresses; ++i) {
        SCOPED_TRACE("idle press " + std::to_string(i + 1));
        double ms = 0;
        ASSERT_TRUE(s.pressF2(80, &ms));
        HWND box = nullptr;
        ASSERT_TRUE(s.waitMessageBox(&box));
        idle.values.push_back(ms);
        EXPECT_EQ(std::vector<std::string>{texts::kNotLocked}, labelTexts(box));
        ASSERT_TRUE(s.closeMessageBox(box));
        pause(200);
    }

    ASSERT_TRUE(s.startNotepad());
    ASSERT_TRUE(s.pick());
    ASSERT_TRUE(s.lock());
    Figures locked;
    for (int i = 0; i < kPresses; ++i) {
        SCOPED_TRACE("locked press " + std::to_string(i + 1));
        double ms = 0;
        ASSERT_TRUE(s.pressF2(80, &ms));
        HWND prompt = nullptr;
        ASSERT_TRUE(s.waitPrompt(&prompt));
        locked.values.push_back(ms);
        ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == prompt; }, kReactMs,
                              "the prompt in the foreground",
                              [&] { return describe(GetForegroundWindow()); }));
        pressKey(VK_ESCAPE);
        ASSERT_TRUE(s.waitGone(prompt, "the prompt to close"));
        pause(200);
    }
    EXPECT_TRUE(s.locked()) << s.state();
    report("f2-to-prompt", "locked, one core busy with the lock", locked);
    report("f2-to-not-locked-report", "idle", idle);
}

}  // namespace
