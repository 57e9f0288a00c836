#include "settings/base64.h"

#include <array>

namespace tir {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int16_t, 256> MakeDecodeTable() {
  std::array<std::int16_t, 256> table{};
  for (auto& v : table) v = -1;
  for (int i = 0; i < 64; ++i)
    table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int16_t>(i);
  return table;
}

constexpr std::array<std::int16_t, 256> kDecode = MakeDecodeTable();

}  // namespace

std::string EncodeBase64(const void* aData, std::size_t aSize) {
  const auto* p = static_cast<const std::uint8_t*>(aData);
  std::string out;
  out.reserve((aSize + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= aSize; i += 3) {
    const std::uint32_t v = (std::uint32_t{p[i]} << 16) | (std::uint32_t{p[i + 1]} << 8) | p[i + 2];
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  const std::size_t rest = aSize - i;
  if (rest == 1) {
    const std::uint32_t v = std::uint32_t{p[i]} << 16;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += "==";
  } else if (rest == 2) {
    const std::uint32_t v = (std::uint32_t{p[i]} << 16) | (std::uint32_t{p[i + 1]} << 8);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

std::string EncodeBase64(const std::u16string& aText) {
  const std::vector<std::uint8_t> bytes = Utf16LeBytes(aText);
  return EncodeBase64(bytes.data(), bytes.size());
}

void DecodeBase64(std::string_view aText, std::vector<std::uint8_t>& aStream) {
  aStream.reserve(aStream.size() + aText.size() / 4 * 3 + 3);
  std::uint32_t bits = 0;
  int count = 0;
  for (char c : aText) {
    if (c == '=') break;
    const int v = kDecode[static_cast<unsigned char>(c)];
    if (v < 0) continue;
    bits = (bits << 6) | static_cast<std::uint32_t>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      aStream.push_back(static_cast<std::uint8_t>(bits >> count));
      bits &= (1u << count) - 1;
    }
  }
}

std::u16string DecodeBase64(std::string_view aText) {
  std::vector<std::uint8_t> bytes;
  DecodeBase64(aText, bytes);
  return Utf16FromLeBytes(bytes.data(), bytes.size());
}

std::vector<std::uint8_t> Utf16LeBytes(const std::u16string& aText) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(aText.size() * 2);
  for (char16_t c : aText) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

std::u16string Utf16FromLeBytes(const std::uint8_t* aData, std::size_t aSize) {
  std::u16string text;
  text.reserve(aSize / 2);
  for (std::size_t i = 0; i + 1 < aSize; i += 2) {
    text += static_cast<char16_t>(aData[i] | (aData[i + 1] << 8));
  }
  return text;
}

}  // namespace tir
