// gDateFromJSON on arbitrary text: every accepted text writes back to itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/date_forms.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double date = tir::gDateFromJSON(text);
  if (date == -1) return 0;
  if (tir::gDateToJSON(date) != text) __builtin_trap();
  return 0;
}
