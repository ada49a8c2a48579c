// ClientBuffers, the buffer objects of an OpenGL without them: names, binding, stores, offsets
// turned into addresses, and the refusals that keep a bad call from writing outside a store.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>

#include "gles/client_buffers.h"

namespace glimmer {
namespace {

constexpr unsigned kArray = ClientBuffers::kArrayBuffer;
constexpr unsigned kElements = ClientBuffers::kElementArrayBuffer;

TEST(ClientBuffers, NamesAreUniqueAndBecomeBuffersWhenBound) {
  ClientBuffers buffers;
  unsigned names[4] = {};
  buffers.generate(4, names);
  std::set<unsigned> distinct(names, names + 4);
  EXPECT_EQ(distinct.size(), 4u);
  EXPECT_EQ(distinct.count(0u), 0u);
  EXPECT_FALSE(buffers.isBuffer(names[0]));
  ASSERT_TRUE(buffers.bind(kArray, names[0]));
  EXPECT_TRUE(buffers.isBuffer(names[0]));
  EXPECT_EQ(buffers.bound(kArray), names[0]);
  EXPECT_EQ(buffers.bound(kElements), 0u);
  EXPECT_FALSE(buffers.bind(0x1234, names[1]));  // not a buffer target
  EXPECT_FALSE(buffers.isBuffer(0));
}

TEST(ClientBuffers, StoresDataAndResolvesOffsetsIntoIt) {
  ClientBuffers buffers;
  unsigned name = 0;
  buffers.generate(1, &name);
  const float vertices[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_FALSE(buffers.data(kArray, sizeof vertices, vertices));  // nothing bound yet
  buffers.bind(kArray, name);
  ASSERT_TRUE(buffers.data(kArray, sizeof vertices, vertices));
  EXPECT_EQ(buffers.size(kArray), sizeof vertices);

  const auto* second =
      static_cast<const float*>(buffers.resolve(kArray, reinterpret_cast<const void*>(3 * sizeof(float))));
  EXPECT_EQ(second[0], 4.0f);
  // The store is a copy: the caller's array may go away.
  const auto* first = static_cast<const float*>(buffers.resolve(kArray, nullptr));
  EXPECT_NE(first, vertices);
  EXPECT_EQ(first[0], 1.0f);

  // With nothing bound a pointer is an address and passes through.
  buffers.bind(kArray, 0);
  EXPECT_EQ(buffers.resolve(kArray, vertices), vertices);
  EXPECT_EQ(buffers.size(kArray), 0u);

  // Without data the store is zeros of the size asked for.
  buffers.bind(kElements, name + 1);
  ASSERT_TRUE(buffers.data(kElements, 8, nullptr));
  const auto* zeros = static_cast<const std::uint8_t*>(buffers.resolve(kElements, nullptr));
  EXPECT_EQ(zeros[0] + zeros[7], 0);
}

TEST(ClientBuffers, SubDataWritesInsideTheStoreOnly) {
  ClientBuffers buffers;
  unsigned name = 0;
  buffers.generate(1, &name);
  buffers.bind(kArray, name);
  const std::uint8_t zeros[8] = {};
  buffers.data(kArray, sizeof zeros, zeros);
  const std::uint8_t bytes[4] = {1, 2, 3, 4};
  EXPECT_TRUE(buffers.subData(kArray, 4, 4, bytes));              // exactly to the end
  EXPECT_FALSE(buffers.subData(kArray, 5, 4, bytes));             // one past the end
  EXPECT_FALSE(buffers.subData(kArray, SIZE_MAX - 1, 4, bytes));  // an offset that wraps
  const auto* store = static_cast<const std::uint8_t*>(buffers.resolve(kArray, nullptr));
  EXPECT_EQ(std::memcmp(store, "\0\0\0\0\1\2\3\4", 8), 0);
  buffers.bind(kArray, 0);
  EXPECT_FALSE(buffers.subData(kArray, 0, 1, bytes));
}

TEST(ClientBuffers, DeletingUnbindsAndFreesTheName) {
  ClientBuffers buffers;
  unsigned names[2] = {};
  buffers.generate(2, names);
  buffers.bind(kArray, names[0]);
  buffers.bind(kElements, names[1]);
  const unsigned doomed[3] = {names[0], 0, 999};  // 0 and unknown names are ignored
  buffers.remove(3, doomed);
  EXPECT_FALSE(buffers.isBuffer(names[0]));
  EXPECT_EQ(buffers.bound(kArray), 0u);
  EXPECT_EQ(buffers.bound(kElements), names[1]);
  EXPECT_TRUE(buffers.isBuffer(names[1]));
}

}  // namespace
}  // namespace glimmer
