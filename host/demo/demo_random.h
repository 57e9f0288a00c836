#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tir::demo {

// Deterministic pseudo-random numbers for the sample base (splitmix64): the same seed gives the
// same base on every machine and compiler, unlike the standard distributions.
class DemoRandom {
 public:
  explicit DemoRandom(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next();
  // Uniform in [0, n); 0 when n is 0.
  std::uint64_t Below(std::uint64_t n);
  // Uniform in [low, high].
  std::int64_t Range(std::int64_t low, std::int64_t high);
  // Uniform in [0, 1).
  double Unit();
  double Real(double low, double high);
  bool Chance(double probability) { return Unit() < probability; }
  // Index in [0, n) skewed towards small values (popular items come first).
  std::size_t Skewed(std::size_t n);

  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(items.size())];
  }

  // A GUID pair with both halves non-zero.
  std::pair<std::int64_t, std::int64_t> Guid();

 private:
  std::uint64_t state_;
};

}  // namespace tir::demo
