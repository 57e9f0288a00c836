#include "settings/settings_record.h"

#include <cstdint>
#include <vector>

#include "settings/base64.h"
#include "settings/scramble.h"

namespace tir {

std::string TSettingsRecord::SaveToStr() {
  TSettingsStreamWriter stream;
  WriteToMemory(stream);
  const std::vector<std::uint8_t>& bytes = stream.Bytes();
  return gEncodeStr(EncodeBase64(bytes.data(), bytes.size()));
}

void TSettingsRecord::ReadFromStr(std::string_view aStr) {
  std::vector<std::uint8_t> bytes;
  DecodeBase64(gDecodeStr(aStr), bytes);
  TSettingsStreamReader stream(bytes);
  ReadFromMemory(stream);
}

}  // namespace tir
