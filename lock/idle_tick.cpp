#include "lock/idle_tick.h"

#include "app/state.h"
#include "app/texts.h"
#include "lock/enforcer.h"
#include "lock/idle_decision.h"
#include "ui/services.h"

void idleTick() {
    sys::LastInputInfo lastInput{0, 0};
    if (LockState == Locked) ui::setDisabled(WindowName::MainWindow, true);
    if (ui::getWindowState(WindowName::MainWindow) == 2)
        ui::setVisible(WindowName::MainWindow, false);
    storePasswordText(ui::getText(ControlName::编辑框1));
    lastInput.cbSize = 8;
    sys::GetLastInputInfo(&lastInput);
    const std::int32_t now = ui::uptimeMs();
    ui::setCaption(WindowName::MainWindow,
                   TargetWindow == NoTarget ? texts::kCaptionNoTarget : texts::kCaptionWaiting);
    const std::int32_t limitMinutes = textToInt(ui::getText(ControlName::编辑框2));
    const std::int32_t idleMs = idleMilliseconds(now, lastInput.dwTime);
    if (lockConditionHolds(idleMs, limitMinutes, TargetWindow, LockState)) {
        // The previous worker was stopped before its lock was lifted; only
        // its handle is left to release.
        const sys::Handle previous = enforcerThread.exchange(runEnforcer());
        if (previous) sys::CloseHandle(previous);
        LockState = Locked;
    }
    if (LockState == UnlockGranted) {
        ui::setDisabled(WindowName::MainWindow, false);
        ui::setVisible(WindowName::MainWindow, true);
        LockState = Idle;
    }
}
