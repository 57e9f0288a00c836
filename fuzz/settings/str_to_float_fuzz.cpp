// TirStrToFloat on arbitrary text with the digit count from the first byte, then the text forms.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/number_forms.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int digits = static_cast<int>(static_cast<std::int8_t>(data[0])) % 20;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const long double value = tir::TirStrToFloat(text, digits, u',');
  if (std::isnan(value)) __builtin_trap();  // a clean text is always a number
  (void)tir::gStrToInteger(text);
  (void)tir::gIsInteger(text);
  (void)tir::gIsNoFrac(text);
  const std::string shown = tir::FloatToStringPrice(digits, u',', value);
  // The shown text reads back to the same rounded value (grouping and separator are dropped).
  if (std::isfinite(value) && digits >= 0 && digits <= 8 && std::fabs(value) < 1e15L) {
    const long double back = tir::TirStrToFloat(shown, digits, u',');
    if (std::fabs(back - value) > std::fabs(value) * 1e-15L + 1e-12L) __builtin_trap();
  }
  return 0;
}
