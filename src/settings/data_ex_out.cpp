#include "settings/data_ex_out.h"

#include "settings/profile_hooks.h"

namespace tir {

void TDataExOut::WriteToMemory(TSettingsStreamWriter& aStream) {
  mVersion = kStreamVersion;
  aStream.WriteInt32(mVersion);
  aStream.WriteString(mName);
  aStream.WriteString(mEntIds);
  aStream.WriteString(mStoreIds);
  aStream.WriteString(mGoodsGroupsIds);
  aStream.WriteString(mFilePath);
  aStream.WriteString(mDocTypesIds);
  aStream.WriteInt32(mPeriodMin);
  aStream.WriteByte(static_cast<std::uint8_t>(mIfSendOnClose));
  aStream.WriteByte(static_cast<std::uint8_t>(mIfAvtomat));
}

void TDataExOut::ReadFromMemory(TSettingsStreamReader& aStream) {
  aStream.ReadInt32(mVersion);
  aStream.ReadString(mName);
  aStream.ReadString(mEntIds);
  aStream.ReadString(mStoreIds);
  aStream.ReadString(mGoodsGroupsIds);
  aStream.ReadString(mFilePath);
  aStream.ReadString(mDocTypesIds);
  aStream.ReadInt32(mPeriodMin);
  aStream.ReadShortInt(mIfSendOnClose);
  aStream.ReadShortInt(mIfAvtomat);
}

std::string TDataExOut::GetGUIDBase() const { return CallGUIDBaseFunc(); }

bool TDataExOut::SaveFile(double aFrom, double aTo) const {
  return CallDataExOutSaveFileFunc(*this, aFrom, aTo);
}

}  // namespace tir
