#include "ui/text.h"

#include <cstdio>
#include <cstring>

namespace {

// Folds the full-width forms of code page 936 to their one-byte twins, so
// that a number typed with a Chinese input method still reads as a number.
Text foldFullWidth(const Text& in) {
    Text out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        const auto b = static_cast<unsigned char>(in[i]);
        if (b < 0x80 || i + 1 == in.size()) {
            out.push_back(in[i]);
            continue;
        }
        const auto c = static_cast<unsigned char>(in[i + 1]);
        if (b == 0xA3 && c >= 0xA1 && c <= 0xFE) {
            out.push_back(static_cast<char>(c - 0x80));
        } else if (b == 0xA1 && c == 0xA1) {
            out.push_back(' ');
        } else if (b == 0xA1 && c == 0xAB) {
            out.push_back('~');
        } else if (b == 0xA1 && (c == 0xEE || c == 0xEF)) {
            out.push_back('*');
        } else {
            out.push_back(in[i]);
            out.push_back(in[i + 1]);
        }
        ++i;
    }
    return out;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::int32_t textToInt(const Text& text) {
    const Text s = foldFullWidth(text);
    std::size_t i = 0;
    while (i < s.size() && isSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    // Unsigned arithmetic wraps without undefined behaviour.
    std::uint32_t value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        value = value * 10u + static_cast<std::uint32_t>(s[i] - '0');
        ++i;
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

Text intToText(std::int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(value));
    return buffer;
}

Text joinTexts(std::initializer_list<const Text*> parts) {
    std::size_t total = 0;
    for (const Text* p : parts) total += p ? p->size() : 0;
    Text out;
    out.reserve(total);
    for (const Text* p : parts)
        if (p) out += *p;
    return out;
}

Bytes joinBytes(std::initializer_list<const Bytes*> parts) {
    std::size_t total = 0;
    for (const Bytes* p : parts) total += p ? p->size() : 0;
    Bytes out;
    if (total == 0) return out;
    out.reserve(total);
    for (const Bytes* p : parts)
        if (p) out.insert(out.end(), p->begin(), p->end());
    return out;
}

bool textsEqual(const Text& a, const Text& b) {
    // Up to the first zero byte, as the texts are zero-terminated strings.
    return std::strcmp(a.c_str(), b.c_str()) == 0;
}
