// The hotkey poller: reads the whole keyboard once per tick of
// HotkeyPollTimer and runs each record's press-edge detector.
#pragma once

#include <array>
#include <cstdint>

// ModifierMask bits, and the keys they are read from. The generic Alt, Ctrl
// and Shift codes read as down for either key of the pair; the right Windows
// key (92) is deliberately not a modifier.
constexpr std::int32_t kModAlt = 1;
constexpr std::int32_t kModCtrl = 2;
constexpr std::int32_t kModShift = 4;
constexpr std::int32_t kModLeftWin = 8;
constexpr std::int32_t kVkShift = 16;
constexpr std::int32_t kVkControl = 17;
constexpr std::int32_t kVkMenu = 18;
constexpr std::int32_t kVkLeftWin = 91;

// GetAsyncKeyState of every key, key k at index k - 1. The last entry is
// never filled or read; it keeps the table at 256 entries.
using KeySnapshot = std::array<std::int16_t, 256>;

KeySnapshot takeKeySnapshot();

// Alt 1, Ctrl 2, Shift 4, left Windows 8, summed over the keys that are down.
using ModifierMask = std::int32_t;
ModifierMask modifierMask(const KeySnapshot& keys);

// Runs on the GUI thread; writes only the records' pressState.
void pollHotkeys();

// The procedure of HotkeyPollTimer: one poll per timer message.
void hotkeyPollTimerProc();
