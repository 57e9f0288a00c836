#pragma once

#include <cstdint>

namespace tir {

// The module's process-wide random generator (GUIDs, scrambling keys). Seeded from the clock and
// the system's entropy on first use; gRandomize reseeds it (module start).
void gRandomize();
// A uniformly distributed integer in [0, aRange); 0 when aRange <= 0.
std::int64_t gRandom(std::int64_t aRange);
std::uint64_t gRandom64();

}  // namespace tir
