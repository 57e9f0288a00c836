#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tir {

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks). Texts in the host's wide form
// are carried as their UTF-16LE bytes.

std::string EncodeBase64(const void* aData, std::size_t aSize);
std::string EncodeBase64(const std::u16string& aText);

// Decoding skips every character outside the alphabet and stops at the first "="; trailing bits
// that do not make a whole byte are dropped. The bytes are appended to aStream.
void DecodeBase64(std::string_view aText, std::vector<std::uint8_t>& aStream);
// The decoded bytes taken as UTF-16LE (an odd last byte is dropped).
std::u16string DecodeBase64(std::string_view aText);

// UTF-16LE bytes of a text and back (an odd last byte is dropped).
std::vector<std::uint8_t> Utf16LeBytes(const std::u16string& aText);
std::u16string Utf16FromLeBytes(const std::uint8_t* aData, std::size_t aSize);

}  // namespace tir
