#include "framework/core/Random.h"

#include <random>
#include <utility>

namespace fw {
namespace {
uint64_t SplitMix(uint64_t& x) {
  uint64_t z = (x += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}
uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
}  // namespace

Random::Random() {
  std::random_device device;
  uint64_t seed = (static_cast<uint64_t>(device()) << 32) ^ device();
  Seed(seed);
}

Random::Random(uint64_t seed) { Seed(seed); }

void Random::Seed(uint64_t seed) {
  for (auto& s : state_) s = SplitMix(seed);
}

// xoshiro256**
uint64_t Random::Next() {
  const uint64_t result = Rotl(state_[1] * 5, 7) * 9;
  const uint64_t t = state_[1] << 17;
  state_[2] ^= state_[0];
  state_[3] ^= state_[1];
  state_[1] ^= state_[2];
  state_[0] ^= state_[3];
  state_[2] ^= t;
  state_[3] = Rotl(state_[3], 45);
  return result;
}

int64_t Random::InRange(int64_t low, int64_t high) {
  if (high < low) std::swap(low, high);
  // Span as unsigned; a span of 0 means the whole 64-bit range.
  const uint64_t span = static_cast<uint64_t>(high) - static_cast<uint64_t>(low) + 1u;
  if (span == 0) return static_cast<int64_t>(Next());
  // Rejection sampling keeps every value equally likely.
  const uint64_t limit = UINT64_MAX - (UINT64_MAX % span);
  uint64_t r;
  do {
    r = Next();
  } while (r >= limit);
  return static_cast<int64_t>(static_cast<uint64_t>(low) + r % span);
}

namespace System {
fw::Random& Random() {
  static fw::Random shared;
  return shared;
}
}  // namespace System

}  // namespace fw
