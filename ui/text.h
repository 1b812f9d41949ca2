// Texts and byte blocks, and the conversions between numbers and texts.
//
// A text is a byte string in code page 936. The absent text and the empty
// text behave alike everywhere, so both are the empty std::string here; the
// same holds for byte blocks and the empty vector.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;

// Leading decimal number of a text, full-width forms folded first; 32-bit
// wrapping arithmetic; 0 when the text does not start with a number.
std::int32_t textToInt(const Text& text);
// "%d".
Text intToText(std::int32_t value);
Text joinTexts(std::initializer_list<const Text*> parts);
Bytes joinBytes(std::initializer_list<const Bytes*> parts);
// Byte-exact comparison; absent equals empty.
bool textsEqual(const Text& a, const Text& b);
