#include "host/demo/demo_context.h"

namespace tir::demo {

std::pair<std::int64_t, std::int64_t> DemoContext::NewGuid() {
  if (random.Chance(0.04)) return {0, 0};
  return random.Guid();
}

}  // namespace tir::demo
