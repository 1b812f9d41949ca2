// Which handler each event of the two windows, their controls and the tray
// menu runs. No other event has a handler; a null entry means none.
#pragma once

#include <cstdint>

struct EventBindings {
    void (*mainWindowCreated)();
    void (*mainWindowDestroying)();
    void (*tick)();                                       // 时钟1 periodic
    void (*pictureDown)(std::uint16_t x, std::uint16_t y, int keys);  // 图片框1
    void (*pictureUp)(std::uint16_t x, std::uint16_t y, int keys);
    void (*testButtonClicked)();                          // 按钮1
    void (*trayWindowCreated)();
    void (*trayEvent)(int code);
    void (*menuSelected[4])();                            // by MenuItemName
};

extern const EventBindings bindings;
