// The hotkey poller over any sequence of keyboard states. The first bytes
// register a few hotkeys (direct mode, so firings are counted here); every
// following group of bytes is one poll's snapshot of the keys that matter.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "hotkey/poller.h"
#include "hotkey/registry.h"
#include "tests/sim/sim.h"

namespace {

constexpr std::int32_t kKeys[] = {113, 16, 17, 18, 91, 92, 65};  // F2, modifiers, A
constexpr int kRecords = 4;

std::vector<int> fired;
std::int16_t states[256];

void onFire(std::int32_t id) { fired[id - kHotkeyIdBase - 1]++; }

std::int16_t stateFrom(std::uint8_t b) {
    switch (b % 3) {
        case 0: return 0;
        case 1: return static_cast<std::int16_t>(0x8000);
        default: return 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kRecords * 3) return 0;
    sim::reset();
    createHotkeyTable();
    sim::sys.GetAsyncKeyState = [](std::int32_t k) { return states[k & 0xFF]; };
    struct Reg {
        std::int32_t key, modifiers, second;
    } regs[kRecords];
    for (int r = 0; r < kRecords; ++r) {
        const std::uint8_t* p = data + 3 * r;
        regs[r].key = (p[0] & 1 ? -1 : 1) * kKeys[(p[0] >> 1) % 7];
        regs[r].modifiers = p[1] % 17;
        regs[r].second = p[2] % 4 == 0 ? kKeys[p[2] % 7] : 0;
        registerHotkey(onFire, regs[r].key, regs[r].modifiers, regs[r].second, 0, 1);
    }
    const std::size_t records = hotkeyTable()->size();
    fired.assign(records, 0);
    std::vector<bool> seenUpSinceFiring(records, true);

    constexpr std::size_t kPerPoll = sizeof kKeys / sizeof kKeys[0];
    for (std::size_t at = kRecords * 3; at + kPerPoll <= size; at += kPerPoll) {
        for (std::size_t i = 0; i < kPerPoll; ++i) states[kKeys[i]] = stateFrom(data[at + i]);
        const std::vector<int> before = fired;
        pollHotkeys();
        const int mask = (states[18] < 0 ? 1 : 0) + (states[17] < 0 ? 2 : 0) +
                         (states[16] < 0 ? 4 : 0) + (states[91] < 0 ? 8 : 0);
        for (std::size_t r = 0; r < records; ++r) {
            const HotkeyRecord& rec = *(*hotkeyTable())[r];
            const std::uint8_t s = rec.pressState;
            if (s != kPressReady && s != kPressSeenDown && s != kPressTried) std::abort();
            const int firings = fired[r] - before[r];
            if (firings > 1) std::abort();
            if (firings == 1) {
                // Exactly the modifiers, the second key down, and the key seen
                // up since the last firing.
                if (mask != rec.modifiers) std::abort();
                if (rec.secondKey != 0 && states[rec.secondKey & 0xFF] >= 0) std::abort();
                if (!seenUpSinceFiring[r]) std::abort();
                seenUpSinceFiring[r] = false;
            }
            if (states[polledKey(rec.keyCode)] == 0) seenUpSinceFiring[r] = true;
        }
    }
    releaseHotkeyTable();
    return 0;
}
