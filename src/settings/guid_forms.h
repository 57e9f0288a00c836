#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tir {

// A GUID in its parts: D1 (32 bits), D2 (16), D3 (16) and D4 (8 bytes in text order).
struct TGUID {
  std::uint32_t D1 = 0;
  std::uint16_t D2 = 0;
  std::uint16_t D3 = 0;
  std::uint8_t D4[8] = {0, 0, 0, 0, 0, 0, 0, 0};

  bool operator==(const TGUID&) const = default;
};

// The database pair of a GUID: fGUID1 = D1 * 2^32 + D2 * 2^16 + D3; fGUID2 = the bytes of D4 read
// as a little-endian 64-bit integer. The all-zero GUID is the pair (0, 0).
std::int64_t gGetGUID1(const TGUID& aGUID);
std::int64_t gGetGUID2(const TGUID& aGUID);
TGUID gGUIDFromPair(std::int64_t aGUID1, std::int64_t aGUID2);

// The 36-character text (upper-case hexadecimal, no braces) of a pair.
std::string gGetGUIDSTR(std::int64_t aGUID1, std::int64_t aGUID2);

// Both halves become 0; when aText is exactly 36 characters and is not the all-zero text, it is
// read as a GUID (either letter case) and both halves are set. A 36-character text that is not a
// GUID raises EConvertError.
void gGetGUIDSFromSTR(std::string_view aText, std::int64_t& aGUID1, std::int64_t& aGUID2);

// A new random GUID (version 4), as parts, as a pair and as 36-character text.
TGUID CreateGUID();
void gNewGUIDPair(std::int64_t& aGUID1, std::int64_t& aGUID2);
std::string gNewGUIDSTR();

// The runtime's 38-character text with braces, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", and back.
// StringToGUID accepts the text with braces (38 characters) or without (36); anything else
// raises EConvertError.
std::string GUIDToString(const TGUID& aGUID);
TGUID StringToGUID(std::string_view aText);
// As StringToGUID, without raising: false for a text that is not a GUID.
bool TryStringToGUID(std::string_view aText, TGUID& aGUID);

}  // namespace tir
