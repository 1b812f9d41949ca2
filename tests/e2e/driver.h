// The end-to-end driver: starts programs, finds their windows, waits on
// what the window system shows, reads texts in code page 936, sends
// keyboard and mouse input and takes screenshots. Everything goes through
// the window system, as another program on the same desktop would see it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace e2e {

// ---- environment --------------------------------------------------------

// The Windows path of vennet.exe (VENNET_EXE) and of the test target
// (VENNET_TARGET_EXE); empty when unset.
std::wstring vennetExe();
std::wstring targetExe();

// Milliseconds from a fixed point, with sub-millisecond resolution.
double nowMs();

// ---- processes ----------------------------------------------------------

// A process started by the test. Terminated at the end of its scope if it
// is still running, so that one failing test leaves nothing behind.
class Process {
public:
    Process() = default;
    Process(const std::wstring& exe, const std::wstring& arguments = std::wstring());
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool started() const { return info_.hProcess != nullptr; }
    DWORD pid() const { return info_.dwProcessId; }
    HANDLE handle() const { return info_.hProcess; }
    // When CreateProcessW was called, on the nowMs() clock.
    double startedAtMs() const { return startedAt_; }
    // GetLastError of a failed start.
    DWORD startError() const { return startError_; }

    bool alive() const;
    // Waits up to timeoutMs for the end; true and the exit code if it ended.
    bool waitExit(DWORD timeoutMs, DWORD* exitCode) const;
    void terminate();

    // Its top-level windows, optionally only those of one class.
    std::vector<HWND> windows(const wchar_t* cls = nullptr) const;
    HWND window(const wchar_t* cls) const;

private:
    PROCESS_INFORMATION info_{};
    double startedAt_ = 0;
    DWORD startError_ = 0;
};

// ---- waiting ------------------------------------------------------------

// Polls `done` every 10 ms for up to timeoutMs. On time-out the failure names
// what was awaited and, if `seen` is given, what the last poll saw.
::testing::AssertionResult waitUntil(const std::function<bool()>& done, int timeoutMs,
                                     const std::string& what,
                                     const std::function<std::string()>& seen = nullptr);

// Lets time pass without asserting anything about it (for "still the same
// after a while" checks).
void pause(int ms);

// ---- windows ------------------------------------------------------------

std::vector<HWND> topLevelWindows(DWORD pid, const wchar_t* cls = nullptr);
std::vector<HWND> children(HWND parent);  // direct children, topmost first
HWND childById(HWND parent, int id);
std::wstring className(HWND window);
bool classIs(HWND window, const wchar_t* cls);  // case-insensitive
RECT windowRect(HWND window);
// A child's outer rectangle in its parent's client coordinates.
RECT placeInParent(HWND child);
DWORD threadOf(HWND window);
// The keyboard focus and the active window of a GUI thread.
HWND focusOf(DWORD threadId);
HWND activeOf(DWORD threadId);
// One line for failure messages: handle, class, text, place, visibility.
std::string describe(HWND window);

// ---- texts --------------------------------------------------------------

std::string toCp936(const std::wstring& text);
std::wstring fromCp936(const std::string& text);
std::string toUtf8(const std::wstring& text);
// A code page 936 text as UTF-8 in quotes, followed by its bytes in hex.
std::string show(const std::string& cp936);
// The text of a window of any process: WM_GETTEXT with a time-out,
// converted to code page 936.
std::string windowText(HWND window);
// The caption as the window manager stores it (GetWindowTextW), which
// needs nothing of the owning thread.
std::string caption(HWND window);

::testing::AssertionResult textsEqual(const char* expectedExpr, const char* actualExpr,
                                      const std::string& expected, const std::string& actual);
#define EXPECT_TEXT_EQ(expected, actual) EXPECT_PRED_FORMAT2(::e2e::textsEqual, expected, actual)
#define ASSERT_TEXT_EQ(expected, actual) ASSERT_PRED_FORMAT2(::e2e::textsEqual, expected, actual)

// ---- input --------------------------------------------------------------

void keyDown(WORD vk);
void keyUp(WORD vk);
// Presses and releases a key, with modifiers (VK_SHIFT, VK_CONTROL,
// VK_MENU) held around it.
void pressKey(WORD vk, std::initializer_list<WORD> modifiers = {});
// Types characters as Unicode input, whatever the keyboard layout.
void typeText(const std::wstring& text);
// Mouse input in screen coordinates. Each returns whether the pointer was
// seen at the place asked for (a drag: at every step).
bool mouseMove(int x, int y);
POINT cursor();
void mouseDown();  // at the pointer
void mouseUp();
bool click(int x, int y);
bool drag(int fromX, int fromY, int toX, int toY, int steps = 10);
// Screen coordinates of a point relative to a window's client area.
POINT clientToScreen(HWND window, int x, int y);

// ---- the host ---------------------------------------------------------

// A file of the Linux host, such as /proc/N/status, read through the Z:
// drive (Wine reports neither times nor memory of another process).
std::string readHostFile(const std::wstring& path);

// ---- screen -------------------------------------------------------------

// A copy of part of the screen, 0x00RRGGBB per pixel.
struct Capture {
    RECT area{};
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    bool ok() const { return !pixels.empty(); }
    // x, y relative to the area's top-left corner.
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
Capture capture(const RECT& area);
// Writes a 24-bit BMP to VENNET_SHOTS/<name>.bmp; returns the Unix path
// written, or an empty string (and why in *error).
std::string saveScreenshot(const std::string& name, const RECT& area, std::string* error);
std::string rgbText(std::uint32_t rgb);

// ---- helpers the tests share --------------------------------------------

// A program of the system directory: CreateProcessW takes no search path.
std::wstring systemProgram(const wchar_t* name);

bool visible(HWND window);  // a window that exists and is visible
std::vector<HWND> childrenOfClass(HWND parent, const wchar_t* cls);
HWND editOf(HWND dialog);  // its first Edit control
// A window handle in decimal, as a 32-bit signed number.
std::string handleText(HWND window);
// The middle of a top-level window's caption bar.
POINT captionPoint(HWND window);

// WM_SETTEXT with a time-out; false without a window or an answer.
bool setText(HWND window, const std::wstring& text, UINT timeoutMs = 5000);

// Fails, naming the program and the variable it came from, if `process`
// did not start.
::testing::AssertionResult checkStarted(const Process& process, const std::wstring& exe,
                                        const char* variable);
// Waits for a visible top-level window of `cls` of `process`; *window is
// the last one seen.
::testing::AssertionResult waitShown(const Process& process, const wchar_t* cls, HWND* window,
                                     int timeoutMs, const std::string& what,
                                     const std::function<std::string()>& seen = nullptr);
// Every top-level window of the process, a line each, for failure messages.
std::string processWindows(const Process& process);
// The visible ones only, each line marked as vennet's.
std::string visibleWindowsOf(const Process& process);
// The visible top-level windows of a class of the process.
std::vector<HWND> visibleWindows(const Process& process, const wchar_t* cls);

// Starts notepad (up to three tries), waits for its window and moves it to
// the left and top of `place`, sized as `place`.
::testing::AssertionResult launchNotepad(std::unique_ptr<Process>* notepad, HWND* window,
                                         const RECT& place, int startMs, int reactMs);
// Sets the foreground window, waits for it and lets the change settle:
// under Wine keys sent while it goes on can be lost.
::testing::AssertionResult bringToFront(HWND window, int timeoutMs, const std::string& what);
::testing::AssertionResult waitGone(HWND window, int timeoutMs, const std::string& what);

// Moves the pointer and waits until the system has kept it there for a
// while: for a moment after a move Wine may still take the pointer back to
// a point on the way.
::testing::AssertionResult settlePointer(POINT to, int timeoutMs);
// Presses at `from`, moves in `steps` steps of 15 ms to `to` and releases
// once the pointer has settled there.
::testing::AssertionResult dragSettled(POINT from, POINT to, int steps, int timeoutMs);

}  // namespace e2e
