// Where the show's generator stands, seen from outside: a generator at a given state makes a
// known sequence of draws, so the next draws tell the state (they are consumed by the check).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "base/random.h"

namespace glimmer::testing {

inline ::testing::AssertionResult generatorStandsAt(std::uint32_t state) {
  for (int draw = 0; draw < 4; ++draw) {
    state = state * 214013u + 2531011u;
    const int expected = static_cast<int>((state >> 16) & 0x7FFFu);
    const int drawn = rand();
    if (drawn != expected) {
      return ::testing::AssertionFailure() << "draw " << draw << " is " << drawn << ", not " << expected;
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace glimmer::testing
