// The user-interface services over Win32 (the input box is input_box_win.cpp,
// the windows themselves windows_win.cpp).
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "app/bindings.h"
#include "app/forms.h"
#include "app/texts.h"
#include "platform/win32_handles.h"
#include "ui/services.h"
#include "ui/win32_ui.h"

using namespace win32ui;

namespace win32ui {
namespace {

struct TrayIcon {
    HWND owner = nullptr;
    HICON icon = nullptr;
    Text tooltip;
};
TrayIcon trayIcons[2];

Bytes pictureCopy;
std::int32_t tickPeriod;
std::vector<void (*)()> exitRoutines;
bool exitRoutinesRan;

Bytes loadResource(const wchar_t* name) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, name, reinterpret_cast<LPCWSTR>(RT_RCDATA));
    if (!found) return Bytes();
    HGLOBAL loaded = LoadResource(module, found);
    const auto* data = static_cast<const std::uint8_t*>(LockResource(loaded));
    if (!data) return Bytes();
    return Bytes(data, data + SizeofResource(module, found));
}

std::uint16_t le16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t le32(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(le16(b, at)) | (static_cast<std::uint32_t>(le16(b, at + 2)) << 16);
}

void fillNotifyRecord(NOTIFYICONDATAA& data, HWND owner, UINT flags, HICON icon,
                      const Text& tooltip) {
    std::memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;  // 88 bytes
    data.hWnd = owner;
    data.uID = names::kTrayIconId;
    data.uFlags = flags;
    data.uCallbackMessage = names::kTrayCallbackMessage;
    data.hIcon = icon;
    std::memcpy(data.szTip, tooltip.data(), std::min<std::size_t>(tooltip.size(), 62));
}

void dispatch(MSG& msg) {
    if (!preTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

HICON iconFromFile(const Bytes& file, int preferredWidth) {
    if (file.size() < 6 || le16(file, 0) != 0 || le16(file, 2) != 1) return nullptr;
    const std::size_t count = le16(file, 4);
    if (count == 0 || file.size() < 6 + 16 * count) return nullptr;
    std::size_t chosen = preferredWidth ? count - 1 : 0;
    if (preferredWidth) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t e = 6 + 16 * i;
            const int colours = file[e + 2];
            if (file[e] == preferredWidth && (preferredWidth != 16 || colours >= 16)) {
                chosen = i;
                break;
            }
        }
    }
    const std::size_t e = 6 + 16 * chosen;
    const std::uint32_t size = le32(file, e + 8);
    const std::uint32_t offset = le32(file, e + 12);
    if (offset > file.size() || size > file.size() - offset || size == 0) return nullptr;
    const int width = file[e] ? file[e] : 256;
    const int height = file[e + 1] ? file[e + 1] : 256;
    return CreateIconFromResourceEx(const_cast<PBYTE>(file.data() + offset), size, TRUE,
                                    0x00030000, width, height, LR_DEFAULTCOLOR);
}

void restoreTrayIcon(HWND owner) {
    for (auto& t : trayIcons) {
        if (t.owner != owner || !owner || !t.icon) continue;
        NOTIFYICONDATAA data;
        fillNotifyRecord(data, owner, NIF_MESSAGE | NIF_ICON | NIF_TIP, t.icon, t.tooltip);
        Shell_NotifyIconA(NIM_ADD, &data);
    }
}

void deleteTrayIcon(HWND owner) {
    for (auto& t : trayIcons) {
        if (t.owner != owner || !owner) continue;
        NOTIFYICONDATAA data;
        fillNotifyRecord(data, owner, 0, nullptr, Text());
        Shell_NotifyIconA(NIM_DELETE, &data);
        if (t.icon) DestroyIcon(t.icon);
        t = TrayIcon{};
    }
}

}  // namespace win32ui

namespace ui {

int messageBox(const Text& text) {
    const int r = MessageBoxW(nullptr, wide(text).c_str(), wide(texts::kMessageCaption).c_str(),
                              MB_OK | MB_TASKMODAL);
    return r >= IDOK && r <= IDNO ? r - 1 : 0;
}

void setVisible(WindowName window, bool visible) {
    WindowRecord& r = record(window);
    r.visible = visible;
    if (HWND w = r.hwnd) ShowWindow(w, visible ? SW_SHOW : SW_HIDE);
}

void setDisabled(WindowName window, bool disabled) {
    WindowRecord& r = record(window);
    r.disabled = disabled;
    if (HWND w = r.hwnd) EnableWindow(w, !disabled);
}

void setCaption(WindowName window, const Text& caption) {
    if (HWND w = record(window).hwnd) SetWindowTextW(w, wide(caption).c_str());
}

int getWindowState(WindowName window) {
    HWND w = record(window).hwnd;
    if (!w) return record(window).windowState;
    if (IsIconic(w)) return 2;
    if (IsZoomed(w)) return 3;
    return 0;
}

void setWindowState(WindowName window, int state) {
    state = std::max(0, std::min(3, state));
    WindowRecord& r = record(window);
    r.windowState = state;
    HWND w = r.hwnd;
    if (!w || !IsWindowVisible(w)) return;
    switch (state) {
        case 0:
            ShowWindow(w, SW_SHOWNORMAL);
            break;
        case 1: {
            if (IsIconic(w) || IsZoomed(w)) ShowWindow(w, SW_RESTORE);
            RECT rc;
            GetWindowRect(w, &rc);
            const Place p = centredPlace(GetSystemMetrics(SM_CXSCREEN),
                                         GetSystemMetrics(SM_CYSCREEN), rc.right - rc.left,
                                         rc.bottom - rc.top);
            SetWindowPos(w, nullptr, p.left, p.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            break;
        }
        case 2:
            ShowWindow(w, SW_MINIMIZE);
            break;
        case 3:
            ShowWindow(w, SW_MAXIMIZE);
            break;
    }
}

Text getText(ControlName control) {
    HWND w = controlWindow(control);
    return w ? windowText(w) : Text();
}

void setPicture(ControlName control, const Bytes& bytes) {
    if (control != ControlName::图片框1) return;
    pictureCopy = bytes;
    setPictureIcon(iconFromFile(pictureCopy, 0));
}

void setPeriod(ControlName control, std::int32_t periodMs) {
    if (control != ControlName::时钟1) return;
    if (periodMs < 0) periodMs = 0;
    if (periodMs == tickPeriod) return;
    tickPeriod = periodMs;
    HWND main = record(WindowName::MainWindow).hwnd;
    if (!main) return;
    KillTimer(main, names::kTickTimerId);
    if (periodMs > 0) SetTimer(main, names::kTickTimerId, static_cast<UINT>(periodMs), nullptr);
}

sys::Handle controlHandle(ControlName control) { return toHandle(controlWindow(control)); }

const Bytes& picture(Picture which) {
    static const Bytes picker = loadResource(L"PICKER_PICTURE");
    static const Bytes tray = loadResource(L"TRAY_ICON_IMAGE");
    return which == Picture::PickerPicture ? picker : tray;
}

bool loadWindow(WindowName window) {
    WindowRecord& r = record(window);
    if (r.hwnd) return true;
    const bool visibleAtStart = window == WindowName::MainWindow;
    r.visible = visibleAtStart;
    HWND w = buildWindow(window);
    if (!w) return false;
    r.everLoaded = true;
    if (!ending) {
        void (*created)() = window == WindowName::MainWindow ? bindings.mainWindowCreated
                                                              : bindings.trayWindowCreated;
        if (created) created();
    }
    if (visibleAtStart && r.visible && r.hwnd) ShowWindow(w, SW_SHOW);
    return true;
}

bool isLoaded(WindowName window) { return record(window).hwnd != nullptr; }

void setTrayIcon(WindowName window, const Bytes& iconFile, const Text& tooltip) {
    HWND owner = record(window).hwnd;
    if (!owner) return;
    TrayIcon& t = trayIcons[static_cast<int>(window)];
    HICON icon = iconFromFile(iconFile, 16);
    if (!icon) icon = iconFromFile(iconFile, 32);
    NOTIFYICONDATAA data;
    fillNotifyRecord(data, owner, NIF_MESSAGE | NIF_ICON | NIF_TIP, icon, tooltip);
    HICON previous = t.icon;
    if (!t.owner) {
        if (!icon) return;
        Shell_NotifyIconA(NIM_ADD, &data);
        t = TrayIcon{owner, icon, tooltip};
    } else if (icon) {
        Shell_NotifyIconA(NIM_MODIFY, &data);
        t.icon = icon;
        t.tooltip = tooltip;
    } else {
        fillNotifyRecord(data, owner, 0, nullptr, Text());
        Shell_NotifyIconA(NIM_DELETE, &data);
        t = TrayIcon{};
    }
    if (previous && previous != icon) DestroyIcon(previous);
}

void popupTrayMenu(WindowName window) {
    HWND owner = record(window).hwnd;
    if (!owner) return;
    HMENU menu = CreatePopupMenu();
    for (const auto& item : kTrayMenuItems)
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(names::menuCommandId(item.name)),
                    wide(item.text).c_str());
    POINT p{0, 0};
    GetCursorPos(&p);
    SetForegroundWindow(owner);
    TrackPopupMenu(menu, TPM_RIGHTALIGN, p.x - 5, p.y - 5, 0, owner, nullptr);
    PostMessageA(owner, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

void processEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave it for the main loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        dispatch(msg);
    }
}

int runMessageLoop() {
    mainLoopStarted = true;
    if (!isLoaded(WindowName::MainWindow) && !isLoaded(WindowName::TrayWindow)) return 0;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) dispatch(msg);
    return static_cast<int>(msg.wParam);
}

void endProgram(int exitCode) {
    ending = true;
    for (WindowName w : {WindowName::MainWindow, WindowName::TrayWindow})
        if (HWND h = record(w).hwnd) DestroyWindow(h);
    runExitRoutines();
    ExitProcess(static_cast<UINT>(exitCode));
}

void registerExitRoutine(void (*routine)()) {
    if (std::find(exitRoutines.begin(), exitRoutines.end(), routine) == exitRoutines.end())
        exitRoutines.push_back(routine);
}

void runExitRoutines() {
    if (exitRoutinesRan) return;
    exitRoutinesRan = true;
    for (auto routine : exitRoutines) routine();
}

std::int32_t uptimeMs() { return static_cast<std::int32_t>(GetTickCount()); }

}  // namespace ui
