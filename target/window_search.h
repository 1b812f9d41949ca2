// Finding the window under the mouse pointer for the picker.
#pragma once

#include "platform/syscalls.h"

// The smallest visible window, by area, among the window WindowFromPoint
// gives and its later siblings in the Z order that contain the pointer; the
// null handle when there is no window at the pointer. Never climbs to the
// top-level window.
sys::Handle windowUnderCursor();
