#include "app/bindings.h"

#include "app/state.h"
#include "app/tray_commands.h"
#include "lock/close_guard.h"
#include "lock/idle_tick.h"
#include "lock/unlock.h"
#include "target/picker.h"
#include "target/test_hide.h"

const EventBindings bindings = {
    onMainWindowCreated,
    onMainWindowDestroying,
    idleTick,
    beginPick,
    finishPick,
    testHide,
    installTrayIcon,
    onTrayEvent,
    {showMainCommand, trayUnlock, aboutCommand, closeCommand},
};
