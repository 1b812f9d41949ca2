// Simulated declared calls: forward to the test's hooks or act neutrally.
#include <iconv.h>

#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <thread>

#include "tests/sim/sim.h"

namespace sim {
SysHooks sys;

namespace {

struct SimThread {
    std::thread thread;
    std::atomic<bool> done{false};
    std::atomic<std::uint32_t> exitCode{::sys::kStillActive};
};

std::mutex threadsMutex;
std::map<::sys::Handle, std::shared_ptr<SimThread>> threads;
::sys::Handle nextThreadHandle = 0x1000;

std::shared_ptr<SimThread> findThread(::sys::Handle h) {
    std::lock_guard<std::mutex> lock(threadsMutex);
    auto it = threads.find(h);
    return it == threads.end() ? nullptr : it->second;
}

// Code page 936 bytes of one code point, or empty when it has none.
std::string gbkOf(char32_t cp) {
    static thread_local iconv_t cd = iconv_open("CP936", "UTF-32LE");
    char in[4];
    std::memcpy(in, &cp, 4);
    char out[8];
    char* ip = in;
    char* op = out;
    size_t il = 4, ol = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) return {};
    return std::string(out, op - out);
}

std::int32_t simWideToGbk(const char16_t* wide, std::int32_t wideLength, char* narrow,
                          std::int32_t narrowSize) {
    std::int32_t n = wideLength;
    if (n < 0) {
        n = 0;
        while (wide[n] != 0) ++n;
        ++n;  // the terminator counts
    }
    std::string out;
    for (std::int32_t i = 0; i < n; ++i) {
        char32_t cp = wide[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < n && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        }
        if (cp == 0) {
            out.push_back('\0');
            continue;
        }
        std::string b = gbkOf(cp);
        out += b.empty() ? std::string("?") : b;
    }
    if (narrow == nullptr || narrowSize == 0) return static_cast<std::int32_t>(out.size());
    if (static_cast<std::int32_t>(out.size()) > narrowSize) return 0;
    std::memcpy(narrow, out.data(), out.size());
    return static_cast<std::int32_t>(out.size());
}

}  // namespace

bool joinThreads(int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        std::vector<std::shared_ptr<SimThread>> finished;
        bool anyRunning = false;
        {
            std::lock_guard<std::mutex> lock(threadsMutex);
            for (auto it = threads.begin(); it != threads.end();) {
                if (it->second->done) {
                    finished.push_back(it->second);
                    it = threads.erase(it);
                } else {
                    anyRunning = true;
                    ++it;
                }
            }
        }
        for (auto& t : finished)
            if (t->thread.joinable()) t->thread.join();
        if (!anyRunning) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void resetSys() {
    joinThreads(5000);
    sys = SysHooks{};
}

}  // namespace sim

namespace sys {
using sim::sys;

Bool ReleaseCapture() { return sim::sys.ReleaseCapture ? sim::sys.ReleaseCapture() : 1; }
Handle SetCapture(Handle w) { return sim::sys.SetCapture ? sim::sys.SetCapture(w) : 0; }
std::uint32_t GetWindowThreadProcessId(Handle w, std::uint32_t* pid) {
    return sim::sys.GetWindowThreadProcessId ? sim::sys.GetWindowThreadProcessId(w, pid) : 0;
}
std::int32_t GetWindowTextLengthW(Handle w) {
    return sim::sys.GetWindowTextLengthW ? sim::sys.GetWindowTextLengthW(w) : 0;
}
std::int32_t GetWindowTextW(Handle w, char16_t* b, std::int32_t n) {
    return sim::sys.GetWindowTextW ? sim::sys.GetWindowTextW(w, b, n) : 0;
}
std::int32_t lstrlenW(const char16_t* t) {
    if (t == nullptr) return 0;
    std::int32_t n = 0;
    while (t[n] != 0) ++n;
    return n;
}
std::int32_t WideCharToMultiByte(std::uint32_t cp, std::uint32_t flags, const char16_t* w,
                                 std::int32_t wl, char* n, std::int32_t ns) {
    if (sim::sys.WideCharToMultiByte) return sim::sys.WideCharToMultiByte(cp, flags, w, wl, n, ns);
    return sim::simWideToGbk(w, wl, n, ns);
}
Handle GetCurrentProcess() {
    return sim::sys.GetCurrentProcess ? sim::sys.GetCurrentProcess() : 0xFFFFFFFFu;
}
Handle OpenProcess(std::uint32_t a, Bool i, std::uint32_t pid) {
    return sim::sys.OpenProcess ? sim::sys.OpenProcess(a, i, pid) : 0;
}
Bool TerminateProcess(Handle p, std::uint32_t c) {
    return sim::sys.TerminateProcess ? sim::sys.TerminateProcess(p, c) : 0;
}
Bool CloseHandle(Handle h) { return sim::sys.CloseHandle ? sim::sys.CloseHandle(h) : (h != 0); }

Handle CreateThread(ThreadRoutine routine, std::uintptr_t parameter, std::uint32_t* threadId) {
    if (sim::sys.CreateThread) return sim::sys.CreateThread(routine, parameter, threadId);
    auto t = std::make_shared<sim::SimThread>();
    Handle h;
    {
        std::lock_guard<std::mutex> lock(sim::threadsMutex);
        h = sim::nextThreadHandle += 4;
        sim::threads[h] = t;
    }
    std::shared_ptr<sim::SimThread> raw = t;
    t->thread = std::thread([raw, routine, parameter] {
        raw->exitCode = routine(parameter);
        raw->done = true;
    });
    if (threadId) *threadId = h;
    return h;
}
Bool GetExitCodeThread(Handle h, std::uint32_t* code) {
    if (sim::sys.GetExitCodeThread) return sim::sys.GetExitCodeThread(h, code);
    auto t = sim::findThread(h);
    if (!t) return 0;
    *code = t->exitCode;
    return 1;
}
Bool TerminateThread(Handle h, std::uint32_t c) {
    return sim::sys.TerminateThread ? sim::sys.TerminateThread(h, c) : 0;
}
std::int16_t GetAsyncKeyState(std::int32_t k) {
    return sim::sys.GetAsyncKeyState ? sim::sys.GetAsyncKeyState(k) : 0;
}
std::uintptr_t SetTimer(Handle w, std::uintptr_t id, std::uint32_t ms, TimerProc p) {
    return sim::sys.SetTimer ? sim::sys.SetTimer(w, id, ms, p) : 0;
}
std::intptr_t CallWindowProcA(HotkeyCallback cb, std::int32_t id) {
    if (sim::sys.CallWindowProcA) return sim::sys.CallWindowProcA(cb, id);
    cb(id);
    return 0;
}
Bool ShowWindowAsync(Handle w, std::int32_t c) {
    return sim::sys.ShowWindowAsync ? sim::sys.ShowWindowAsync(w, c) : 0;
}
Handle CreateWaitableTimerA(Bool m) {
    return sim::sys.CreateWaitableTimerA ? sim::sys.CreateWaitableTimerA(m) : 0;
}
Bool SetWaitableTimer(Handle t, const std::int64_t* d, std::int32_t p) {
    return sim::sys.SetWaitableTimer ? sim::sys.SetWaitableTimer(t, d, p) : 0;
}
std::uint32_t MsgWaitForMultipleObjects(std::uint32_t n, const Handle* hs, Bool all,
                                        std::uint32_t ms, std::uint32_t mask) {
    if (sim::sys.MsgWaitForMultipleObjects)
        return sim::sys.MsgWaitForMultipleObjects(n, hs, all, ms, mask);
    // Threads are the only objects the default knows: wait for the first.
    if (n >= 1) {
        if (auto t = sim::findThread(hs[0])) {
            auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
            while (!t->done) {
                if (ms != kInfinite && std::chrono::steady_clock::now() > deadline) return 258;
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            return kWaitObject0;
        }
    }
    return kWaitFailed;
}
void DispatchSentMessages() {
    if (sim::sys.DispatchSentMessages) sim::sys.DispatchSentMessages();
}
std::intptr_t ShellExecuteA(Handle w, const char* o, const char* f, const char* p, const char* d,
                            std::int32_t s) {
    return sim::sys.ShellExecuteA ? sim::sys.ShellExecuteA(w, o, f, p, d, s) : 2;
}
Bool GetLastInputInfo(LastInputInfo* i) {
    return sim::sys.GetLastInputInfo ? sim::sys.GetLastInputInfo(i) : 0;
}
Bool GetCursorPos(Point* p) { return sim::sys.GetCursorPos ? sim::sys.GetCursorPos(p) : 0; }
Handle WindowFromPoint(Point p) { return sim::sys.WindowFromPoint ? sim::sys.WindowFromPoint(p) : 0; }
Bool GetWindowRect(Handle w, Rect* r) {
    return sim::sys.GetWindowRect ? sim::sys.GetWindowRect(w, r) : 0;
}
Handle GetParent(Handle w) { return sim::sys.GetParent ? sim::sys.GetParent(w) : 0; }
Handle GetWindow(Handle w, std::uint32_t c) { return sim::sys.GetWindow ? sim::sys.GetWindow(w, c) : 0; }
Bool PtInRect(const Rect* r, Point p) {
    return p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}
Bool IsWindowVisible(Handle w) { return sim::sys.IsWindowVisible ? sim::sys.IsWindowVisible(w) : 0; }

}  // namespace sys
