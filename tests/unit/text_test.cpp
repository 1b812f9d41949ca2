#include "ui/text.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct IntCase {
    const char* text;
    std::int32_t expected;
};

TEST(TextToInt, ReadsTheLeadingNumber) {
    const IntCase cases[] = {
        {"abc", 0},
        {"", 0},
        {"2.5", 2},
        {" 3", 3},
        {"-5", -5},
        {"+7", 7},
        {"12ab", 12},
        {"\xA3\xB3", 3},            // full-width three
        {"\xA3\xAD\xA3\xB4\xA3\xB2", -42},  // full-width minus, four, two
        {"\xA1\xA1\xA1\xA1" "8", 8},  // ideographic spaces before the digit
        {"4294967297", 1},          // 2^32 + 1 wraps
        {"2147483648", INT_MIN},    // one past INT_MAX wraps
        {"-2147483648", INT_MIN},
        {"99999999999999999999", 1661992959},  // the value mod 2^32
        {"\t\n\v\f\r 9", 9},
        {"-", 0},
        {"+", 0},
        {"--5", 0},
        {"- 5", 0},
        {"0", 0},
        {"007", 7},
        {"\xA1\xAB" "5", 0},        // wave dash folds to '~', not a number
        {"\xC4\xE3" "5", 0},        // a Chinese character before the digits
    };
    for (const auto& c : cases) EXPECT_EQ(textToInt(c.text), c.expected) << '"' << c.text << '"';
}

TEST(TextToInt, LoneLeadByteAtTheEndStaysInBounds) {
    EXPECT_EQ(textToInt("7\xA3"), 7);
    EXPECT_EQ(textToInt("\xA3"), 0);
    EXPECT_EQ(textToInt(Text(10000, '9')), textToInt(Text(10000, '9')));
}

TEST(IntToText, IsSignedDecimal) {
    EXPECT_EQ(intToText(0), "0");
    EXPECT_EQ(intToText(-1), "-1");
    EXPECT_EQ(intToText(1000001), "1000001");
    EXPECT_EQ(intToText(INT_MIN), "-2147483648");
    EXPECT_EQ(intToText(INT_MAX), "2147483647");
}

TEST(JoinTexts, AbsentPartsCountAsEmpty) {
    const Text a = "a", b = "bc";
    EXPECT_EQ(joinTexts({nullptr, nullptr, nullptr, nullptr}), "");
    EXPECT_EQ(joinTexts({&a, nullptr, &b}), "abc");
}

TEST(JoinBytes, EmptyTotalGivesTheEmptyBlock) {
    const Bytes empty, two = {1, 2};
    EXPECT_TRUE(joinBytes({&empty, &empty}).empty());
    EXPECT_TRUE(joinBytes({nullptr, nullptr}).empty());
    EXPECT_EQ(joinBytes({&two, nullptr, &two}), (Bytes{1, 2, 1, 2}));
}

}  // namespace
