// What the Win32 halves of the user-interface services share.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "app/names.h"
#include "ui/text.h"

namespace win32ui {

// Code page 936 <-> UTF-16, explicitly, so that the texts read correctly
// whatever the system's ANSI code page is.
std::wstring wide(const Text& text);
Text narrow(const wchar_t* text);
Text windowText(HWND window);

// The record of a loaded window. Written from several threads: the live
// handle and the property values are atomics.
struct WindowRecord {
    std::atomic<HWND> hwnd{nullptr};
    std::atomic<bool> visible{false};
    std::atomic<bool> disabled{false};
    std::atomic<int> windowState{0};
    bool everLoaded = false;
};
WindowRecord& record(WindowName window);

HWND controlWindow(ControlName control);
// Builds the window with its controls, hidden; no events are raised.
HWND buildWindow(WindowName window);

// True once endProgram has begun: no more events are raised.
extern std::atomic<bool> ending;
// True while a window's controls are being created.
extern bool building;
// True once the GUI thread's main message loop runs.
extern bool mainLoopStarted;

// Keyboard rules of MainWindow, applied before a message is dispatched by any
// of our loops; true when the message was used up.
bool preTranslate(MSG& msg);

// The picture box's icon, decoded from an icon file; null for an empty one.
HICON iconFromFile(const Bytes& file, int preferredWidth);

void deleteTrayIcon(HWND owner);
// The notification area was restarted and has forgotten our icon.
void restoreTrayIcon(HWND owner);
void setPictureIcon(HICON icon);

}  // namespace win32ui
