// Names of the windows, controls and menu items, and the fixed Win32
// identifiers behind them, all in one place.
#pragma once

#include <cstdint>

enum class WindowName : std::uint8_t { MainWindow, TrayWindow };

// In list order of MainWindow's form; the order is also the stacking order.
enum class ControlName : std::uint8_t {
    时钟1,
    编辑框2,
    输入锁定时间以分钟为单位1,
    输入锁定时间以分钟为单位,
    编辑框1,
    标签1,
    通用对话框1,
    按钮2,
    图片框1,
    按钮1,
};
constexpr int kControlCount = 10;

// The four commands under "托盘".
enum class MenuItemName : std::uint8_t { 主界面, 解锁, 关于程序, 关闭程序 };
constexpr int kMenuItemCount = 4;

namespace names {
// Window classes registered by the program (the driver of the end-to-end
// tests finds the windows by them).
constexpr const wchar_t* kMainWindowClass = L"VennetMainWindow";
constexpr const wchar_t* kTrayWindowClass = L"VennetTrayWindow";
constexpr const wchar_t* kLabelClass = L"VennetLabel";
constexpr const wchar_t* kPictureBoxClass = L"VennetPictureBox";

// Child-window ids: 100 + the control's list position (1-based).
constexpr int controlId(ControlName c) { return 101 + static_cast<int>(c); }
// Menu command ids: 200 + position under "托盘".
constexpr int menuCommandId(MenuItemName m) { return 201 + static_cast<int>(m); }

constexpr std::uint32_t kTrayIconId = 100;
constexpr std::uint32_t kTrayCallbackMessage = 32868;  // WM_APP + 100
constexpr std::uintptr_t kTickTimerId = 1;             // 时钟1 on MainWindow
constexpr std::uintptr_t kHotkeyPollTimerId = 16661;
constexpr std::int32_t kF2 = 113;
}  // namespace names
