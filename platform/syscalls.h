// The Windows calls the handlers make directly, behind portable types.
//
// The executable links syscalls_win.cpp, which forwards each call to Win32;
// host tests link a simulated set (tests/sim). Handles of every kind are
// 32-bit values on the target, so they travel as std::uint32_t here; the
// Win32 side sign-extends them back, which keeps pseudo-handles such as the
// current process (-1) intact on a 64-bit build too.
#pragma once

#include <cstdint>

namespace sys {

using Handle = std::uint32_t;
using Bool = std::int32_t;

struct Point {
    std::int32_t x;
    std::int32_t y;
};

struct Rect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

struct LastInputInfo {
    std::uint32_t cbSize;
    std::uint32_t dwTime;
};

// One signature for hotkey callbacks in both firing modes: they get the id.
using HotkeyCallback = void (*)(std::int32_t id);
using ThreadRoutine = std::uint32_t (*)(std::uintptr_t parameter);
using TimerProc = void (*)();

constexpr std::int32_t kSwHide = 0;
constexpr std::int32_t kSwShowNormal = 1;
constexpr std::uint32_t kGwHwndNext = 2;
constexpr std::uint32_t kProcessTerminate = 1;
constexpr std::uint32_t kStillActive = 259;
constexpr std::uint32_t kWaitObject0 = 0;
constexpr std::uint32_t kWaitFailed = 0xFFFFFFFFu;
constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;
constexpr std::uint32_t kWakeMaskAllInput = 255;  // the eight input kinds 1..128
constexpr std::uint32_t kQsSendMessage = 0x40;

// Mouse capture and window owners.
Bool ReleaseCapture();
Handle SetCapture(Handle window);
std::uint32_t GetWindowThreadProcessId(Handle window, std::uint32_t* processId);

// Window titles in UTF-16 and their conversion.
std::int32_t GetWindowTextLengthW(Handle window);
std::int32_t GetWindowTextW(Handle window, char16_t* buffer, std::int32_t maxCount);
std::int32_t lstrlenW(const char16_t* text);
std::int32_t WideCharToMultiByte(std::uint32_t codePage, std::uint32_t flags, const char16_t* wide,
                                 std::int32_t wideLength, char* narrow, std::int32_t narrowSize);

// Processes and handles.
Handle GetCurrentProcess();
Handle OpenProcess(std::uint32_t access, Bool inherit, std::uint32_t processId);
Bool TerminateProcess(Handle process, std::uint32_t exitCode);
Bool CloseHandle(Handle handle);

// Threads. CreateThread starts routine(parameter) at once; the id may be null.
Handle CreateThread(ThreadRoutine routine, std::uintptr_t parameter, std::uint32_t* threadId);
Bool GetExitCodeThread(Handle thread, std::uint32_t* exitCode);
Bool TerminateThread(Handle thread, std::uint32_t exitCode);

// Keyboard polling and the hotkey timer (a thread timer without a window).
std::int16_t GetAsyncKeyState(std::int32_t virtualKey);
std::uintptr_t SetTimer(Handle window, std::uintptr_t id, std::uint32_t periodMs, TimerProc proc);
// Calls the callback with the id in the window-handle position, message 0.
std::intptr_t CallWindowProcA(HotkeyCallback callback, std::int32_t id);

// Showing and hiding windows of any thread without waiting for them.
Bool ShowWindowAsync(Handle window, std::int32_t command);

// Waitable timers and waits that wake for the thread's messages.
Handle CreateWaitableTimerA(Bool manualReset);
Bool SetWaitableTimer(Handle timer, const std::int64_t* dueTime, std::int32_t periodMs);
std::uint32_t MsgWaitForMultipleObjects(std::uint32_t count, const Handle* handles, Bool waitAll,
                                        std::uint32_t timeoutMs, std::uint32_t wakeMask);
// Dispatches only the messages other threads have sent to this one.
void DispatchSentMessages();

// The shell.
std::intptr_t ShellExecuteA(Handle window, const char* operation, const char* file,
                            const char* parameters, const char* directory, std::int32_t show);

// Input time.
Bool GetLastInputInfo(LastInputInfo* info);

// Window search.
Bool GetCursorPos(Point* point);
Handle WindowFromPoint(Point point);
Bool GetWindowRect(Handle window, Rect* rect);
Handle GetParent(Handle window);
Handle GetWindow(Handle window, std::uint32_t command);
Bool PtInRect(const Rect* rect, Point point);
Bool IsWindowVisible(Handle window);

}  // namespace sys
