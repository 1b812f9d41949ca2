#include "target/test_hide.h"

#include "app/state.h"
#include "target/delay.h"

void testHide() {
    if (TargetWindow == NoTarget) return;
    sys::ShowWindowAsync(TargetWindow, sys::kSwHide);
    delayPumping(2000, 2);  // seconds
    // Read afresh: a window picked during the wait is the one shown.
    sys::ShowWindowAsync(TargetWindow, sys::kSwShowNormal);
}
