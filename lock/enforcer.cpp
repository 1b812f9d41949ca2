// The enforcement worker. It is stopped by request, not terminated: a thread
// killed inside a cross-thread window call could leave the window system's
// locks held. The request is checked at the top of every pass.
#include "lock/enforcer.h"

#include <atomic>

#include "app/state.h"
#include "ui/services.h"

namespace {
std::atomic<bool> stopRequested{false};
}

std::uint32_t enforceLock(std::uintptr_t) {
    while (!stopRequested) {
        if (LockState == Locked) {
            sys::ShowWindowAsync(TargetWindow, sys::kSwHide);
            ui::setVisible(WindowName::MainWindow, false);
            ui::setDisabled(WindowName::MainWindow, true);
        }
    }
    return 0;
}

sys::Handle runEnforcer() {
    stopRequested = false;
    return sys::CreateThread(enforceLock, 0, nullptr);
}

std::int32_t stopThread(sys::Handle thread) {
    std::uint32_t code = 0;
    if (thread == 0 || !sys::GetExitCodeThread(thread, &code)) return 0;
    if (code != sys::kStillActive) return 1;
    stopRequested = true;
    // The worker may be waiting for this very thread inside a window call,
    // so keep taking the messages other threads send while waiting.
    for (;;) {
        const std::uint32_t r = sys::MsgWaitForMultipleObjects(1, &thread, 0, sys::kInfinite,
                                                               sys::kQsSendMessage);
        if (r == sys::kWaitObject0) return 1;
        if (r != sys::kWaitObject0 + 1) return 0;
        sys::DispatchSentMessages();
    }
}
