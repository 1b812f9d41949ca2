// The title conversion on any UTF-16 block, and on a window whose text
// changes between the length query and the copy.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "target/title.h"
#include "tests/sim/sim.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes block(data, data + size);
    const Text text = wideBytesToText(block, 936, true);
    // A text ends at its first zero byte; a GBK character never takes more
    // than two bytes for one UTF-16 unit.
    if (std::memchr(text.data(), 0, text.size()) != nullptr) std::abort();
    if (text.size() > size + 2) std::abort();

    if (size < 2) return 0;
    // First byte: the length the window reports; the rest: what it copies.
    const std::int32_t reported = data[0];
    sim::sys.GetWindowTextLengthW = [&](sys::Handle) { return reported; };
    sim::sys.GetWindowTextW = [&](sys::Handle, char16_t* buffer, std::int32_t max) {
        std::int32_t n = 0;
        for (std::size_t i = 1; i + 1 < size && n < max - 1; i += 2, ++n)
            buffer[n] = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        buffer[n] = 0;
        return n;
    };
    const Text title = readWindowTitle(0x1234);
    if (std::memchr(title.data(), 0, title.size()) != nullptr) std::abort();
    sim::sys.GetWindowTextLengthW = nullptr;
    sim::sys.GetWindowTextW = nullptr;
    return 0;
}
