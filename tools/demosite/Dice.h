#pragma once

#include <cstdint>
#include <span>

namespace demosite {

// A small deterministic random source: the same seed always gives the same sequence, so every
// page and file of the demo site can be made again from its address alone.
class Dice {
 public:
  explicit Dice(std::uint64_t seed) : state_(seed) {}
  // Seeded from a number and a word that keeps different uses of the same number apart.
  Dice(std::uint64_t number, std::uint64_t salt) : state_(number * 0x9E3779B97F4A7C15ull ^ salt) {
    Next();
  }

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A number in [0, n); 0 when n < 1.
  int Below(int n) { return n < 1 ? 0 : static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  // A number in [low, high].
  int Between(int low, int high) { return low + Below(high - low + 1); }
  // A number in [0, 1).
  double Fraction() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
  // One of `items`, which must not be empty.
  template <typename T>
  const T& Pick(std::span<const T> items) {
    return items[static_cast<std::size_t>(Below(static_cast<int>(items.size())))];
  }

 private:
  std::uint64_t state_;
};

}  // namespace demosite
