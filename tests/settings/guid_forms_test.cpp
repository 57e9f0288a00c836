#include "settings/guid_forms.h"

#include <gtest/gtest.h>

#include <set>

#include "settings/value_errors.h"

namespace tir {
namespace {

constexpr char kExample[] = "00112233-4455-6677-8899-AABBCCDDEEFF";
constexpr std::int64_t kExample1 = 0x0011223344556677LL;
const std::int64_t kExample2 = static_cast<std::int64_t>(0xFFEEDDCCBBAA9988ULL);

TEST(GuidForms, ExampleTextToPairAndBackInCapitals) {
  for (const char* text : {kExample, "00112233-4455-6677-8899-aabbccddeeff"}) {
    std::int64_t g1 = 1, g2 = 1;
    gGetGUIDSFromSTR(text, g1, g2);
    EXPECT_EQ(g1, kExample1);
    EXPECT_EQ(g2, kExample2);
  }
  EXPECT_EQ(gGetGUIDSTR(kExample1, kExample2), kExample);
  EXPECT_EQ(gGetGUIDSTR(0, 0), "00000000-0000-0000-0000-000000000000");
}

TEST(GuidForms, PartsAndPairAgree) {
  const TGUID g = StringToGUID(kExample);
  EXPECT_EQ(g.D1, 0x00112233u);
  EXPECT_EQ(g.D2, 0x4455u);
  EXPECT_EQ(g.D3, 0x6677u);
  EXPECT_EQ(g.D4[0], 0x88u);
  EXPECT_EQ(g.D4[7], 0xFFu);
  EXPECT_EQ(gGetGUID1(g), kExample1);
  EXPECT_EQ(gGetGUID2(g), kExample2);
  EXPECT_EQ(gGUIDFromPair(kExample1, kExample2), g);
  EXPECT_EQ(GUIDToString(g), std::string("{") + kExample + "}");
  EXPECT_EQ(StringToGUID(GUIDToString(g)), g);
}

TEST(GuidForms, WrongLengthOrZeroTextLeavesZero) {
  for (const char* text : {"00112233-4455-6677-8899-AABBCCDDEEF",    // 35
                           "00112233-4455-6677-8899-AABBCCDDEEFF0",  // 37
                           "00000000-0000-0000-0000-000000000000", "",
                           "{00112233-4455-6677-"
                           "8899-AABBCCDDEEFF}"}) {
    std::int64_t g1 = 7, g2 = 7;
    gGetGUIDSFromSTR(text, g1, g2);
    EXPECT_EQ(g1, 0) << text;
    EXPECT_EQ(g2, 0) << text;
  }
}

TEST(GuidForms, ThirtySixCharactersThatAreNoGuidRaise) {
  std::int64_t g1 = 7, g2 = 7;
  EXPECT_THROW(gGetGUIDSFromSTR("00112233-4455-6677-8899-AABBCCDDEEFG", g1, g2), EConvertError);
  EXPECT_THROW(gGetGUIDSFromSTR("00112233+4455-6677-8899-AABBCCDDEEFF", g1, g2), EConvertError);
  EXPECT_THROW(gGetGUIDSFromSTR("0011223344556677889900AABBCCDDEEFF00", g1, g2), EConvertError);
  EXPECT_THROW(gGetGUIDSFromSTR("0x112233-4455-6677-8899-AABBCCDDEEFF", g1, g2), EConvertError);
  // 36 characters of the host's string, not 36 bytes: Cyrillic letters count once.
  EXPECT_THROW(gGetGUIDSFromSTR("ЖЖ112233-4455-6677-8899-AABBCCDDEEFF", g1, g2), EConvertError);
  EXPECT_EQ(g1, 0);
  EXPECT_EQ(g2, 0);
}

TEST(GuidForms, StringToGUIDRejectsMalformed) {
  TGUID g;
  EXPECT_FALSE(TryStringToGUID("{00112233-4455-6677-8899-AABBCCDDEEFF", g));
  EXPECT_FALSE(TryStringToGUID("(00112233-4455-6677-8899-AABBCCDDEEFF)", g));
  EXPECT_FALSE(TryStringToGUID("", g));
  EXPECT_THROW(StringToGUID("not a guid"), EConvertError);
}

TEST(GuidForms, NewGuidsAreDistinctVersion4AndRoundTrip) {
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    std::int64_t g1 = 0, g2 = 0;
    gNewGUIDPair(g1, g2);
    EXPECT_FALSE(g1 == 0 && g2 == 0);
    const std::string text = gGetGUIDSTR(g1, g2);
    EXPECT_EQ(text.size(), 36u);
    EXPECT_EQ(text[14], '4');
    EXPECT_TRUE(seen.insert(text).second);
    std::int64_t b1 = 0, b2 = 0;
    gGetGUIDSFromSTR(text, b1, b2);
    EXPECT_EQ(b1, g1);
    EXPECT_EQ(b2, g2);
  }
  EXPECT_EQ(gNewGUIDSTR().size(), 36u);
}

}  // namespace
}  // namespace tir
