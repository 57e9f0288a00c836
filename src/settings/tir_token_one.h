#pragma once

#include <cstdint>
#include <string>

#include "settings/settings_record.h"

namespace tir {

// Access token profile of a requesting client. Stream layout (version 4):
//   Int32 mVersion; Byte mType, mActiv; String mName, mToken, mDesc; Int64 mTokenRight;
//   version >= 2: String m1_mStoreIds, m1_mEntIds, m1_mDocTypeIds; Byte m1_mDocTypeSynk;
//   version >= 3: Int64 m2_mUserIDMapped, m2_mEntIDMapped, m2_mStoreIDMapped;
//   version >= 4: Int32 m6_mStorePriceID; Byte m6_mSendPH; String m6_mNameTAG, m6_mPriceTAG;
//                 Int32 m6_mPh_Field_T, m6_mPh_Field_B, m6_mPh_Field_L, m6_mPh_Field_R.
// An older stream leaves the later groups at their cleared values.
class TTirTokenOne : public TSettingsRecord {
 public:
  static constexpr std::int32_t kStreamVersion = 4;

  TTirTokenOne() { Clear(); }

  // Every field to its cleared value.
  void Clear();
  // Every field from aSource.
  void Copy(const TTirTokenOne& aSource);

  // Sets mVersion to 4 and writes the stream.
  void WriteToMemory(TSettingsStreamWriter& aStream) override;
  void ReadFromMemory(TSettingsStreamReader& aStream) override;

  std::int32_t mVersion;
  std::int8_t mType;
  std::int8_t mActiv;
  std::string mName;
  std::string mToken;
  std::string mDesc;
  std::int64_t mTokenRight;
  std::string m1_mStoreIds;
  std::string m1_mEntIds;
  std::string m1_mDocTypeIds;
  std::int8_t m1_mDocTypeSynk;
  std::int64_t m2_mUserIDMapped;
  std::int64_t m2_mEntIDMapped;
  std::int64_t m2_mStoreIDMapped;
  std::int32_t m6_mStorePriceID;
  std::int8_t m6_mSendPH;
  std::string m6_mNameTAG;
  std::string m6_mPriceTAG;
  std::int32_t m6_mPh_Field_T;
  std::int32_t m6_mPh_Field_B;
  std::int32_t m6_mPh_Field_L;
  std::int32_t m6_mPh_Field_R;
};

}  // namespace tir
