#pragma once

#include <string>
#include <string_view>

#include "settings/settings_stream.h"

namespace tir {

// A settings record stored as a settings string: the record's byte stream, Base64-encoded, then
// scrambled (gEncodeStr). Each record class writes and reads its own stream layout.
class TSettingsRecord {
 public:
  virtual ~TSettingsRecord() = default;

  virtual void WriteToMemory(TSettingsStreamWriter& aStream) = 0;
  // Reads what the stream holds; fields the stream does not reach keep their values.
  virtual void ReadFromMemory(TSettingsStreamReader& aStream) = 0;

  // WriteToMemory, Base64, gEncodeStr.
  virtual std::string SaveToStr();
  // gDecodeStr, Base64 decode, ReadFromMemory. A broken string decodes to an empty stream and
  // changes nothing.
  virtual void ReadFromStr(std::string_view aStr);
};

}  // namespace tir
