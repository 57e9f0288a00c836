#pragma once

#include <cstddef>
#include <cstdint>

namespace tir {

// The settings checksum: the reflected CRC-32 register (polynomial 0xEDB88320, start 0xFFFFFFFF)
// without the final inversion, plus the byte count modulo 2^32; a result of 0 becomes 1.
// "abc" gives 0xCADBBE40, no bytes 0xFFFFFFFF.
std::uint32_t CRC32Data(const void* aData, std::size_t aSize);

}  // namespace tir
