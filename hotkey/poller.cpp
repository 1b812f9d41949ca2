#include "hotkey/poller.h"

#include <cmath>
#include <memory>

#include "hotkey/registry.h"
#include "platform/syscalls.h"

namespace {

// What a thread-mode firing hands its new thread: the callback takes the id,
// and a thread gets one parameter, so both travel together.
struct Firing {
    sys::HotkeyCallback callback;
    std::int32_t id;
};

std::uint32_t runFiring(std::uintptr_t parameter) {
    std::unique_ptr<Firing> firing(reinterpret_cast<Firing*>(parameter));
    firing->callback(firing->id);
    return 0;
}

// Key 0 is not in the snapshot and reads as up. Registration refuses such a
// keyCode, but not such a secondKey (256, 512...): that one is simply never
// down, so its record never fires.
std::int16_t stateOf(const KeySnapshot& keys, std::int32_t key) {
    return key >= 1 && key <= 255 ? keys[key - 1] : 0;
}

bool isDown(const KeySnapshot& keys, std::int32_t key) { return stateOf(keys, key) < 0; }

// Null once the table is gone or the position lies past its end. The record
// is fetched afresh each time because a direct-mode callback may append to
// the table and move its storage.
HotkeyRecord* recordAt(std::size_t position) {
    HotkeyTable* table = hotkeyTable();
    if (table == nullptr || position >= table->size()) return nullptr;
    return (*table)[position].get();
}

void fire(sys::HotkeyCallback callback, std::int32_t id, std::int32_t callDirectly) {
    if (callDirectly != 0) {
        sys::CallWindowProcA(callback, id);
        return;
    }
    auto* firing = new Firing{callback, id};
    const sys::Handle thread =
        sys::CreateThread(runFiring, reinterpret_cast<std::uintptr_t>(firing), nullptr);
    // No thread, no routine to take the parameter: that firing is lost.
    if (thread == 0) delete firing;
    // Not kept and not waited for; a null handle's failure is ignored.
    sys::CloseHandle(thread);
}

}  // namespace

KeySnapshot takeKeySnapshot() {
    // A local array rather than a fresh allocation per poll: same contents and
    // lifetime (one poll), without 100 heap round trips a second.
    KeySnapshot keys{};
    for (std::int32_t k = 1; k <= 255; ++k) keys[k - 1] = sys::GetAsyncKeyState(k);
    return keys;
}

ModifierMask modifierMask(const KeySnapshot& keys) {
    ModifierMask mask = 0;
    if (isDown(keys, kVkMenu)) mask += kModAlt;
    if (isDown(keys, kVkControl)) mask += kModCtrl;
    if (isDown(keys, kVkShift)) mask += kModShift;
    if (isDown(keys, kVkLeftWin)) mask += kModLeftWin;
    return mask;
}

void pollHotkeys() {
    const KeySnapshot keys = takeKeySnapshot();

    // Only the records present now; one appended by a callback waits for the
    // next poll.
    HotkeyTable* table = hotkeyTable();
    const std::size_t count = table == nullptr ? 0 : table->size();

    for (std::size_t position = 0; position < count; ++position) {
        HotkeyRecord* record = recordAt(position);
        if (record == nullptr) break;

        const std::int16_t h = stateOf(keys, polledKey(record->keyCode));
        if (h == 0) {
            if (record->pressState != kPressSeenDown) {
                record->pressState = kPressReady;
                continue;
            }
            record->pressState = kPressCameUp;
        } else if (h < 0) {
            if (record->pressState == kPressReady) record->pressState = kPressSeenDown;
            // A release hotkey waits for the key to come up.
            if (record->keyCode < 0) continue;
        }
        // h > 0: up now but pressed since the last poll; try with the state as it is.

        if (record->pressState == kPressReady || record->pressState == kPressTried) continue;
        // Used up before the combination is tested, so a press with the wrong
        // modifiers does not fire later, nor does a poll that runs inside a
        // direct-mode callback fire it again.
        record->pressState = kPressTried;

        if (std::fabs(static_cast<double>(modifierMask(keys)) -
                      static_cast<double>(record->modifiers)) > 1e-7)
            continue;
        if (record->secondKey != 0 && !isDown(keys, polledKey(record->secondKey))) continue;

        fire(record->callback, record->id, record->callDirectly);
    }
}

void hotkeyPollTimerProc() { pollHotkeys(); }
