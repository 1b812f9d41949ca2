#pragma once

// TrayWindow's handlers: the icon, the right-click menu and its commands.
void installTrayIcon();
void onTrayEvent(int code);
void showMainCommand();
void aboutCommand();
void closeCommand();
