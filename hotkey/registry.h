// The process-wide table of global hotkeys and their registration.
//
// Hotkeys are found by polling the keyboard (hotkey/poller.h), never through
// a system registration or a hook, so they work whichever program has the
// focus and the key still reaches it. Everything here runs on the GUI thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/syscalls.h"

// Values of HotkeyRecord::pressState; the poller alone moves them.
constexpr std::uint8_t kPressReady = 0;     // the key was last seen up
constexpr std::uint8_t kPressSeenDown = 1;  // down, this press not tried yet
constexpr std::uint8_t kPressCameUp = 2;    // up while 1; becomes 88 in the same step
constexpr std::uint8_t kPressTried = 88;    // tried; waits for the key to be seen up

struct HotkeyRecord {
    std::int32_t id;
    sys::HotkeyCallback callback;
    std::int32_t keyCode;    // negative: fire on release instead of on press
    std::int32_t modifiers;  // the exact ModifierMask required
    std::int32_t secondKey;  // 0 for none
    std::uint8_t pressState;
    std::int32_t callDirectly;  // non-zero: call on the GUI thread, else a new thread
};

// Records in registration order. They are only ever appended, so a record's
// position, and with it its id, never changes.
using HotkeyTable = std::vector<std::unique_ptr<HotkeyRecord>>;

constexpr std::int32_t kHotkeyIdBase = 1000000;  // id = base + 1-based position
constexpr std::uint32_t kDefaultPollPeriodMs = 10;

// The one table: null before createHotkeyTable and after releaseHotkeyTable.
HotkeyTable* hotkeyTable();
// Called by the program entry before any window is loaded.
void createHotkeyTable();
// The exit cleanup: every record in table order, then the table.
void releaseHotkeyTable();

// The virtual key a keyCode or secondKey names: the low 8 bits of its
// absolute value, so 113, -113 and 369 all name VK_F2. 0 names no key.
constexpr std::int32_t polledKey(std::int32_t code) {
    // Negate as unsigned so that INT32_MIN does not overflow.
    const std::uint32_t magnitude =
        code < 0 ? 0u - static_cast<std::uint32_t>(code) : static_cast<std::uint32_t>(code);
    return static_cast<std::int32_t>(magnitude & 0xFFu);
}

// Adds the combination, or replaces callback and callDirectly of the record
// that has exactly this keyCode, modifiers and secondKey. Returns the id, or
// 0 when keyCode names no key. The first record appended starts
// HotkeyPollTimer with pollPeriod (10 ms when not positive); later calls
// ignore pollPeriod.
std::int32_t registerHotkey(sys::HotkeyCallback callback, std::int32_t keyCode,
                            std::int32_t modifiers = 0, std::int32_t secondKey = 0,
                            std::int32_t pollPeriod = 0, std::int32_t callDirectly = 0);
