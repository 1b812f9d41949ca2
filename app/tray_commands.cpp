#include "app/tray_commands.h"

#include "app/state.h"
#include "app/texts.h"
#include "ui/services.h"

void installTrayIcon() {
    ui::setTrayIcon(WindowName::TrayWindow, ui::picture(ui::Picture::TrayIconImage),
                    texts::kTrayTooltip);
}

void onTrayEvent(int code) {
    // Only a right click (or the context-menu key) opens the menu.
    if (code == 3) ui::popupTrayMenu(WindowName::TrayWindow);
}

void showMainCommand() {
    if (LockState == Idle) {
        ui::setVisible(WindowName::MainWindow, true);
        ui::setWindowState(WindowName::MainWindow, 0);
    }
    if (LockState == Locked) ui::messageBox(texts::kLockedNoMain);
}

void aboutCommand() {
    ui::messageBox(texts::kAbout);
    sys::ShellExecuteA(0, "open", texts::kBrowser, texts::kForumAddress, "", sys::kSwShowNormal);
}

void closeCommand() {
    if (LockState == Idle) ui::endProgram(0);
    if (LockState == Locked) ui::messageBox(texts::kUnlockBeforeClose);
}
