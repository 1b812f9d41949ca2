#include <vector>

#include "ui/win32_ui.h"

namespace win32ui {

constexpr UINT kCodePage = 936;

std::wstring wide(const Text& text) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    // A text ends at its first zero byte.
    const auto zero = out.find(L'\0');
    if (zero != std::wstring::npos) out.resize(zero);
    return out;
}

Text narrow(const wchar_t* text) {
    if (text == nullptr || *text == 0) return Text();
    const int n = WideCharToMultiByte(kCodePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return Text();
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(kCodePage, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

Text windowText(HWND window) {
    const int n = GetWindowTextLengthW(window);
    if (n <= 0) return Text();
    std::vector<wchar_t> buffer(static_cast<std::size_t>(n) + 1, L'\0');
    GetWindowTextW(window, buffer.data(), n + 1);
    return narrow(buffer.data());
}

}  // namespace win32ui
