#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tir {

// The byte mask of the scrambled form: byte i (counted from 1) is XORed with key byte j (cycling
// through the key), with 2i, with i >> 7 and with i >> 15 (each taken modulo 256). Applying the
// mask twice gives the data back. An empty key masks with the position terms only.
std::string XorStrStr(std::string_view aData, std::string_view aKey);
void XorPointerStr(void* aData, std::size_t aSize, std::string_view aKey);

// The scrambled form of a text: Base64 of [header 16+n][n random key bytes][masked UTF-16LE text]
// [CRC32Data of all before, little-endian], 2 <= n <= 13. One text has many scrambled forms.
std::string gEncodeStr(const std::u16string& aText);
std::string gEncodeStr(std::string_view aUtf8Text);

// The text of a scrambled form; empty when the form is broken (bad Base64, header, length or
// checksum).
std::u16string gDecodeStrW(std::string_view aText);
std::string gDecodeStr(std::string_view aText);

}  // namespace tir
