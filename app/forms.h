// The design of the two windows: settings, controls, texts and places, as
// plain data that the window builder turns into windows.
#pragma once

#include <cstdint>

#include "app/names.h"

enum class ControlKind : std::uint8_t { Timer, Edit, Label, CommonDialog, Button, PictureBox };

struct ControlForm {
    ControlKind kind;
    ControlName name;
    int x, y, width, height;  // client coordinates of MainWindow
    const char* text;         // code page 936; null for none
    bool shown;
    bool tabStop;
};

// In list order, which is also the stacking order (first on top).
extern const ControlForm kMainWindowControls[kControlCount];

const ControlForm& controlForm(ControlName name);

constexpr int kMainWindowWidth = 558;   // outer size
constexpr int kMainWindowHeight = 277;

// Where MainWindow goes on a screen of the given size: centred, halves
// truncated.
struct Place {
    int left;
    int top;
};
Place centredPlace(int screenWidth, int screenHeight, int width, int height);

// The menu items under "托盘", in order.
struct MenuItemForm {
    MenuItemName name;
    const char* text;
};
extern const MenuItemForm kTrayMenuItems[kMenuItemCount];
