// The program's one pseudo-random generator: a 32-bit linear congruential
// generator. Pictures must come out the same for the same project, so the seed
// is never taken from the clock and every draw is accounted for.
#pragma once

#include <cstdint>

namespace plumavo {

class TRandomGenerator {
 public:
  static constexpr uint32_t kMultiplier = 134775813u;  // 0x08088405

  uint32_t Seed = 0;

  void Step() { Seed = Seed * kMultiplier + 1u; }

  // 0 .. n-1: the high half of the 64-bit product of the new seed and n.
  uint32_t Random(uint32_t n) {
    Step();
    return uint32_t((uint64_t(Seed) * n) >> 32);
  }

  // Seed / 2^32 rounded to single precision, 0 <= r <= 1. Converting the seed
  // first and then scaling by a power of two rounds exactly once, so this is the
  // nearest single to the exact quotient (which can round up to 1.0 for seeds
  // just below 2^32).
  float RandomFloat() {
    Step();
    return float(Seed) * 0x1p-32f;
  }
};

}  // namespace plumavo
