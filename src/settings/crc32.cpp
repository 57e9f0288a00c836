#include "settings/crc32.h"

#include <array>

namespace tir {

namespace {

constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();

}  // namespace

std::uint32_t CRC32Data(const void* aData, std::size_t aSize) {
  const auto* p = static_cast<const std::uint8_t*>(aData);
  std::uint32_t reg = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < aSize; ++i) reg = kTable[(p[i] ^ reg) & 0xFF] ^ (reg >> 8);
  const std::uint32_t result = reg + static_cast<std::uint32_t>(aSize);
  return result == 0 ? 1 : result;
}

}  // namespace tir
