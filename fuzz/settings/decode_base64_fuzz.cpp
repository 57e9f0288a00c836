// DecodeBase64 on arbitrary text: the decoded bytes must encode and decode to themselves.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::uint8_t> bytes;
  tir::DecodeBase64(text, bytes);
  if (bytes.size() > size) __builtin_trap();
  const std::string again = tir::EncodeBase64(bytes.data(), bytes.size());
  std::vector<std::uint8_t> back;
  tir::DecodeBase64(again, back);
  if (back != bytes) __builtin_trap();
  (void)tir::DecodeBase64(text);
  return 0;
}
