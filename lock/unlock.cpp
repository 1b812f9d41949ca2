#include "lock/unlock.h"

#include "app/state.h"
#include "app/texts.h"
#include "lock/enforcer.h"
#include "ui/services.h"

namespace {

void showMainRestored() {
    ui::setVisible(WindowName::MainWindow, true);
    ui::setWindowState(WindowName::MainWindow, 0);
}

void grantIfMatching(const Text& entered) {
    // Our own reference keeps the copy alive while the tick replaces it.
    const std::shared_ptr<const Text> password = readPasswordText();
    if (!textsEqual(*password, entered)) return;
    // Another prompt may have lifted the lock while this one was open; only
    // a lock that is still on is lifted, or an idle utility would be granted
    // an unlock.
    if (LockState != Locked || !stopThread(enforcerThread)) return;
    std::int32_t locked = Locked;
    LockState.compare_exchange_strong(locked, UnlockGranted);
}

}  // namespace

void unlockPrompt(std::int32_t) {
    Text entered;
    if (LockState == Idle) {
        ui::messageBox(texts::kNotLocked);
        showMainRestored();
    }
    if (LockState == Locked) {
        // The worker hides it again at once; a flicker at most.
        ui::setVisible(WindowName::MainWindow, true);
        ui::inputBox(texts::kPromptPassword, texts::kPromptTitle, Text(), entered);
        grantIfMatching(entered);
    }
}

void trayUnlock() {
    Text entered;
    if (LockState == Idle) {
        ui::messageBox(texts::kNotLocked);
        showMainRestored();
    }
    if (LockState == Locked) {
        ui::inputBox(texts::kPromptPassword, texts::kPromptTitle, Text(), entered, 4);
        grantIfMatching(entered);
    }
}
