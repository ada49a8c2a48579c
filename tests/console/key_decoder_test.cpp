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

TEST(KeyDecoder, LoneEscapeWaitsForQuietAndALateRestIsNotEscape) {
  KeyDecoder decoder;
  decoder.feed("\x1b", 1);
  EXPECT_TRUE(decoder.waitingForMore());
  EXPECT_FALSE(decoder.takeEscape());  // not yet: a sequence may follow
  decoder.feed("[B", 2);               // the late rest of an arrow key
  EXPECT_FALSE(decoder.waitingForMore());
  EXPECT_FALSE(decoder.takeEscape());

  decoder.feed("\x1b", 1);
  decoder.quiet();  // nothing followed within the wait
  EXPECT_TRUE(decoder.takeEscape());
  EXPECT_FALSE(decoder.takeEscape());  // taken once
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
