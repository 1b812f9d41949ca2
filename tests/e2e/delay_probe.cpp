// Runs the product's message-pumping delay on a thread of its own with a
// window, as the GUI thread of the program does, and reports how long the
// waits took and which messages were dispatched during them. Exit code 0
// when everything held, 1 otherwise (with a FAIL line saying why).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cfenv>
#include <cstdio>
#include <vector>

#include "target/delay.h"
#include "ui/services.h"

namespace {

constexpr UINT kPostedMessage = WM_APP + 1;
constexpr UINT kSentMessage = WM_APP + 2;
constexpr UINT_PTR kTimerId = 7;

// Counted only while a delayPumping call is running: between the calls
// nothing on this thread dispatches.
std::atomic<bool> inWait{false};
long timerMessages = 0, postedMessages = 0, sentMessages = 0;
long outsideWait = 0;
int failures = 0;

void fail(const char* what, double value) {
    std::printf("FAIL %s (%.3f)\n", what, value);
    ++failures;
}

double nowMs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / frequency;
}

LRESULT CALLBACK probeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    long* counter = nullptr;
    if (message == WM_TIMER && wParam == kTimerId) counter = &timerMessages;
    if (message == kPostedMessage) counter = &postedMessages;
    if (message == kSentMessage) counter = &sentMessages;
    if (counter) {
        if (inWait) ++*counter;
        else ++outsideWait;
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

double timedDelay(std::int32_t interval, std::int32_t unit) {
    inWait = true;
    const double start = nowMs();
    delayPumping(interval, unit);
    const double elapsed = nowMs() - start;
    inWait = false;
    return elapsed;
}

struct Summary {
    double median, max;
};
Summary summarise(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.back()};
}

// Another thread posts to and sends to the window while the waits run, as
// other programs and the product's own worker threads do.
struct Sender {
    HWND window;
    std::atomic<bool> stop{false};
    std::vector<double> replyMs;
    long unanswered = 0;
};

DWORD WINAPI sendLoop(void* parameter) {
    auto& s = *static_cast<Sender*>(parameter);
    while (!s.stop) {
        PostMessageW(s.window, kPostedMessage, 0, 0);
        const double start = nowMs();
        DWORD_PTR result = 0;
        if (SendMessageTimeoutW(s.window, kSentMessage, 0, 0, SMTO_NORMAL, 2000, &result))
            s.replyMs.push_back(nowMs() - start);
        else if (!s.stop)
            ++s.unanswered;
        Sleep(20);
    }
    return 0;
}

void checkTruncation() {
    struct Row {
        double x;
        long long expected;
    };
    const Row rows[] = {{2.7, 2}, {-2.7, -2}, {2.9, 2}, {-2.9, -2}, {0.5, 0}, {-0.5, 0},
                        {-20000000000.0, -20000000000LL}, {-2500000.9, -2500000}};
    const int modes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};
    const int before = std::fegetround();
    for (int mode : modes) {
        std::fesetround(mode);
        for (const auto& row : rows) {
            const long long got = floatToInt64(row.x);
            if (got != row.expected) {
                std::printf("FAIL floatToInt64(%.2f) gave %lld, expected %lld (rounding mode %d)\n",
                            row.x, got, row.expected, mode);
                ++failures;
            }
        }
        if (std::fegetround() != mode) {
            std::printf("FAIL floatToInt64 changed the rounding mode %d to %d\n", mode,
                        std::fegetround());
            ++failures;
        }
    }
    std::fesetround(before);
}

}  // namespace

int main() {
    checkTruncation();

    WNDCLASSW wc{};
    wc.lpfnWndProc = probeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VennetDelayProbe";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
    if (!window) {
        std::printf("FAIL no window (error %lu)\n", GetLastError());
        return 1;
    }
    SetTimer(window, kTimerId, 10, nullptr);

    // A first short wait, so that whatever the system sets up once per
    // thread is not charged to the measured calls.
    timedDelay(1, DelayMilliseconds);
    ui::processEvents();

    Sender sender;
    sender.window = window;
    HANDLE thread = CreateThread(nullptr, 0, sendLoop, &sender, 0, nullptr);

    // Each call closes its own timer: none may be left over afterwards.
    DWORD handlesBefore = 0, handlesAfter = 0;
    // Some systems answer with 0: no count to compare then.
    const bool countsHandles =
        GetProcessHandleCount(GetCurrentProcess(), &handlesBefore) && handlesBefore > 0;
    constexpr int kWaits = 10;
    std::vector<double> quarter, micro, nonPositive;
    for (int i = 0; i < kWaits; ++i) quarter.push_back(timedDelay(250, DelayMilliseconds));
    for (int i = 0; i < kWaits; ++i) micro.push_back(timedDelay(1, DelayMicroseconds));
    for (std::int32_t unit = DelayMilliseconds; unit <= DelayDays; ++unit)
        for (std::int32_t interval : {0, -5}) nonPositive.push_back(timedDelay(interval, unit));
    if (countsHandles) GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);

    sender.stop = true;
    // The sender may be inside a send; keep the window answering until it ends.
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        ui::processEvents();
    CloseHandle(thread);
    KillTimer(window, kTimerId);

    const Summary q = summarise(quarter), m = summarise(micro), n = summarise(nonPositive);
    std::printf("FIGURE delay-250ms median %.1f ms max %.1f ms over %d waits (min %.1f ms)\n",
                q.median, q.max, kWaits, *std::min_element(quarter.begin(), quarter.end()));
    std::printf("FIGURE delay-1us median %.3f ms max %.3f ms over %d waits\n", m.median, m.max,
                kWaits);
    std::printf("FIGURE delay-nonpositive median %.3f ms max %.3f ms over %zu calls\n", n.median,
                n.max, nonPositive.size());
    if (!sender.replyMs.empty()) {
        const Summary r = summarise(sender.replyMs);
        std::printf("FIGURE sent-message-reply median %.2f ms max %.2f ms over %zu sends\n",
                    r.median, r.max, sender.replyMs.size());
    }
    std::printf("dispatched during the waits: timer %ld posted %ld sent %ld (unanswered sends %ld, "
                "outside the waits %ld)\n",
                timerMessages, postedMessages, sentMessages, sender.unanswered, outsideWait);
    if (countsHandles)
        std::printf("handles around the delays: %lu before, %lu after\n",
                    handlesBefore, handlesAfter);
    else
        std::printf("handles around the delays: not counted here\n");

    // Bounds wide enough for a loaded machine, narrow enough to tell a
    // wrong unit (a factor of 10 or 1,000) from the right one.
    if (q.median < 200 || q.median > 1000) fail("delay-250ms median out of [200, 1000] ms", q.median);
    if (*std::min_element(quarter.begin(), quarter.end()) < 200)
        fail("a 250 ms delay returned before 200 ms", *std::min_element(quarter.begin(), quarter.end()));
    if (m.max > 500) fail("a 1 us delay took over 500 ms", m.max);
    if (n.max > 500) fail("a delay of 0 or less took over 500 ms", n.max);
    if (timerMessages == 0) fail("no timer message was dispatched during the waits", 0);
    if (postedMessages == 0) fail("no posted message was dispatched during the waits", 0);
    if (sentMessages == 0) fail("no sent message was answered during the waits", 0);
    if (sender.unanswered) fail("sends went unanswered for 2 s", sender.unanswered);
    if (countsHandles && handlesAfter > handlesBefore)
        fail("handles were left behind by the delays", handlesAfter - handlesBefore);

    DestroyWindow(window);
    std::printf(failures ? "delay probe: %d failure(s)\n" : "delay probe: all held\n", failures);
    std::fflush(stdout);
    return failures ? 1 : 0;
}
