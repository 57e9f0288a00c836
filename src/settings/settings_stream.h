#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tir {

// The in-memory byte stream the settings records are written to (little-endian): Int32 = 4 bytes,
// Int64 = 8 bytes, Byte = 1 byte, String = Int32 length in UTF-16 code units followed by that many
// code units (2 bytes each); nothing follows a length <= 0. Strings are UTF-8 in memory.
class TSettingsStreamWriter {
 public:
  void WriteInt32(std::int32_t aValue);
  void WriteInt64(std::int64_t aValue);
  void WriteByte(std::uint8_t aValue);
  void WriteString(const std::string& aUtf8);

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Reads the primitives above from a block of bytes it does not own. It never reads past the end:
// a read that does not find all its bytes (a string whose length runs past the data included)
// leaves the target unchanged and returns false, and every later read fails as well, so a
// record read from a short stream keeps its values for all fields from that point on.
class TSettingsStreamReader {
 public:
  TSettingsStreamReader(const std::uint8_t* aData, std::size_t aSize)
      : data_(aData), size_(aSize) {}
  explicit TSettingsStreamReader(const std::vector<std::uint8_t>& aBytes)
      : TSettingsStreamReader(aBytes.data(), aBytes.size()) {}

  bool ReadInt32(std::int32_t& aValue);
  bool ReadInt64(std::int64_t& aValue);
  bool ReadByte(std::uint8_t& aValue);
  bool ReadShortInt(std::int8_t& aValue);  // a Byte taken as signed
  bool ReadString(std::string& aUtf8);

  bool Failed() const { return failed_; }
  std::size_t Position() const { return pos_; }

 private:
  bool Take(std::size_t aCount, const std::uint8_t*& aBytes);

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

}  // namespace tir
