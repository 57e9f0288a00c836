#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "settings/settings_stream.h"

// A settings record's ReadFromMemory on arbitrary bytes (and ReadFromStr on them as text): no
// read past the data, and whatever was read writes and reads back to the same stream.
template <typename Record>
int FuzzReadFromMemory(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly the input size, so that any read past it is caught.
  const std::vector<std::uint8_t> bytes(data, data + size);
  Record record;
  tir::TSettingsStreamReader reader(bytes.data(), bytes.size());
  record.ReadFromMemory(reader);
  if (reader.Position() > bytes.size()) __builtin_trap();

  tir::TSettingsStreamWriter first;
  record.WriteToMemory(first);
  Record copy;
  tir::TSettingsStreamReader again(first.Bytes());
  copy.ReadFromMemory(again);
  if (again.Failed()) __builtin_trap();
  tir::TSettingsStreamWriter second;
  copy.WriteToMemory(second);
  if (second.Bytes() != first.Bytes()) __builtin_trap();

  Record fromText;
  fromText.ReadFromStr(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
