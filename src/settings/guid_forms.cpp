#include "settings/guid_forms.h"

#include <cstdio>

#include "settings/random_source.h"
#include "settings/value_errors.h"

namespace tir {

namespace {

constexpr std::string_view kZeroGUIDText = "00000000-0000-0000-0000-000000000000";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `count` hex digits at `pos`; false when one of them is not a hex digit.
bool ReadHex(std::string_view text, std::size_t pos, std::size_t count, std::uint64_t& value) {
  value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const int d = HexDigit(text[pos + i]);
    if (d < 0) return false;
    value = (value << 4) | static_cast<std::uint64_t>(d);
  }
  return true;
}

// The 36-character form without braces.
bool ParseBareGUID(std::string_view text, TGUID& guid) {
  if (text.size() != 36) return false;
  if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') return false;
  std::uint64_t v = 0;
  TGUID g;
  if (!ReadHex(text, 0, 8, v)) return false;
  g.D1 = static_cast<std::uint32_t>(v);
  if (!ReadHex(text, 9, 4, v)) return false;
  g.D2 = static_cast<std::uint16_t>(v);
  if (!ReadHex(text, 14, 4, v)) return false;
  g.D3 = static_cast<std::uint16_t>(v);
  static constexpr std::size_t kBytePos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (std::size_t i = 0; i < 8; ++i) {
    if (!ReadHex(text, kBytePos[i], 2, v)) return false;
    g.D4[i] = static_cast<std::uint8_t>(v);
  }
  guid = g;
  return true;
}

// Length of UTF-8 text in UTF-16 code units (the unit the host's strings count in).
std::size_t Utf16Length(std::string_view text) {
  std::size_t units = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) == 0x80) continue;  // continuation byte
    units += (c >= 0xF0) ? 2 : 1;      // four-byte sequences need a surrogate pair
  }
  return units;
}

}  // namespace

std::int64_t gGetGUID1(const TGUID& aGUID) {
  const std::uint64_t v = (static_cast<std::uint64_t>(aGUID.D1) << 32) |
                          (static_cast<std::uint64_t>(aGUID.D2) << 16) | aGUID.D3;
  return static_cast<std::int64_t>(v);
}

std::int64_t gGetGUID2(const TGUID& aGUID) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | aGUID.D4[i];
  return static_cast<std::int64_t>(v);
}

TGUID gGUIDFromPair(std::int64_t aGUID1, std::int64_t aGUID2) {
  const auto u1 = static_cast<std::uint64_t>(aGUID1);
  const auto u2 = static_cast<std::uint64_t>(aGUID2);
  TGUID g;
  g.D1 = static_cast<std::uint32_t>(u1 >> 32);
  g.D2 = static_cast<std::uint16_t>(u1 >> 16);
  g.D3 = static_cast<std::uint16_t>(u1);
  for (int i = 0; i < 8; ++i) g.D4[i] = static_cast<std::uint8_t>(u2 >> (8 * i));
  return g;
}

std::string gGetGUIDSTR(std::int64_t aGUID1, std::int64_t aGUID2) {
  const TGUID g = gGUIDFromPair(aGUID1, aGUID2);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                static_cast<unsigned>(g.D1), static_cast<unsigned>(g.D2),
                static_cast<unsigned>(g.D3), g.D4[0], g.D4[1], g.D4[2], g.D4[3], g.D4[4], g.D4[5],
                g.D4[6], g.D4[7]);
  return buf;
}

void gGetGUIDSFromSTR(std::string_view aText, std::int64_t& aGUID1, std::int64_t& aGUID2) {
  aGUID1 = 0;
  aGUID2 = 0;
  if (Utf16Length(aText) != 36 || aText == kZeroGUIDText) return;
  TGUID g;
  if (!ParseBareGUID(aText, g)) {
    throw EConvertError("'" + std::string(aText) + "' is not a valid GUID value");
  }
  aGUID1 = gGetGUID1(g);
  aGUID2 = gGetGUID2(g);
}

TGUID CreateGUID() {
  const std::uint64_t hi = gRandom64();
  const std::uint64_t lo = gRandom64();
  TGUID g;
  g.D1 = static_cast<std::uint32_t>(hi >> 32);
  g.D2 = static_cast<std::uint16_t>(hi >> 16);
  g.D3 = static_cast<std::uint16_t>((hi & 0x0FFF) | 0x4000);  // version 4
  for (int i = 0; i < 8; ++i) g.D4[i] = static_cast<std::uint8_t>(lo >> (8 * i));
  g.D4[0] = static_cast<std::uint8_t>((g.D4[0] & 0x3F) | 0x80);  // RFC 4122 variant
  return g;
}

void gNewGUIDPair(std::int64_t& aGUID1, std::int64_t& aGUID2) {
  const TGUID g = CreateGUID();
  aGUID1 = gGetGUID1(g);
  aGUID2 = gGetGUID2(g);
}

std::string gNewGUIDSTR() {
  const TGUID g = CreateGUID();
  return gGetGUIDSTR(gGetGUID1(g), gGetGUID2(g));
}

std::string GUIDToString(const TGUID& aGUID) {
  std::string text;
  text.reserve(38);
  text += '{';
  text += gGetGUIDSTR(gGetGUID1(aGUID), gGetGUID2(aGUID));
  text += '}';
  return text;
}

bool TryStringToGUID(std::string_view aText, TGUID& aGUID) {
  if (aText.size() == 38) {
    if (aText.front() != '{' || aText.back() != '}') return false;
    aText = aText.substr(1, 36);
  }
  return ParseBareGUID(aText, aGUID);
}

TGUID StringToGUID(std::string_view aText) {
  TGUID g;
  if (!TryStringToGUID(aText, g)) {
    throw EConvertError("'" + std::string(aText) + "' is not a valid GUID value");
  }
  return g;
}

}  // namespace tir
