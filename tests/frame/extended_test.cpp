// The 10-byte x87 extended value of the boundary records (their offsets are pinned in the header).
#include <gtest/gtest.h>

#include "frame/extended.h"

namespace tir::frame {
namespace {

TEST(PacketsLayout, ExtendedKeepsTheX87ValueInTenBytes) {
  for (long double v : {0.0L, 1.0L, -2.5L, 1234567.125L, 1e-300L, 1e300L, 0.1L}) {
    const Extended e = Extended::From(v);
    EXPECT_EQ(e.Value(), v);
  }
  // 1.0 in x87 form: significand 0x8000000000000000, exponent 0x3FFF.
  const Extended one = Extended::From(1.0L);
  const unsigned char expected[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(one.bytes[i], expected[i]) << i;
}

}  // namespace
}  // namespace tir::frame
