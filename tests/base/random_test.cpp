#include "base/random.h"

#include <gtest/gtest.h>

namespace glimmer {
namespace {

TEST(Random, SequencesMatchTheShowsRule) {
  struct Case {
    std::uint32_t seed;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {666, {2213, 22734, 23992, 5052, 29849}},
      {1, {41, 18467, 6334}},  // the state a program starts from when it never seeds
  };
  for (const Case& c : cases) {
    srand(c.seed);
    for (int value : c.expected) EXPECT_EQ(rand(), value) << "seed " << c.seed;
  }
}

}  // namespace
}  // namespace glimmer
