#include "demo/random.h"

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
      {0, {38, 7719, 21238}},
  };
  for (const Case& c : cases) {
    srand(c.seed);
    for (int value : c.expected) EXPECT_EQ(rand(), value) << "seed " << c.seed;
  }
}

TEST(Random, StaysInRangeAndWrapsTheState) {
  srand(0xFFFFFFFFu);
  for (int i = 0; i < 10000; ++i) {
    int value = rand();
    ASSERT_GE(value, 0);
    ASSERT_LE(value, 32767);
  }
}

}  // namespace
}  // namespace glimmer
