// The user-interface services the handlers call.
//
// services_win.cpp and friends implement them over Win32 for the executable;
// host tests link a recording simulation instead (tests/sim/sim_ui.cpp).
// Services that take a window or control address it by name.
#pragma once

#include <cstdint>

#include "app/names.h"
#include "platform/syscalls.h"
#include "ui/text.h"

namespace ui {

// Shows an OK-only task-modal box with the caption "信息：" and no icon, on
// the calling thread, and returns when it is closed (0 for OK or failure).
int messageBox(const Text& text);

// Modal input dialog on the calling thread. Mode 1 plain, 2 and 3 numeric,
// 4 masked (values are clamped). On confirm stores the line into variable
// and returns true; on cancel leaves variable as it was.
bool inputBox(const Text& prompt, const Text& title, const Text& initialText, Text& variable,
              int mode = 1);

// Properties of MainWindow. Writes are safe from any thread; on a window that
// is no longer loaded they only update its record.
void setVisible(WindowName window, bool visible);
void setDisabled(WindowName window, bool disabled);
void setCaption(WindowName window, const Text& caption);
// 2 minimised, 3 maximised, else 0.
int getWindowState(WindowName window);
// 0 normal, 1 centred, 2 minimised, 3 maximised; acts only on a visible window.
void setWindowState(WindowName window, int state);

// Properties of controls.
Text getText(ControlName control);
void setPicture(ControlName control, const Bytes& picture);
void setPeriod(ControlName control, std::int32_t periodMs);
sys::Handle controlHandle(ControlName control);

// The pictures stored with the program, as icon files.
enum class Picture { PickerPicture, TrayIconImage };
const Bytes& picture(Picture which);

// Windows and the tray.
bool loadWindow(WindowName window);
bool isLoaded(WindowName window);
void setTrayIcon(WindowName window, const Bytes& iconFile, const Text& tooltip);
void popupTrayMenu(WindowName window);

// The GUI thread's message loop and the program's end.
void processEvents();
int runMessageLoop();
[[noreturn]] void endProgram(int exitCode);
void registerExitRoutine(void (*routine)());
void runExitRoutines();

std::int32_t uptimeMs();

}  // namespace ui
