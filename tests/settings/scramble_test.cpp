#include "settings/scramble.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "settings/base64.h"
#include "settings/crc32.h"

namespace tir {
namespace {

std::vector<std::uint8_t> Block(const std::string& scrambled) {
  std::vector<std::uint8_t> block;
  DecodeBase64(scrambled, block);
  return block;
}

std::string Rebuild(std::vector<std::uint8_t> block, bool fixCrc) {
  if (fixCrc) {
    block.resize(block.size() - 4);
    const std::uint32_t crc = CRC32Data(block.data(), block.size());
    for (int i = 0; i < 4; ++i) block.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
  }
  return EncodeBase64(block.data(), block.size());
}

TEST(XorMask, FormulaAndInvolution) {
  // Byte 1 with key byte 1: 2*1 = 2; byte 2 with key byte 2: 4; byte 3 with key byte 1 again: 6.
  const std::string out = XorStrStr(std::string("\0\0\0", 3), "\x10\x20");
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(static_cast<std::uint8_t>(out[0]), 0x10 ^ 2);
  EXPECT_EQ(static_cast<std::uint8_t>(out[1]), 0x20 ^ 4);
  EXPECT_EQ(static_cast<std::uint8_t>(out[2]), 0x10 ^ 6);

  // Position 128 adds (128 >> 7) = 1; position 32768 adds (32768 >> 15) = 1 and (32768 >> 7) =
  // 256 -> 0.
  std::string zeros(40000, '\0');
  const std::string masked = XorStrStr(zeros, "\x01");
  EXPECT_EQ(static_cast<std::uint8_t>(masked[127]), (0x01 ^ (256 & 0xFF) ^ 1));
  EXPECT_EQ(static_cast<std::uint8_t>(masked[32767]), (0x01 ^ 0 ^ 0 ^ 1));
  EXPECT_EQ(XorStrStr(masked, "\x01"), zeros);

  std::string data = "some settings text";
  const std::string copy = data;
  XorPointerStr(data.data(), data.size(), "key");
  EXPECT_NE(data, copy);
  EXPECT_EQ(data, XorStrStr(copy, "key"));
  XorPointerStr(data.data(), data.size(), "key");
  EXPECT_EQ(data, copy);
}

TEST(Scramble, RoundTripAndRandomKey) {
  const std::string text = "Интернет магазин 1 / shop=42";
  std::set<std::string> forms;
  for (int i = 0; i < 50; ++i) {
    const std::string s = gEncodeStr(text);
    EXPECT_EQ(gDecodeStr(s), text);
    forms.insert(s);
  }
  EXPECT_GT(forms.size(), 40u);
  EXPECT_EQ(gDecodeStr(gEncodeStr(std::string())), "");
  EXPECT_EQ(gDecodeStrW(gEncodeStr(u"\U0001F600x")), u"\U0001F600x");
}

TEST(Scramble, BlockLayout) {
  const std::u16string text = u"AB";
  for (int i = 0; i < 30; ++i) {
    const std::vector<std::uint8_t> block = Block(gEncodeStr(text));
    const std::size_t n = block[0] & 0x0F;
    EXPECT_EQ(block[0] >> 4, 1);
    EXPECT_GE(n, 2u);
    EXPECT_LE(n, 13u);
    ASSERT_EQ(block.size(), 1 + n + 4 + 4);
    for (std::size_t k = 1; k <= n; ++k) {
      EXPECT_GE(block[k], 1);
      EXPECT_LE(block[k], 254);
    }
    const std::string key(block.begin() + 1, block.begin() + 1 + static_cast<long>(n));
    const std::string payload(block.begin() + 1 + static_cast<long>(n), block.end() - 4);
    EXPECT_EQ(XorStrStr(payload, key), std::string("A\0B\0", 4));
    const std::uint32_t crc = CRC32Data(block.data(), block.size() - 4);
    const std::uint32_t stored = block[block.size() - 4] | (block[block.size() - 3] << 8) |
                                 (block[block.size() - 2] << 16) |
                                 (static_cast<std::uint32_t>(block[block.size() - 1]) << 24);
    EXPECT_EQ(stored, crc);
  }
}

TEST(Scramble, BrokenFormsGiveEmptyText) {
  const std::string good = gEncodeStr("hello");
  ASSERT_EQ(gDecodeStr(good), "hello");
  EXPECT_EQ(gDecodeStr(""), "");
  EXPECT_EQ(gDecodeStr("!!!!"), "");
  EXPECT_EQ(gDecodeStr(good.substr(0, good.size() - 4)), "");  // truncated

  std::vector<std::uint8_t> block = Block(good);
  auto flipped = block;
  flipped[block.size() / 2] ^= 0x01;  // payload changed, checksum not
  EXPECT_EQ(gDecodeStr(Rebuild(flipped, false)), "");

  auto badHeader = block;
  badHeader[0] = static_cast<std::uint8_t>(0x20 | (block[0] & 0x0F));  // format 2
  EXPECT_EQ(gDecodeStr(Rebuild(badHeader, true)), "");
  badHeader[0] = 0x10;  // n = 0
  EXPECT_EQ(gDecodeStr(Rebuild(badHeader, true)), "");
  badHeader[0] = 0x1F;  // n runs past the block
  badHeader.resize(8);
  EXPECT_EQ(gDecodeStr(Rebuild(badHeader, true)), "");

  auto odd = block;
  odd.insert(odd.end() - 4, 0x55);  // odd payload length, checksum fixed
  EXPECT_EQ(gDecodeStr(Rebuild(odd, true)), "");

  // Seven bytes are too short even with a valid checksum.
  std::vector<std::uint8_t> tiny = {0x12, 1, 2, 0, 0, 0, 0};
  EXPECT_EQ(gDecodeStr(Rebuild(tiny, true)), "");
  // Eight bytes with n = 3 and an empty payload decode to the empty text.
  std::vector<std::uint8_t> empty = {0x13, 1, 2, 3, 0, 0, 0, 0};
  EXPECT_EQ(gDecodeStr(Rebuild(empty, true)), "");
  // A rebuilt valid block with another key still decodes.
  EXPECT_EQ(gDecodeStr(Rebuild(block, true)), "hello");
}

}  // namespace
}  // namespace tir
