#pragma once

#include <cstdint>

// 图片框1's left button: pressed starts the drag, released picks the window
// under the pointer as the target and reports it.
void beginPick(std::uint16_t x, std::uint16_t y, int keys);
void finishPick(std::uint16_t x, std::uint16_t y, int keys);
