#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "settings/base64.h"
#include "settings/data_ex_out.h"
#include "settings/json_one_send.h"
#include "settings/scramble.h"
#include "settings/settings_stream.h"
#include "settings/tir_token_one.h"

namespace tir {
namespace {

// A settings string of hand-made stream bytes.
std::string StringOfBytes(const std::vector<std::uint8_t>& bytes) {
  return gEncodeStr(EncodeBase64(bytes.data(), bytes.size()));
}

std::vector<std::uint8_t> Written(TSettingsRecord& record) {
  TSettingsStreamWriter w;
  record.WriteToMemory(w);
  return w.Bytes();
}

// Same version and the same fields (compared as the bytes they write).
void ExpectSameShop(TJSONOneSend a, TJSONOneSend b) {
  EXPECT_EQ(a.mVersion, b.mVersion);
  EXPECT_EQ(Written(a), Written(b));
}

// The writer's byte layout is pinned by the profile layouts below; 64-bit values by the token.
TEST(SettingsStream, NegativeLengthIsEmptyAndShortReadsLeaveValues) {
  const std::vector<std::uint8_t> negative = {0xFF, 0xFF, 0xFF, 0xFF, 7};
  TSettingsStreamReader r(negative);
  std::string s = "keep";
  std::uint8_t b = 0;
  EXPECT_TRUE(r.ReadString(s));
  EXPECT_EQ(s, "");
  EXPECT_TRUE(r.ReadByte(b));
  EXPECT_EQ(b, 7);

  // A length that runs past the data: the string is not read and nothing after it either.
  const std::vector<std::uint8_t> longer = {3, 0, 0, 0, 'a', 0, 'b', 0};
  TSettingsStreamReader r2(longer);
  s = "keep";
  EXPECT_FALSE(r2.ReadString(s));
  EXPECT_EQ(s, "keep");
  EXPECT_FALSE(r2.ReadByte(b));
  EXPECT_EQ(b, 7);

  // A huge length does not size anything.
  const std::vector<std::uint8_t> huge = {0xFF, 0xFF, 0xFF, 0x7F, 'a', 0};
  TSettingsStreamReader r3(huge);
  EXPECT_FALSE(r3.ReadString(s));
  EXPECT_EQ(s, "keep");

  const std::vector<std::uint8_t> three = {1, 2, 3};
  TSettingsStreamReader r4(three);
  std::int32_t i = 42;
  EXPECT_FALSE(r4.ReadInt32(i));
  EXPECT_EQ(i, 42);
}

TEST(JsonOneSend, DefaultsAndStreamLayout) {
  TJSONOneSend p;
  EXPECT_EQ(p.mVersion, 3);
  EXPECT_EQ(p.mIDReccord, 0);
  EXPECT_EQ(p.mName, "Интернет магазин 1");
  EXPECT_EQ(p.mPeriodMin, 15);
  EXPECT_EQ(p.mPeriodDay, 2);
  EXPECT_NE(p.mURL.find("upload.php"), std::string::npos);
  EXPECT_NE(p.mURL.find(kDefaultShopTestHost), std::string::npos);

  p.mName = "N";
  p.mStoreIds = "S";
  p.mEntIds = "E";
  p.mURL = "U";
  p.mPeriodMin = 0x0102;
  p.mIfSendOnClose = 1;
  p.mIfAvtomat = -1;
  p.mGoodsGroupsIds = "G";
  p.mIfLastDayGoods = 1;
  p.mPeriodDay = 5;
  p.mVersion = 99;
  const std::vector<std::uint8_t> expected = {
      3, 0, 0, 0,   1, 0, 0, 0, 'N', 0, 1,    0, 0, 0, 'S', 0,   1, 0, 0, 0, 'E', 0, 1,
      0, 0, 0, 'U', 0, 2, 1, 0, 0,   1, 0xFF, 1, 0, 0, 0,   'G', 0, 1, 5, 0, 0,   0};
  EXPECT_EQ(Written(p), expected);
  EXPECT_EQ(p.mVersion, 3);
}

TEST(JsonOneSend, SaveToStrTwiceDiffersAndReadsBackEqual) {
  TJSONOneSend p;
  p.mName = "Магазин Ї";
  p.mEntIds = "-1,5,9,-1";
  p.mStoreIds = "-1,2,-1";
  p.mGoodsGroupsIds = "10,11";
  p.mURL = "https://shop.example/upload.php?password=x";
  p.mIfSendOnClose = 1;
  p.mIfAvtomat = 1;
  p.mPeriodMin = 30;
  p.mIfLastDayGoods = 1;
  p.mPeriodDay = 7;
  const std::string s1 = p.SaveToStr();
  const std::string s2 = p.SaveToStr();
  EXPECT_NE(s1, s2);
  TJSONOneSend a, b;
  a.ReadFromStr(s1);
  b.ReadFromStr(s2);
  ExpectSameShop(a, p);
  ExpectSameShop(b, p);
  EXPECT_EQ(a.mIDReccord, 0);  // not in the stream
}

TEST(JsonOneSend, VersionOneStringKeepsNewerDefaults) {
  TSettingsStreamWriter w;
  w.WriteInt32(1);
  w.WriteString("Old");
  w.WriteString("-1,3,-1");
  w.WriteString("-1,4,-1");
  w.WriteString("http://old.example/upload.php");
  w.WriteInt32(45);
  w.WriteByte(1);
  w.WriteByte(1);
  TJSONOneSend p;
  p.ReadFromStr(StringOfBytes(w.Bytes()));
  EXPECT_EQ(p.mVersion, 1);
  EXPECT_EQ(p.mName, "Old");
  EXPECT_EQ(p.mStoreIds, "-1,3,-1");
  EXPECT_EQ(p.mEntIds, "-1,4,-1");
  EXPECT_EQ(p.mURL, "http://old.example/upload.php");
  EXPECT_EQ(p.mPeriodMin, 45);
  EXPECT_EQ(p.mIfSendOnClose, 1);
  EXPECT_EQ(p.mIfAvtomat, 1);
  EXPECT_EQ(p.mGoodsGroupsIds, "");
  EXPECT_EQ(p.mIfLastDayGoods, 0);
  EXPECT_EQ(p.mPeriodDay, 2);

  // Version 2 adds the group list only.
  TSettingsStreamWriter w2;
  for (std::uint8_t byte : w.Bytes()) w2.WriteByte(byte);
  w2.WriteString("7,8");
  std::vector<std::uint8_t> v2 = w2.Bytes();
  v2[0] = 2;
  TJSONOneSend q;
  q.ReadFromStr(StringOfBytes(v2));
  EXPECT_EQ(q.mGoodsGroupsIds, "7,8");
  EXPECT_EQ(q.mPeriodDay, 2);
}

TEST(JsonOneSend, BrokenStringsKeepDefaults) {
  TJSONOneSend fresh;
  for (const std::string& s :
       {std::string(), std::string("garbage"), gEncodeStr("Zm9v ~"), StringOfBytes({3, 0, 0})}) {
    TJSONOneSend p;
    p.ReadFromStr(s);
    ExpectSameShop(p, fresh);
  }
}

TEST(JsonOneSend, TruncatedStreamsKeepUnreadFields) {
  TJSONOneSend src;
  src.mName = "Full";
  src.mStoreIds = "1";
  src.mEntIds = "2";
  src.mURL = "u";
  src.mPeriodMin = 9;
  src.mIfSendOnClose = 1;
  src.mIfAvtomat = 1;
  src.mGoodsGroupsIds = "g";
  src.mIfLastDayGoods = 1;
  src.mPeriodDay = 6;
  const std::vector<std::uint8_t> full = Written(src);
  for (std::size_t cut = 0; cut <= full.size(); ++cut) {
    TJSONOneSend p;
    TSettingsStreamReader r(full.data(), cut);
    p.ReadFromMemory(r);
    // Every field is either the written value or the default.
    EXPECT_TRUE(p.mName == "Full" || p.mName == "Интернет магазин 1") << cut;
    EXPECT_TRUE(p.mPeriodDay == 6 || p.mPeriodDay == 2) << cut;
    if (cut == full.size()) {
      ExpectSameShop(p, src);
    } else {
      EXPECT_EQ(p.mPeriodDay, 2) << cut;
    }
  }
}

TEST(DataExOut, DefaultsLayoutAndRoundTrip) {
  TDataExOut p;
  EXPECT_EQ(p.mVersion, 1);
  EXPECT_EQ(p.mName, "Выгрузка данных 1");
  EXPECT_EQ(p.mFilePath, "c:\\temp\\tirvaloretail.json");
  EXPECT_EQ(p.mPeriodMin, 20);

  p.mName = "A";
  p.mEntIds = "B";
  p.mStoreIds = "C";
  p.mGoodsGroupsIds = "D";
  p.mFilePath = "E";
  p.mDocTypesIds = "F";
  p.mPeriodMin = 3;
  p.mIfSendOnClose = 1;
  p.mIfAvtomat = 0;
  const std::vector<std::uint8_t> expected = {
      1, 0, 0, 0,   1, 0, 0, 0, 'A', 0,   1, 0, 0, 0, 'B', 0,   1, 0, 0, 0, 'C', 0, 1,
      0, 0, 0, 'D', 0, 1, 0, 0, 0,   'E', 0, 1, 0, 0, 0,   'F', 0, 3, 0, 0, 0,   1, 0};
  EXPECT_EQ(Written(p), expected);

  const std::string s1 = p.SaveToStr(), s2 = p.SaveToStr();
  EXPECT_NE(s1, s2);
  for (const std::string& s : {s1, s2}) {
    TDataExOut q;
    q.ReadFromStr(s);
    EXPECT_EQ(Written(q), expected);
  }

  TDataExOut broken;
  broken.ReadFromStr(StringOfBytes({1, 0, 0, 0, 50, 0, 0, 0, 'x', 0}));
  EXPECT_EQ(broken.mName, "Выгрузка данных 1");
  EXPECT_EQ(broken.mFilePath, "c:\\temp\\tirvaloretail.json");
}

TEST(TirTokenOne, ClearCopyAndRoundTrip) {
  TTirTokenOne t;
  EXPECT_EQ(t.mVersion, 4);
  EXPECT_EQ(t.m6_mStorePriceID, 1);
  EXPECT_EQ(t.m6_mSendPH, 1);
  EXPECT_NE(t.m6_mPriceTAG.find("#PRICE_01_INT#"), std::string::npos);

  t.mType = 2;
  t.mActiv = 1;
  t.mName = "client";
  t.mToken = "tok";
  t.mDesc = "d";
  t.mTokenRight = 0x123456789LL;
  t.m1_mStoreIds = "1,2";
  t.m1_mEntIds = "3";
  t.m1_mDocTypeIds = "4";
  t.m1_mDocTypeSynk = 1;
  t.m2_mUserIDMapped = -5;
  t.m2_mEntIDMapped = 6;
  t.m2_mStoreIDMapped = 7;
  t.m6_mStorePriceID = 3;
  t.m6_mSendPH = 0;
  t.m6_mNameTAG = "n";
  t.m6_mPriceTAG = "p";
  t.m6_mPh_Field_T = 1;
  t.m6_mPh_Field_B = 2;
  t.m6_mPh_Field_L = 3;
  t.m6_mPh_Field_R = 4;

  TTirTokenOne c;
  c.Copy(t);
  TTirTokenOne r;
  r.ReadFromStr(t.SaveToStr());
  // Every field travels: the copy and the read-back write the same bytes as the original.
  EXPECT_EQ(Written(c), Written(t));
  EXPECT_EQ(Written(r), Written(t));
  EXPECT_EQ(r.m2_mUserIDMapped, -5);
  EXPECT_EQ(r.mTokenRight, 0x123456789LL);

  c.Clear();
  EXPECT_EQ(c.mName, "");
  EXPECT_EQ(c.mTokenRight, 0);
  EXPECT_EQ(c.m6_mStorePriceID, 1);
  EXPECT_EQ(c.m6_mNameTAG, TTirTokenOne().m6_mNameTAG);
}

TEST(TirTokenOne, OlderStreamKeepsLaterGroupsCleared) {
  TSettingsStreamWriter w;
  w.WriteInt32(2);
  w.WriteByte(1);
  w.WriteByte(1);
  w.WriteString("n");
  w.WriteString("t");
  w.WriteString("d");
  w.WriteInt64(9);
  w.WriteString("s");
  w.WriteString("e");
  w.WriteString("k");
  w.WriteByte(1);
  w.WriteInt64(77);  // belongs to version 3; must not be read
  TTirTokenOne t;
  TSettingsStreamReader r(w.Bytes());
  t.ReadFromMemory(r);
  EXPECT_EQ(t.mVersion, 2);
  EXPECT_EQ(t.m1_mDocTypeIds, "k");
  EXPECT_EQ(t.m1_mDocTypeSynk, 1);
  EXPECT_EQ(t.m2_mUserIDMapped, 0);
  EXPECT_EQ(t.m6_mStorePriceID, 1);
  EXPECT_EQ(t.m6_mSendPH, 1);
}

}  // namespace
}  // namespace tir
