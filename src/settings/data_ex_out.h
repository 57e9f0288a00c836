#pragma once

#include <cstdint>
#include <string>

#include "settings/settings_record.h"

namespace tir {

// Universal export profile, stored in tirSettings with fPType -3. Stream layout (version 1):
// Int32 mVersion; String mName, mEntIds, mStoreIds, mGoodsGroupsIds, mFilePath, mDocTypesIds;
// Int32 mPeriodMin; Byte mIfSendOnClose, mIfAvtomat. mIDReccord is not in the stream.
class TDataExOut : public TSettingsRecord {
 public:
  static constexpr std::int32_t kStreamVersion = 1;

  std::int32_t mVersion = kStreamVersion;
  std::int32_t mIDReccord = 0;
  std::string mName = "Выгрузка данных 1";
  std::string mEntIds;
  std::string mStoreIds;
  std::string mGoodsGroupsIds;
  std::string mFilePath = "c:\\temp\\tirvaloretail.json";
  std::string mDocTypesIds;
  std::int8_t mIfSendOnClose = 0;
  std::int8_t mIfAvtomat = 0;
  std::int32_t mPeriodMin = 20;

  // Sets mVersion to 1 and writes the stream.
  void WriteToMemory(TSettingsStreamWriter& aStream) override;
  void ReadFromMemory(TSettingsStreamReader& aStream) override;

  std::string GetGUIDBase() const;
  // The full export of [aFrom, aTo] into mFilePath (see profile_hooks.h); true on success.
  bool SaveFile(double aFrom, double aTo) const;
};

}  // namespace tir
