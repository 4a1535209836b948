// A small fixed generator for the benchmarks, so every run measures the same
// bytes.
#pragma once

#include <cstdint>

namespace hoard::bench {

struct Random {
  uint64_t state = 0x9E3779B97F4A7C15u;
  uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<uint32_t>(state >> 16);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
};

}  // namespace hoard::bench
