// The program entry, MainWindow's created handler and the exit cleanup.
#include <mutex>

#include "app/state.h"
#include "hotkey/registry.h"
#include "lock/unlock.h"
#include "ui/services.h"

std::atomic<std::int32_t> LockState{0};
std::atomic<sys::Handle> TargetWindow{0};
std::atomic<std::uint32_t> targetProcessId{0};
std::atomic<sys::Handle> enforcerThread{0};

namespace {
std::mutex passwordMutex;
std::shared_ptr<const Text> passwordText;
}  // namespace

std::shared_ptr<const Text> readPasswordText() {
    std::lock_guard<std::mutex> lock(passwordMutex);
    return passwordText ? passwordText : std::make_shared<const Text>();
}

void storePasswordText(Text text) {
    auto fresh = std::make_shared<const Text>(std::move(text));
    std::lock_guard<std::mutex> lock(passwordMutex);
    passwordText.swap(fresh);
    // The old copy goes when its last reader lets go of it.
}

void releasePasswordText() {
    std::lock_guard<std::mutex> lock(passwordMutex);
    passwordText.reset();
}

int programEntry() {
    createHotkeyTable();
    ui::registerExitRoutine(exitCleanup);
    ui::loadWindow(WindowName::MainWindow);
    ui::runMessageLoop();
    ui::runExitRoutines();
    return 0;
}

void onMainWindowCreated() {
    ui::loadWindow(WindowName::TrayWindow);
    registerHotkey(unlockPrompt, names::kF2, 0, 0, 0, 0);
    LockState = Idle;
    TargetWindow = NoTarget;
    ui::setPeriod(ControlName::时钟1, 500);
}

void exitCleanup() {
    releaseHotkeyTable();
    releasePasswordText();
}
