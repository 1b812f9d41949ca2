#include "target/title.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

// The block travels as bytes; the calls want code units. Copying through
// explicit little-endian packing keeps the byte order fixed and avoids
// reading the bytes through a char16_t pointer.
void unitsToBytes(const std::vector<char16_t>& units, Bytes& bytes) {
    for (std::size_t i = 0; i < units.size() && 2 * i + 1 < bytes.size(); ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
    }
}

std::vector<char16_t> bytesToUnits(const Bytes& bytes) {
    std::vector<char16_t> units(bytes.size() / 2);
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    // A block of odd length leaves the appended zero pair split across two
    // units; one more zero unit keeps the text terminated regardless.
    units.push_back(0);
    return units;
}

}  // namespace

Text readWindowTitle(sys::Handle window) {
    const Bytes block = readWindowTextWide(window);
    return wideBytesToText(block, 936, true);
}

Bytes readWindowTextWide(sys::Handle window) {
    const std::int32_t n = sys::GetWindowTextLengthW(window);
    // A negative length is no title either; it must not size an allocation.
    if (n <= 0) return Bytes();
    const std::size_t units = static_cast<std::size_t>(n) + 1;
    std::vector<char16_t> buffer(units, 0);
    // The count of copied units is not needed: the zero fill ends the text.
    sys::GetWindowTextW(window, buffer.data(), n + 1);
    buffer.back() = 0;
    Bytes block(units * 2, 0);
    unitsToBytes(buffer, block);
    return block;
}

Text wideBytesToText(const Bytes& block, std::uint32_t codePage, bool useCodePage) {
    if (!useCodePage) codePage = 0;  // CP_ACP
    const Bytes narrow = wideBytesToNarrowBytes(block, codePage);
    const auto end = std::find(narrow.begin(), narrow.end(), std::uint8_t{0});
    return Text(narrow.begin(), end);
}

Bytes wideBytesToNarrowBytes(const Bytes& block, std::uint32_t codePage) {
    const Bytes terminator(2, 0);
    const std::vector<char16_t> wide = bytesToUnits(joinBytes({&block, &terminator}));
    if (sys::lstrlenW(wide.data()) <= 0) return Bytes();

    const std::int32_t size = sys::WideCharToMultiByte(codePage, 0, wide.data(), -1, nullptr, 0);
    if (size <= 0) return Bytes();
    std::vector<char> buffer(static_cast<std::size_t>(size), 0);
    if (sys::WideCharToMultiByte(codePage, 0, wide.data(), -1, buffer.data(), size) <= 0)
        return Bytes();

    // strlen, bounded by the buffer in case the terminator did not fit.
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    return Bytes(buffer.begin(), end);
}
