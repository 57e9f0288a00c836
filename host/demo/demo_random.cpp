#include "host/demo/demo_random.h"

#include <cmath>

namespace tir::demo {

std::uint64_t DemoRandom::Next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::uint64_t DemoRandom::Below(std::uint64_t n) { return n == 0 ? 0 : Next() % n; }

std::int64_t DemoRandom::Range(std::int64_t low, std::int64_t high) {
  if (high <= low) return low;
  return low + static_cast<std::int64_t>(Below(static_cast<std::uint64_t>(high - low) + 1));
}

double DemoRandom::Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

double DemoRandom::Real(double low, double high) { return low + (high - low) * Unit(); }

std::size_t DemoRandom::Skewed(std::size_t n) {
  if (n == 0) return 0;
  const double u = Unit();
  const auto index = static_cast<std::size_t>(u * u * static_cast<double>(n));
  return index < n ? index : n - 1;
}

std::pair<std::int64_t, std::int64_t> DemoRandom::Guid() {
  std::uint64_t a = 0, b = 0;
  while (a == 0) a = Next();
  while (b == 0) b = Next();
  return {static_cast<std::int64_t>(a), static_cast<std::int64_t>(b)};
}

}  // namespace tir::demo
