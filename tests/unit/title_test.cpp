#include "target/title.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "tests/sim/sim.h"

namespace {

// Windows with titles. GetWindowTextLengthW reports `reported` units (the
// title's length unless a case says otherwise); GetWindowTextW copies from
// `current`, which may differ to model a title that changed in between.
struct FakeTitle {
    std::u16string current;
    std::int32_t reported;
};

class TitleTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::reset();
        sim::sys.GetWindowTextLengthW = [this](sys::Handle w) -> std::int32_t {
            auto it = windows.find(w);
            return it == windows.end() ? 0 : it->second.reported;
        };
        sim::sys.GetWindowTextW = [this](sys::Handle w, char16_t* buffer, std::int32_t max) {
            ++textCalls;
            lastMaxCount = max;
            auto it = windows.find(w);
            if (it == windows.end() || max <= 0) return 0;
            const std::u16string& t = it->second.current;
            std::int32_t n = std::min<std::int32_t>(static_cast<std::int32_t>(t.size()), max - 1);
            for (std::int32_t i = 0; i < n; ++i) buffer[i] = t[i];
            buffer[n] = 0;
            return n;
        };
    }
    void TearDown() override { sim::reset(); }

    void add(sys::Handle w, std::u16string title) {
        const auto n = static_cast<std::int32_t>(title.size());
        windows[w] = FakeTitle{std::move(title), n};
    }

    std::map<sys::Handle, FakeTitle> windows;
    int textCalls = 0;
    std::int32_t lastMaxCount = -1;
};

Bytes le(std::u16string units) {
    Bytes b;
    for (char16_t u : units) {
        b.push_back(static_cast<std::uint8_t>(u & 0xFF));
        b.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return b;
}

struct TitleCase {
    const char* name;
    std::u16string title;
    Text expected;  // code page 936 bytes
};

TEST_F(TitleTest, ConvertsToCodePage936) {
    const TitleCase cases[] = {
        {"ascii", u"Notepad - a.txt", "Notepad - a.txt"},
        {"chinese", u"\u4E2D\u6587", "\xD6\xD0\xCE\xC4"},
        {"mixed", u"QQ\u4E2D", "QQ\xD6\xD0"},
        {"missing in 936", u"a\u0E01b", "a?b"},
        {"zero unit inside", std::u16string(u"AB\0CD", 5), "AB"},
        {"zero unit first", std::u16string(u"\0CD", 3), ""},
    };
    sys::Handle h = 0x100;
    for (const auto& c : cases) {
        add(++h, c.title);
        EXPECT_EQ(readWindowTitle(h), c.expected) << c.name;
    }
}

TEST_F(TitleTest, EmptyTitleOrNoWindowDoesNotReadTheText) {
    add(0x10, u"");
    EXPECT_EQ(readWindowTitle(0x10), "");
    EXPECT_EQ(readWindowTitle(0xDEAD), "");  // not a window
    EXPECT_EQ(readWindowTitle(0), "");
    EXPECT_TRUE(readWindowTextWide(0x10).empty());
    EXPECT_EQ(textCalls, 0);
}

TEST_F(TitleTest, WideBlockIsLengthPlusOneUnitsLittleEndian) {
    add(0x20, u"A\u4E2D");
    const Bytes block = readWindowTextWide(0x20);
    EXPECT_EQ(block, (Bytes{0x41, 0x00, 0x2D, 0x4E, 0x00, 0x00}));
    EXPECT_EQ(lastMaxCount, 3);  // n + 1 characters
}

TEST_F(TitleTest, TitleThatShrankLeavesZerosAndEndsEarly) {
    windows[0x30] = FakeTitle{u"ab", 5};
    const Bytes block = readWindowTextWide(0x30);
    EXPECT_EQ(block, (Bytes{'a', 0, 'b', 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(readWindowTitle(0x30), "ab");

    windows[0x31] = FakeTitle{u"", 4};  // nothing copied at all
    EXPECT_EQ(readWindowTextWide(0x31).size(), 10u);
    EXPECT_EQ(readWindowTitle(0x31), "");
}

TEST_F(TitleTest, TitleThatGrewIsCutAtTheReportedLength) {
    windows[0x40] = FakeTitle{u"abcdef", 3};
    EXPECT_EQ(readWindowTextWide(0x40), (Bytes{'a', 0, 'b', 0, 'c', 0, 0, 0}));
    EXPECT_EQ(readWindowTitle(0x40), "abc");
}

TEST_F(TitleTest, LongTitleConvertsWhole) {
    std::u16string title;
    Text expected;
    for (int i = 0; i < 5000; ++i) {
        title += u"\u6587x";
        expected += "\xCE\xC4x";
    }
    add(0x50, title);
    EXPECT_EQ(readWindowTextWide(0x50).size(), 20002u);
    const Text got = readWindowTitle(0x50);
    EXPECT_EQ(got.size(), 15000u);
    EXPECT_EQ(got, expected);
}

// Records the conversion calls; converts ASCII only, one byte per unit.
struct ConversionCall {
    std::uint32_t codePage;
    std::uint32_t flags;
    std::int32_t wideLength;
    bool hasBuffer;
    std::int32_t narrowSize;
};

class ConversionTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::reset();
        sim::sys.WideCharToMultiByte = [this](std::uint32_t cp, std::uint32_t flags,
                                              const char16_t* w, std::int32_t wl, char* out,
                                              std::int32_t size) -> std::int32_t {
            calls.push_back({cp, flags, wl, out != nullptr, size});
            if (failAt == static_cast<int>(calls.size())) return 0;
            std::int32_t n = 0;
            while (w[n] != 0) ++n;
            if (out == nullptr) return n + 1;
            if (size < n + 1) return 0;
            for (std::int32_t i = 0; i <= n; ++i) out[i] = static_cast<char>(w[i]);
            return n + 1;
        };
    }
    void TearDown() override { sim::reset(); }

    std::vector<ConversionCall> calls;
    int failAt = 0;  // 1-based call that fails, 0 for none
};

TEST_F(ConversionTest, MeasuresThenConvertsWholeTerminatedText) {
    const Bytes out = wideBytesToNarrowBytes(le(u"abc"), 936);
    EXPECT_EQ(out, (Bytes{'a', 'b', 'c'}));  // no terminator, even without one in the block
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].codePage, 936u);
    EXPECT_EQ(calls[0].flags, 0u);
    EXPECT_EQ(calls[0].wideLength, -1);
    EXPECT_FALSE(calls[0].hasBuffer);
    EXPECT_EQ(calls[0].narrowSize, 0);
    EXPECT_EQ(calls[1].codePage, 936u);
    EXPECT_EQ(calls[1].wideLength, -1);
    EXPECT_TRUE(calls[1].hasBuffer);
    EXPECT_EQ(calls[1].narrowSize, 4);
}

TEST_F(ConversionTest, CodePageChoice) {
    EXPECT_EQ(wideBytesToText(le(u"hi"), 936, true), "hi");
    EXPECT_EQ(wideBytesToText(le(u"hi"), 936, false), "hi");
    EXPECT_EQ(wideBytesToText(le(u"hi"), 65001, true), "hi");
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].codePage, 936u);
    EXPECT_EQ(calls[2].codePage, 0u);  // CP_ACP
    EXPECT_EQ(calls[3].codePage, 0u);
    EXPECT_EQ(calls[4].codePage, 65001u);
}

TEST_F(ConversionTest, EmptyTextIsNotConverted) {
    const Bytes blocks[] = {Bytes{}, Bytes{0, 0}, Bytes{0, 0, 'a', 0}, Bytes{0}};
    for (const auto& b : blocks) {
        EXPECT_TRUE(wideBytesToNarrowBytes(b, 936).empty()) << b.size();
        EXPECT_EQ(wideBytesToText(b, 936, true), "") << b.size();
    }
    EXPECT_TRUE(calls.empty());
}

TEST_F(ConversionTest, OddLengthBlockStaysTerminated) {
    // 'a' then a lone byte: the appended zeros straddle two units.
    EXPECT_EQ(wideBytesToText(Bytes{'a', 0, 'b'}, 936, true), "ab");
}

TEST_F(ConversionTest, FailedConversionGivesEmpty) {
    for (int at : {1, 2}) {
        failAt = at;
        calls.clear();
        EXPECT_TRUE(wideBytesToNarrowBytes(le(u"abc"), 936).empty()) << at;
        EXPECT_EQ(calls.size(), static_cast<std::size_t>(at)) << at;
        calls.clear();
        EXPECT_EQ(wideBytesToText(le(u"abc"), 936, true), "") << at;
    }
}

}  // namespace
