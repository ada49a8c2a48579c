#include "console/key_decoder.h"

#include <gtest/gtest.h>

#include <string>

namespace glimmer {
namespace {

TEST(KeyDecoder, FindsSpaceAndEscapeAndIgnoresSequences) {
  struct Case {
    const char* name;
    std::initializer_list<std::string> chunks;
    bool space;
    bool escape;
  };
  const Case cases[] = {
      {"space", {" "}, true, false},
      {"lone escape", {"\x1b"}, false, true},
      {"escape and space in one read", {"\x1b "}, true, true},
      {"arrow up", {"\x1b[A"}, false, false},
      {"arrow split across reads", {"\x1b[", "A"}, false, false},
  };
  for (const Case& c : cases) {
    KeyDecoder decoder;
    for (const std::string& chunk : c.chunks) decoder.feed(chunk.data(), chunk.size());
    decoder.quiet();
    EXPECT_EQ(decoder.takeSpace(), c.space) << c.name;
    EXPECT_EQ(decoder.takeEscape(), c.escape) << c.name;
  }
}

TEST(KeyDecoder, CutSequenceIsDroppedOnQuiet) {
  KeyDecoder decoder;
  decoder.feed("\x1b[1;", 4);
  decoder.quiet();
  decoder.feed(" ", 1);
  EXPECT_TRUE(decoder.takeSpace());
  EXPECT_FALSE(decoder.takeEscape());
}

}  // namespace
}  // namespace glimmer
