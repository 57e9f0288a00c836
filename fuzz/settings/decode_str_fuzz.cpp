// gDecodeStr on arbitrary text, and on blocks whose checksum is made right so that the header,
// length and unmasking checks are reached.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/base64.h"
#include "settings/crc32.h"
#include "settings/scramble.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)tir::gDecodeStr(text);

  std::vector<std::uint8_t> block(data, data + size);
  const std::uint32_t crc = tir::CRC32Data(block.data(), block.size());
  for (int i = 0; i < 4; ++i) block.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
  const std::string sealed = tir::EncodeBase64(block.data(), block.size());
  const std::u16string decoded = tir::gDecodeStrW(sealed);

  // Whatever decodes must survive a scramble round trip unchanged.
  if (tir::gDecodeStrW(tir::gEncodeStr(decoded)) != decoded) __builtin_trap();
  return 0;
}
