#include <gtest/gtest.h>

#include "db/unicode_case.h"

namespace tir::db {
namespace {

const char* const kPairs[][2] = {
    {"ґанок", "ҐАНОК"},
    {"їжак", "ЇЖАК"},
    {"єнот і ще", "ЄНОТ І ЩЕ"},
    {"съешь же ещё этих мягких булок, да выпей чаю",
     "СЪЕШЬ ЖЕ ЕЩЁ ЭТИХ МЯГКИХ БУЛОК, ДА ВЫПЕЙ ЧАЮ"},
    {"élan à la crème brûlée, ñandú, øre", "ÉLAN À LA CRÈME BRÛLÉE, ÑANDÚ, ØRE"},
    {"ÿ", "Ÿ"},
    {"łódź, žluťoučký kůň, ő", "ŁÓDŹ, ŽLUŤOUČKÝ KŮŇ, Ő"},
    {"αβγ άέήίόύώ ς", "ΑΒΓ ΆΈΉΊΌΎΏ Σ"},
    {"ўся", "ЎСЯ"},
    {"abc-123_xyz", "ABC-123_XYZ"},
    {"ЇЖАК ÉLAN", "ЇЖАК ÉLAN"},
};

TEST(DbUnicodeCaseTest, LibraryTablesUpperCaseEveryScript) {
  ASSERT_TRUE(UnicodeLocaleAvailable()) << "C.UTF-8 locale missing on this machine";
  for (const auto& p : kPairs) EXPECT_EQ(UnicodeUpper(p[0]), p[1]) << p[0];
}

TEST(DbUnicodeCaseTest, BuiltinTableUpperCasesTheSameLetters) {
  for (const auto& p : kPairs) EXPECT_EQ(UnicodeUpperBuiltin(p[0]), p[1]) << p[0];
}

TEST(DbUnicodeCaseTest, BuiltinTableAgreesWithTheLibraryOnItsRanges) {
  ASSERT_TRUE(UnicodeLocaleAvailable());
  const char32_t ranges[][2] = {
      {0x20, 0x7E}, {0xA0, 0xFF}, {0x100, 0x17F}, {0x370, 0x3FF}, {0x400, 0x52F}};
  for (const auto& r : ranges) {
    for (char32_t c = r[0]; c <= r[1]; ++c) {
      std::string s;
      std::u16string u(1, static_cast<char16_t>(c));
      s = Utf16ToUtf8(u);
      std::u16string upper = Utf8ToUtf16(UnicodeUpper(s));
      ASSERT_EQ(upper.size(), 1u);
      EXPECT_EQ(static_cast<char32_t>(upper[0]), UpperCaseBuiltin(c))
          << std::hex << static_cast<unsigned>(c);
    }
  }
}

TEST(DbUnicodeCaseTest, InvalidBytesAreKept) {
  const std::string bad = std::string("a\xff") + "б" + "\xd0";
  EXPECT_EQ(UnicodeUpper(bad), std::string("A\xff") + "Б" + "\xd0");
  EXPECT_EQ(UnicodeUpperBuiltin(bad), std::string("A\xff") + "Б" + "\xd0");
}

TEST(DbUnicodeCaseTest, Utf16ConversionRoundTripsAndReplacesBadSequences) {
  const std::string text = "Їжак € 😀";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
  EXPECT_EQ(Utf8ToUtf16("😀").size(), 2u);
  EXPECT_EQ(Utf8ToUtf16("a\xc3"), u"a\xFFFD");
  EXPECT_EQ(Utf8ToUtf16("\xed\xa0\x80"), u"\xFFFD\xFFFD\xFFFD");  // encoded surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace tir::db
