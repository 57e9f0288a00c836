#include "settings/settings_stream.h"

#include "db/unicode_case.h"
#include "settings/base64.h"

namespace tir {

namespace {

template <typename T>
void PutLe(std::vector<std::uint8_t>& out, T value) {
  auto u = static_cast<std::uint64_t>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i)
    out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}

std::uint64_t GetLe(const std::uint8_t* p, std::size_t size) {
  std::uint64_t v = 0;
  for (std::size_t i = size; i > 0; --i) v = (v << 8) | p[i - 1];
  return v;
}

}  // namespace

void TSettingsStreamWriter::WriteInt32(std::int32_t aValue) { PutLe(bytes_, aValue); }

void TSettingsStreamWriter::WriteInt64(std::int64_t aValue) { PutLe(bytes_, aValue); }

void TSettingsStreamWriter::WriteByte(std::uint8_t aValue) { bytes_.push_back(aValue); }

void TSettingsStreamWriter::WriteString(const std::string& aUtf8) {
  const std::vector<std::uint8_t> units = Utf16LeBytes(db::Utf8ToUtf16(aUtf8));
  WriteInt32(static_cast<std::int32_t>(units.size() / 2));
  bytes_.insert(bytes_.end(), units.begin(), units.end());
}

bool TSettingsStreamReader::Take(std::size_t aCount, const std::uint8_t*& aBytes) {
  if (failed_ || aCount > size_ - pos_) {
    failed_ = true;
    return false;
  }
  aBytes = data_ + pos_;
  pos_ += aCount;
  return true;
}

bool TSettingsStreamReader::ReadInt32(std::int32_t& aValue) {
  const std::uint8_t* p = nullptr;
  if (!Take(4, p)) return false;
  aValue = static_cast<std::int32_t>(static_cast<std::uint32_t>(GetLe(p, 4)));
  return true;
}

bool TSettingsStreamReader::ReadInt64(std::int64_t& aValue) {
  const std::uint8_t* p = nullptr;
  if (!Take(8, p)) return false;
  aValue = static_cast<std::int64_t>(GetLe(p, 8));
  return true;
}

bool TSettingsStreamReader::ReadByte(std::uint8_t& aValue) {
  const std::uint8_t* p = nullptr;
  if (!Take(1, p)) return false;
  aValue = *p;
  return true;
}

bool TSettingsStreamReader::ReadShortInt(std::int8_t& aValue) {
  std::uint8_t b = 0;
  if (!ReadByte(b)) return false;
  aValue = static_cast<std::int8_t>(b);
  return true;
}

bool TSettingsStreamReader::ReadString(std::string& aUtf8) {
  const std::size_t start = pos_;
  std::int32_t length = 0;
  if (!ReadInt32(length)) return false;
  if (length <= 0) {
    aUtf8.clear();
    return true;
  }
  const std::uint8_t* p = nullptr;
  const auto byteCount = static_cast<std::size_t>(length) * 2;
  if (!Take(byteCount, p)) {
    pos_ = start;  // the string is not read at all
    return false;
  }
  aUtf8 = db::Utf16ToUtf8(Utf16FromLeBytes(p, byteCount));
  return true;
}

}  // namespace tir
