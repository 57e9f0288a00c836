#include "frame/extended.h"

#include <cstring>
#include <limits>

namespace tir::frame {

static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the x87 extended format");

Extended Extended::From(long double value) {
  Extended e{};
  std::memcpy(e.bytes, &value, sizeof(e.bytes));
  return e;
}

long double Extended::Value() const {
  long double value = 0.0L;
  std::memcpy(&value, bytes, sizeof(bytes));
  return value;
}

}  // namespace tir::frame
