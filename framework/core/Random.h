#pragma once
#include <cstdint>

namespace fw {

// Uniform random integers. The process has one shared generator,
// System::Random(), seeded from the operating system on first use.
class Random {
 public:
  Random();                      // seeded from the operating system
  explicit Random(uint64_t seed);

  // An integer drawn uniformly from low to high, both included. With
  // high < low the bounds are swapped.
  int64_t InRange(int64_t low, int64_t high);

  // Restarts the sequence from a seed (tests use it to force a draw).
  void Seed(uint64_t seed);

 private:
  uint64_t Next();
  uint64_t state_[4];
};

namespace System {
// The process-wide generator, made on first use and the same ever after.
fw::Random& Random();
}  // namespace System

}  // namespace fw
