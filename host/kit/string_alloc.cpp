// TirSysAllocStringLen / TirSysFreeString: length-prefixed wide strings for the module boundary.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/kit/tir_host_kit.h"

namespace {

constexpr std::size_t kPrefixBytes = sizeof(std::uint32_t);

}  // namespace

extern "C" char16_t* TirSysAllocStringLen(const char16_t* chars, std::uint32_t length) {
  // The byte count must fit the 32-bit prefix.
  if (length > (UINT32_MAX - kPrefixBytes - sizeof(char16_t)) / sizeof(char16_t)) return nullptr;
  const std::uint32_t byteCount = length * static_cast<std::uint32_t>(sizeof(char16_t));
  auto* block = static_cast<unsigned char*>(
      std::malloc(kPrefixBytes + static_cast<std::size_t>(byteCount) + sizeof(char16_t)));
  if (block == nullptr) return nullptr;
  std::memcpy(block, &byteCount, kPrefixBytes);
  auto* text = reinterpret_cast<char16_t*>(block + kPrefixBytes);
  if (chars != nullptr) {
    std::memcpy(text, chars, byteCount);
  } else {
    std::memset(text, 0, byteCount);
  }
  text[length] = u'\0';
  return text;
}

extern "C" void TirSysFreeString(char16_t* text) {
  if (text == nullptr) return;
  std::free(reinterpret_cast<unsigned char*>(text) - kPrefixBytes);
}
