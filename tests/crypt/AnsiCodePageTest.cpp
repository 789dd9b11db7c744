#include "crypt/AnsiCodePage.h"

#include <gtest/gtest.h>

namespace stp {
namespace {

TEST(AnsiCodePage, AsciiIsOneByteEachWay) {
    std::string bytes;
    std::u16string text;
    for (int c = 0; c < 0x80; ++c) {
        bytes.push_back(static_cast<char>(c));
        text.push_back(static_cast<char16_t>(c));
    }
    bool exact = false;
    EXPECT_EQ(Utf16ToAnsi(text, exact), bytes);
    EXPECT_TRUE(exact);
    EXPECT_EQ(AnsiToUtf16(bytes), text);
}

// U+4E2D is in no single-byte code page; each half of a surrogate pair is converted on
// its own, as Windows does for single-byte code pages.
TEST(AnsiCodePage, UnmappableCodeUnitsBecomeDefaultCharacters) {
    bool exact = true;
    EXPECT_EQ(Utf16ToAnsi(u"a\u4E2Db", exact), "a?b");
    EXPECT_FALSE(exact);
    EXPECT_EQ(Utf16ToAnsi(u"a\U0001F600b", exact), "a??b");
    EXPECT_FALSE(exact);
}

#ifndef _WIN32
// The Linux stand-in behaves as Windows-1252.
TEST(AnsiCodePage, StandInIsWindows1252) {
    EXPECT_EQ(AnsiToUtf16("\x80\x81\x9f\xa0\xe9\xff"), u"\u20AC\u0081\u0178\u00A0\u00E9\u00FF");
    bool exact = false;
    EXPECT_EQ(Utf16ToAnsi(u"\u20AC\u0081\u0178\u00A0\u00E9\u00FF", exact), "\x80\x81\x9f\xa0\xe9\xff");
    EXPECT_TRUE(exact);
    EXPECT_EQ(Utf16ToAnsi(u"\u0100\xD800", exact), "??");  // no best fit; a lone surrogate
    EXPECT_FALSE(exact);
}
#endif

}  // namespace
}  // namespace stp
