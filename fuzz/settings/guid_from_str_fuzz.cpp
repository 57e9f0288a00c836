// gGetGUIDSFromSTR on arbitrary text: a GUID it accepts writes back to the same text in upper
// case; anything else leaves both halves 0.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/guid_forms.h"
#include "settings/value_errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::int64_t g1 = 1, g2 = 1;
  try {
    tir::gGetGUIDSFromSTR(text, g1, g2);
  } catch (const tir::EConvertError&) {
    if (g1 != 0 || g2 != 0) __builtin_trap();
    return 0;
  }
  if (g1 == 0 && g2 == 0) return 0;
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 32);
  }
  if (tir::gGetGUIDSTR(g1, g2) != upper) __builtin_trap();
  return 0;
}
