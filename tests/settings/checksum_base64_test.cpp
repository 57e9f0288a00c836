#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "settings/base64.h"
#include "settings/crc32.h"

namespace tir {
namespace {

TEST(Crc32, KnownValues) {
  EXPECT_EQ(CRC32Data("abc", 3), 0xCADBBE40u);
  EXPECT_EQ(CRC32Data(nullptr, 0), 0xFFFFFFFFu);
  EXPECT_EQ(CRC32Data("", 0), 0xFFFFFFFFu);
  // Register without the final inversion, plus the byte count.
  EXPECT_EQ(CRC32Data("a", 1), (~0xE8B7BE43u) + 1u);
  EXPECT_EQ(CRC32Data("123456789", 9), (~0xCBF43926u) + 9u);
}

TEST(Base64, Rfc4648Vectors) {
  const std::vector<std::pair<std::string, std::string>> vectors = {{"", ""},
                                                                    {"f", "Zg=="},
                                                                    {"fo", "Zm8="},
                                                                    {"foo", "Zm9v"},
                                                                    {"foob", "Zm9vYg=="},
                                                                    {"fooba", "Zm9vYmE="},
                                                                    {"foobar", "Zm9vYmFy"}};
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(EncodeBase64(plain.data(), plain.size()), encoded);
    std::vector<std::uint8_t> bytes;
    DecodeBase64(encoded, bytes);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), plain);
  }
}

TEST(Base64, AllByteValuesRoundTrip) {
  std::vector<std::uint8_t> all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
  const std::string text = EncodeBase64(all.data(), all.size());
  EXPECT_EQ(
      text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
      std::string::npos);
  std::vector<std::uint8_t> back;
  DecodeBase64(text, back);
  EXPECT_EQ(back, all);
}

TEST(Base64, DecodingSkipsForeignCharactersAndStopsAtPad) {
  std::vector<std::uint8_t> bytes;
  DecodeBase64("Zm\r\n9v Y*g", bytes);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "foob");
  bytes.clear();
  DecodeBase64("Zg==Zm9v", bytes);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "f");
  bytes.clear();
  DecodeBase64("=Zm9v", bytes);
  EXPECT_TRUE(bytes.empty());
  bytes.clear();
  DecodeBase64("Z", bytes);  // six bits make no byte
  EXPECT_TRUE(bytes.empty());
  bytes = {1, 2};
  DecodeBase64("Zg", bytes);  // appends
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 'f'}));
}

TEST(Base64, WideTextIsUtf16Le) {
  EXPECT_EQ(EncodeBase64(u"A"), "QQA=");
  EXPECT_EQ(EncodeBase64(u"Ж"), "FgQ=");
  EXPECT_EQ(DecodeBase64("FgQ="), u"Ж");
  EXPECT_EQ(DecodeBase64("QQBC"), u"A");  // the odd byte is dropped
  const std::u16string text = u"Привіт, світе! \U0001F600";
  EXPECT_EQ(DecodeBase64(EncodeBase64(text)), text);
}

}  // namespace
}  // namespace tir
