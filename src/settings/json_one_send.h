#pragma once

#include <cstdint>
#include <string>

#include "settings/settings_record.h"

namespace tir {

// The default test shop: its host (automatic sends to it are refused) and its upload script.
inline constexpr char kDefaultShopTestHost[] = "shop-test.tirvalo.example";
inline constexpr char kDefaultShopUploadURL[] = "http://shop-test.tirvalo.example/upload.php";

// Internet-shop profile, stored in tirSettings with fPType -2. Stream layout (version 3): Int32
// mVersion; String mName, mStoreIds, mEntIds, mURL; Int32 mPeriodMin; Byte mIfSendOnClose,
// mIfAvtomat; String mGoodsGroupsIds (version >= 2); Byte mIfLastDayGoods and Int32 mPeriodDay
// (version >= 3). mIDReccord and mLastDateSend are not in the stream.
class TJSONOneSend : public TSettingsRecord {
 public:
  static constexpr std::int32_t kStreamVersion = 3;

  std::int32_t mVersion = kStreamVersion;
  std::int32_t mIDReccord = 0;  // tirSettings.fId of the row it came from
  std::string mName = "Интернет магазин 1";
  double mLastDateSend = 0;
  std::string mEntIds;    // "-1,5,9,-1"; empty = the user's entities
  std::string mStoreIds;  // empty = the user's stores
  std::string mGoodsGroupsIds;
  std::int8_t mIfSendOnClose = 0;
  std::string mURL = kDefaultShopUploadURL;
  std::int8_t mIfAvtomat = 0;
  std::int32_t mPeriodMin = 15;
  std::int8_t mIfLastDayGoods = 0;
  std::int32_t mPeriodDay = 2;

  // Sets mVersion to 3 and writes the stream.
  void WriteToMemory(TSettingsStreamWriter& aStream) override;
  void ReadFromMemory(TSettingsStreamReader& aStream) override;

  // The database's global GUID text (see profile_hooks.h).
  std::string GetGUIDBase() const;
};

}  // namespace tir
