#pragma once

#include <cstdint>

#include "ui/text.h"

// F2's callback, on a thread of its own for every press.
void unlockPrompt(std::int32_t hotkeyId);
// "解锁" in the tray menu, on the GUI thread.
void trayUnlock();
