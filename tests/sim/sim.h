// A small simulated window system for the host tests.
//
// Every declared call and every user-interface service is linked here in
// place of Win32. Each forwards to a std::function in sim::sys or sim::ui
// when a test sets one, and otherwise does something neutral (returns 0,
// records the call). sim::reset() puts everything back; call it in SetUp.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/syscalls.h"
#include "ui/services.h"

namespace sim {

struct SysHooks {
    std::function<sys::Bool()> ReleaseCapture;
    std::function<sys::Handle(sys::Handle)> SetCapture;
    std::function<std::uint32_t(sys::Handle, std::uint32_t*)> GetWindowThreadProcessId;
    std::function<std::int32_t(sys::Handle)> GetWindowTextLengthW;
    std::function<std::int32_t(sys::Handle, char16_t*, std::int32_t)> GetWindowTextW;
    // Default: a real UTF-16 to code page 936 conversion through iconv, with
    // '?' for characters the code page lacks (as Windows' default character).
    std::function<std::int32_t(std::uint32_t, std::uint32_t, const char16_t*, std::int32_t, char*,
                               std::int32_t)>
        WideCharToMultiByte;
    std::function<sys::Handle()> GetCurrentProcess;
    std::function<sys::Handle(std::uint32_t, sys::Bool, std::uint32_t)> OpenProcess;
    std::function<sys::Bool(sys::Handle, std::uint32_t)> TerminateProcess;
    std::function<sys::Bool(sys::Handle)> CloseHandle;
    // Default: a real std::thread; GetExitCodeThread reports STILL_ACTIVE
    // until the routine has returned.
    std::function<sys::Handle(sys::ThreadRoutine, std::uintptr_t, std::uint32_t*)> CreateThread;
    std::function<sys::Bool(sys::Handle, std::uint32_t*)> GetExitCodeThread;
    std::function<sys::Bool(sys::Handle, std::uint32_t)> TerminateThread;
    std::function<std::int16_t(std::int32_t)> GetAsyncKeyState;
    std::function<std::uintptr_t(sys::Handle, std::uintptr_t, std::uint32_t, sys::TimerProc)>
        SetTimer;
    std::function<std::intptr_t(sys::HotkeyCallback, std::int32_t)> CallWindowProcA;
    std::function<sys::Bool(sys::Handle, std::int32_t)> ShowWindowAsync;
    std::function<sys::Handle(sys::Bool)> CreateWaitableTimerA;
    std::function<sys::Bool(sys::Handle, const std::int64_t*, std::int32_t)> SetWaitableTimer;
    std::function<std::uint32_t(std::uint32_t, const sys::Handle*, sys::Bool, std::uint32_t,
                                std::uint32_t)>
        MsgWaitForMultipleObjects;
    std::function<void()> DispatchSentMessages;
    std::function<std::intptr_t(sys::Handle, const char*, const char*, const char*, const char*,
                                std::int32_t)>
        ShellExecuteA;
    std::function<sys::Bool(sys::LastInputInfo*)> GetLastInputInfo;
    std::function<sys::Bool(sys::Point*)> GetCursorPos;
    std::function<sys::Handle(sys::Point)> WindowFromPoint;
    std::function<sys::Bool(sys::Handle, sys::Rect*)> GetWindowRect;
    std::function<sys::Handle(sys::Handle)> GetParent;
    std::function<sys::Handle(sys::Handle, std::uint32_t)> GetWindow;
    std::function<sys::Bool(sys::Handle)> IsWindowVisible;
};

struct UiHooks {
    std::function<int(const Text&)> messageBox;
    std::function<bool(const Text&, const Text&, const Text&, Text&, int)> inputBox;
    std::function<Text(ControlName)> getText;
    std::function<int(WindowName)> getWindowState;
    std::function<std::int32_t()> uptimeMs;
    std::function<bool(WindowName)> loadWindow;
    std::function<void()> processEvents;
    std::function<void(int)> endProgram;  // must not return normally (throw)
};

extern SysHooks sys;
extern UiHooks ui;

// What the ui services were asked to do, in order, as readable lines such
// as "visible MainWindow 0", "caption MainWindow <text>", "messageBox <text>".
// Safe to append from several threads.
class Journal {
public:
    void add(std::string line);
    std::vector<std::string> lines() const;
    void clear();
    bool contains(const std::string& line) const;
    std::size_t count(const std::string& line) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};
extern Journal journal;

// Property records the ui simulation keeps (readable by the tests).
struct WindowRecord {
    std::atomic<bool> visible{true};
    std::atomic<bool> disabled{false};
    std::atomic<int> windowState{0};
};
WindowRecord& record(WindowName window);

// Thrown by the default endProgram so that a test can catch the end.
struct ProgramEnded {
    int exitCode;
};

// Joins the threads the default CreateThread started that have finished;
// waits up to timeoutMs for the rest and returns true when none remains.
bool joinThreads(int timeoutMs);

void reset();

}  // namespace sim
