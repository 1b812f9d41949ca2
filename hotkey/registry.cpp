#include "hotkey/registry.h"

#include "app/names.h"
#include "hotkey/poller.h"

namespace {
HotkeyTable* table = nullptr;
}  // namespace

HotkeyTable* hotkeyTable() { return table; }

void createHotkeyTable() {
    releaseHotkeyTable();
    table = new HotkeyTable();
}

void releaseHotkeyTable() {
    if (table == nullptr) return;
    // Explicitly front to back: the vector's own destructor leaves the order open.
    for (auto& record : *table) record.reset();
    delete table;
    table = nullptr;
}

std::int32_t registerHotkey(sys::HotkeyCallback callback, std::int32_t keyCode,
                            std::int32_t modifiers, std::int32_t secondKey, std::int32_t pollPeriod,
                            std::int32_t callDirectly) {
    if (polledKey(keyCode) == 0) return 0;
    if (table == nullptr) return 0;  // start-up creates it first; never happens

    // The search compares the values as passed: 113 and 369 are different
    // combinations even though both poll F2. modifiers and secondKey are
    // taken as they come; a secondKey naming no key just never reads as down.
    for (auto& record : *table) {
        if (record->keyCode == keyCode && record->modifiers == modifiers &&
            record->secondKey == secondKey) {
            record->callback = callback;
            record->callDirectly = callDirectly;
            return record->id;
        }
    }

    const std::int32_t id = kHotkeyIdBase + 1 + static_cast<std::int32_t>(table->size());
    table->push_back(std::make_unique<HotkeyRecord>(
        HotkeyRecord{id, callback, keyCode, modifiers, secondKey, kPressReady, callDirectly}));

    if (id == kHotkeyIdBase + 1) {
        // A thread timer with no window, never stopped. Its result is not
        // kept: the system picks its own id for a window-less timer.
        const std::uint32_t period =
            pollPeriod > 0 ? static_cast<std::uint32_t>(pollPeriod) : kDefaultPollPeriodMs;
        sys::SetTimer(0, names::kHotkeyPollTimerId, period, hotkeyPollTimerProc);
    }
    return id;
}
