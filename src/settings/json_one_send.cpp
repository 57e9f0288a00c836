#include "settings/json_one_send.h"

#include "settings/profile_hooks.h"

namespace tir {

void TJSONOneSend::WriteToMemory(TSettingsStreamWriter& aStream) {
  mVersion = kStreamVersion;
  aStream.WriteInt32(mVersion);
  aStream.WriteString(mName);
  aStream.WriteString(mStoreIds);
  aStream.WriteString(mEntIds);
  aStream.WriteString(mURL);
  aStream.WriteInt32(mPeriodMin);
  aStream.WriteByte(static_cast<std::uint8_t>(mIfSendOnClose));
  aStream.WriteByte(static_cast<std::uint8_t>(mIfAvtomat));
  aStream.WriteString(mGoodsGroupsIds);
  aStream.WriteByte(static_cast<std::uint8_t>(mIfLastDayGoods));
  aStream.WriteInt32(mPeriodDay);
}

void TJSONOneSend::ReadFromMemory(TSettingsStreamReader& aStream) {
  aStream.ReadInt32(mVersion);
  aStream.ReadString(mName);
  aStream.ReadString(mStoreIds);
  aStream.ReadString(mEntIds);
  aStream.ReadString(mURL);
  aStream.ReadInt32(mPeriodMin);
  aStream.ReadShortInt(mIfSendOnClose);
  aStream.ReadShortInt(mIfAvtomat);
  if (mVersion >= 2) aStream.ReadString(mGoodsGroupsIds);
  if (mVersion >= 3) {
    aStream.ReadShortInt(mIfLastDayGoods);
    aStream.ReadInt32(mPeriodDay);
  }
}

std::string TJSONOneSend::GetGUIDBase() const { return CallGUIDBaseFunc(); }

}  // namespace tir
