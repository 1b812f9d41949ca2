#include "lock/close_guard.h"

#include "app/state.h"
#include "app/texts.h"
#include "ui/services.h"

void onMainWindowDestroying() {
    if (LockState != Locked) return;
    ui::messageBox(texts::kForcedClose);
    terminateProcessById(targetProcessId);
}

std::int32_t terminateProcessById(std::uint32_t processId) {
    sys::Handle process = processId == 0
                              ? sys::GetCurrentProcess()
                              : sys::OpenProcess(sys::kProcessTerminate, 0, processId);
    if (process == 0) return 0;
    const std::int32_t terminated = sys::TerminateProcess(process, 0);
    sys::CloseHandle(process);
    return terminated;
}
