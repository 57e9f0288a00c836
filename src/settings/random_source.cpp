#include "settings/random_source.h"

#include <chrono>
#include <mutex>
#include <random>

namespace tir {

namespace {

std::mutex& RandomMutex() {
  static std::mutex mutex;
  return mutex;
}

std::uint64_t FreshSeed() {
  std::random_device device;
  const auto ticks = static_cast<std::uint64_t>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count());
  return (static_cast<std::uint64_t>(device()) << 32) ^ device() ^ ticks;
}

std::mt19937_64& Generator() {
  static std::mt19937_64 generator(FreshSeed());
  return generator;
}

}  // namespace

void gRandomize() {
  std::lock_guard<std::mutex> lock(RandomMutex());
  Generator().seed(FreshSeed());
}

std::int64_t gRandom(std::int64_t aRange) {
  if (aRange <= 0) return 0;
  std::lock_guard<std::mutex> lock(RandomMutex());
  std::uniform_int_distribution<std::int64_t> dist(0, aRange - 1);
  return dist(Generator());
}

std::uint64_t gRandom64() {
  std::lock_guard<std::mutex> lock(RandomMutex());
  return Generator()();
}

}  // namespace tir
