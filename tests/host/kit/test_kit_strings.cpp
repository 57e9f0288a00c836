// The wide-string allocator of the host kit: layout, zero-filled strings, freeing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/kit/tir_host_kit.h"

extern "C" int TirKitCRoundTrip(void);

namespace {

std::uint32_t BytePrefix(const char16_t* text) {
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, reinterpret_cast<const unsigned char*>(text) - 4, 4);
  return bytes;
}

TEST(HostKitStrings, LayoutHasByteCountPrefixAndTrailingZero) {
  const std::u16string source = u"Товар №1 ї";
  char16_t* text = TirSysAllocStringLen(source.data(), static_cast<std::uint32_t>(source.size()));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(BytePrefix(text), source.size() * 2);
  EXPECT_EQ(std::u16string(text, source.size()), source);
  EXPECT_EQ(text[source.size()], u'\0');
  TirSysFreeString(text);
}

TEST(HostKitStrings, CopiesExactlyTheGivenLengthIncludingInnerZeros) {
  const char16_t source[] = {u'a', u'\0', u'b', u'c'};
  char16_t* text = TirSysAllocStringLen(source, 3);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(BytePrefix(text), 6u);
  EXPECT_EQ(text[0], u'a');
  EXPECT_EQ(text[1], u'\0');
  EXPECT_EQ(text[2], u'b');
  EXPECT_EQ(text[3], u'\0') << "the character after the length is the terminator, not 'c'";
  TirSysFreeString(text);
}

TEST(HostKitStrings, NullCharactersGiveZeroedStringOfThatLength) {
  char16_t* text = TirSysAllocStringLen(nullptr, 5);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(BytePrefix(text), 10u);
  for (int i = 0; i <= 5; ++i) EXPECT_EQ(text[i], u'\0') << i;
  TirSysFreeString(text);

  char16_t* empty = TirSysAllocStringLen(nullptr, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(BytePrefix(empty), 0u);
  EXPECT_EQ(empty[0], u'\0');
  TirSysFreeString(empty);
}

TEST(HostKitStrings, LengthBeyondThePrefixRangeIsRefused) {
  EXPECT_EQ(TirSysAllocStringLen(nullptr, 0x80000000u), nullptr);
  EXPECT_EQ(TirSysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
}

TEST(HostKitStrings, FreeOfNullIsHarmlessAndTheHeaderWorksFromC) {
  TirSysFreeString(nullptr);
  EXPECT_EQ(TirKitCRoundTrip(), 1);
}

}  // namespace
