// The program's random generator: the classic linear congruential generator
// whose values are 0 ... 32767, so that a run seeded with the same second
// makes the same choices as every earlier version of the program did.
#pragma once

#include <cstdint>

namespace zn {

class Random {
 public:
  static constexpr int kMax = 32767;

  void seed(std::uint32_t s) { state_ = s; }
  std::uint32_t state() const { return state_; }

  // Next value 0 ... 32767: bits 16 ... 30 of the advanced state.
  int next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7fffu);
  }

  // One of k choices (0 ... k - 1): values above (32767 div k) x k are drawn
  // again, so the choice is uniform apart from that bound's own remainder.
  // k above 32767 leaves only the value 0, so choice 0; k below 1 gives 0.
  int choose(int k) {
    if (k <= 1) return 0;
    if (k > kMax) return 0;
    const int bound = (kMax / k) * k;
    int x = next();
    while (x > bound) x = next();
    return x % k;
  }

 private:
  std::uint32_t state_ = 1;
};

}  // namespace zn
