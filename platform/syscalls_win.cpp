// The declared calls, forwarded to Win32.
#include <windows.h>
#include <shellapi.h>

#include "platform/win32_handles.h"

namespace {

struct ThreadStart {
    sys::ThreadRoutine routine;
    std::uintptr_t parameter;
};

DWORD WINAPI threadTrampoline(LPVOID p) {
    const ThreadStart start = *static_cast<ThreadStart*>(p);
    delete static_cast<ThreadStart*>(p);
    return start.routine(start.parameter);
}

// Thread timers report the id the system chose; map it back to our routine.
struct TimerSlot {
    UINT_PTR id;
    sys::TimerProc proc;
};
TimerSlot timerSlots[8];

void CALLBACK timerTrampoline(HWND, UINT, UINT_PTR id, DWORD) {
    for (const auto& slot : timerSlots)
        if (slot.id == id && slot.proc) slot.proc();
}

thread_local sys::HotkeyCallback pendingDirectCallback;

LRESULT CALLBACK directCallTrampoline(HWND window, UINT, WPARAM, LPARAM) {
    const sys::HotkeyCallback callback = pendingDirectCallback;
    callback(static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(window)));
    return 0;
}

}  // namespace

namespace sys {

Bool ReleaseCapture() { return ::ReleaseCapture(); }
Handle SetCapture(Handle w) { return toHandle(::SetCapture(fromHandle<HWND>(w))); }
std::uint32_t GetWindowThreadProcessId(Handle w, std::uint32_t* pid) {
    DWORD p = 0;
    const DWORD t = ::GetWindowThreadProcessId(fromHandle<HWND>(w), &p);
    if (pid && t != 0) *pid = p;
    return t;
}
std::int32_t GetWindowTextLengthW(Handle w) { return ::GetWindowTextLengthW(fromHandle<HWND>(w)); }
std::int32_t GetWindowTextW(Handle w, char16_t* b, std::int32_t n) {
    return ::GetWindowTextW(fromHandle<HWND>(w), reinterpret_cast<wchar_t*>(b), n);
}
std::int32_t lstrlenW(const char16_t* t) { return ::lstrlenW(reinterpret_cast<const wchar_t*>(t)); }
std::int32_t WideCharToMultiByte(std::uint32_t cp, std::uint32_t flags, const char16_t* w,
                                 std::int32_t wl, char* n, std::int32_t ns) {
    return ::WideCharToMultiByte(cp, flags, reinterpret_cast<const wchar_t*>(w), wl, n, ns, nullptr,
                                 nullptr);
}
Handle GetCurrentProcess() { return toHandle(::GetCurrentProcess()); }
Handle OpenProcess(std::uint32_t a, Bool i, std::uint32_t pid) {
    return toHandle(::OpenProcess(a, i, pid));
}
Bool TerminateProcess(Handle p, std::uint32_t c) { return ::TerminateProcess(fromHandle(p), c); }
Bool CloseHandle(Handle h) { return ::CloseHandle(fromHandle(h)); }

Handle CreateThread(ThreadRoutine routine, std::uintptr_t parameter, std::uint32_t* threadId) {
    auto* start = new ThreadStart{routine, parameter};
    DWORD id = 0;
    HANDLE h = ::CreateThread(nullptr, 0, threadTrampoline, start, 0, &id);
    if (!h) delete start;
    if (threadId) *threadId = id;
    return toHandle(h);
}
Bool GetExitCodeThread(Handle t, std::uint32_t* code) {
    DWORD c = 0;
    const BOOL ok = ::GetExitCodeThread(fromHandle(t), &c);
    if (code) *code = c;
    return ok;
}
Bool TerminateThread(Handle t, std::uint32_t c) { return ::TerminateThread(fromHandle(t), c); }

std::int16_t GetAsyncKeyState(std::int32_t k) { return ::GetAsyncKeyState(k); }
std::uintptr_t SetTimer(Handle w, std::uintptr_t id, std::uint32_t ms, TimerProc proc) {
    const UINT_PTR got = ::SetTimer(fromHandle<HWND>(w), id, ms, timerTrampoline);
    if (got != 0) {
        for (auto& slot : timerSlots) {
            if (slot.proc == nullptr || slot.id == got) {
                slot = {got, proc};
                break;
            }
        }
    }
    return got;
}
std::intptr_t CallWindowProcA(HotkeyCallback callback, std::int32_t id) {
    pendingDirectCallback = callback;
    return ::CallWindowProcA(directCallTrampoline, fromHandle<HWND>(static_cast<Handle>(id)), 0, 0,
                             0);
}

Bool ShowWindowAsync(Handle w, std::int32_t c) { return ::ShowWindowAsync(fromHandle<HWND>(w), c); }

Handle CreateWaitableTimerA(Bool manualReset) {
    return toHandle(::CreateWaitableTimerA(nullptr, manualReset, nullptr));
}
Bool SetWaitableTimer(Handle t, const std::int64_t* due, std::int32_t period) {
    LARGE_INTEGER li;
    li.QuadPart = *due;
    return ::SetWaitableTimer(fromHandle(t), &li, period, nullptr, nullptr, FALSE);
}
std::uint32_t MsgWaitForMultipleObjects(std::uint32_t n, const Handle* hs, Bool all,
                                        std::uint32_t ms, std::uint32_t mask) {
    HANDLE handles[MAXIMUM_WAIT_OBJECTS - 1];
    if (n > MAXIMUM_WAIT_OBJECTS - 1) return WAIT_FAILED;
    for (std::uint32_t i = 0; i < n; ++i) handles[i] = fromHandle(hs[i]);
    return ::MsgWaitForMultipleObjects(n, handles, all, ms, mask);
}
void DispatchSentMessages() {
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

std::intptr_t ShellExecuteA(Handle w, const char* o, const char* f, const char* p, const char* d,
                            std::int32_t s) {
    return reinterpret_cast<std::intptr_t>(::ShellExecuteA(fromHandle<HWND>(w), o, f, p, d, s));
}

Bool GetLastInputInfo(LastInputInfo* info) {
    LASTINPUTINFO li;
    li.cbSize = info->cbSize;
    li.dwTime = info->dwTime;
    const BOOL ok = ::GetLastInputInfo(&li);
    info->dwTime = li.dwTime;
    return ok;
}

Bool GetCursorPos(Point* p) {
    POINT pt{0, 0};
    const BOOL ok = ::GetCursorPos(&pt);
    p->x = pt.x;
    p->y = pt.y;
    return ok;
}
Handle WindowFromPoint(Point p) { return toHandle(::WindowFromPoint(POINT{p.x, p.y})); }
Bool GetWindowRect(Handle w, Rect* r) {
    RECT rc{0, 0, 0, 0};
    const BOOL ok = ::GetWindowRect(fromHandle<HWND>(w), &rc);
    *r = {rc.left, rc.top, rc.right, rc.bottom};
    return ok;
}
Handle GetParent(Handle w) { return toHandle(::GetParent(fromHandle<HWND>(w))); }
Handle GetWindow(Handle w, std::uint32_t c) { return toHandle(::GetWindow(fromHandle<HWND>(w), c)); }
Bool PtInRect(const Rect* r, Point p) {
    const RECT rc{r->left, r->top, r->right, r->bottom};
    return ::PtInRect(&rc, POINT{p.x, p.y});
}
Bool IsWindowVisible(Handle w) { return ::IsWindowVisible(fromHandle<HWND>(w)); }

}  // namespace sys
