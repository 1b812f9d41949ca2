// Conversions between the portable 32-bit handles and Win32's, for the
// Win32 side only. Handles are sign-extended, as Windows itself does when a
// 32-bit handle value travels to a 64-bit process.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/syscalls.h"

template <typename T = HANDLE>
inline T fromHandle(sys::Handle h) {
    return reinterpret_cast<T>(static_cast<std::intptr_t>(static_cast<std::int32_t>(h)));
}

template <typename T>
inline sys::Handle toHandle(T h) {
    return static_cast<sys::Handle>(reinterpret_cast<std::uintptr_t>(h));
}
