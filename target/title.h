// Window titles, read as UTF-16 and converted explicitly to a narrow code
// page, so that the result is code page 936 whatever the system's ANSI code
// page is.
#pragma once

#include <cstdint>

#include "platform/syscalls.h"
#include "ui/text.h"

// The window's title in code page 936; empty when it has none or the handle
// is not a window.
Text readWindowTitle(sys::Handle window);

// The title as a block of (n + 1) * 2 bytes of little-endian UTF-16, n being
// the length GetWindowTextLengthW reports; the units the window did not
// write stay zero. Empty when n is 0.
Bytes readWindowTextWide(sys::Handle window);

// UTF-16 block to text, up to the first zero code unit. With useCodePage
// false the system's ANSI code page (0) is used instead of codePage.
Text wideBytesToText(const Bytes& block, std::uint32_t codePage, bool useCodePage);

// UTF-16 block to the narrow bytes of codePage, without a terminator. Empty
// when the UTF-16 text is empty or the conversion fails.
Bytes wideBytesToNarrowBytes(const Bytes& block, std::uint32_t codePage);
