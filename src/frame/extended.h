#pragma once

#include <cstdint>

namespace tir::frame {

// The 80-bit x87 extended-precision value as it is stored in packed records: 10 bytes, no padding.
// On x86 long double is the same format, so conversion copies the significant 10 bytes.
struct Extended {
  std::uint8_t bytes[10];

  static Extended From(long double value);
  long double Value() const;
};
static_assert(sizeof(Extended) == 10);

}  // namespace tir::frame
