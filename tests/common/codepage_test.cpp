#include "codepage.h"

#include <gtest/gtest.h>

namespace trelon {
namespace {

TEST(Codepage, Cp1251RoundTrip) {
    const std::string utf8 = "Ёж ОДКС-5хх №1";
    std::string cp = Utf8ToCp1251(utf8);
    EXPECT_EQ(cp.size(), Utf8Length(utf8));
    EXPECT_EQ(static_cast<unsigned char>(cp[0]), 0xA8);  // Ё
    EXPECT_EQ(Cp1251ToUtf8(cp), utf8);
    EXPECT_EQ(Utf8ToCp1251("日"), "?");
}

TEST(Codepage, Utf8Validity) {
    EXPECT_TRUE(IsValidUtf8("abc Привет"));
    EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD"));   // a real U+FFFD
    EXPECT_FALSE(IsValidUtf8("\xCF\xF0\xE8"));  // cp1251 bytes
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));      // overlong
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));      // cut short
}

TEST(Codepage, FoldCaseLatinAndCyrillic) {
    EXPECT_EQ(FoldCase("MainForm"), "mainform");
    EXPECT_EQ(FoldCase("ПРИВЕТ Ёж"), "привет ёж");
}

}  // namespace
}  // namespace trelon
