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
      {"escape, then an arrow", {"\x1b\x1b[A"}, false, true},
  };
  for (const Case& c : cases) {
    KeyDecoder decoder;
    for (const std::string& chunk : c.chunks) decoder.feed(chunk.data(), chunk.size());
    decoder.quiet();
    EXPECT_EQ(decoder.takeSpace(), c.space) << c.name;
    EXPECT_EQ(decoder.takeEscape(), c.escape) << c.name;
  }
}

// Sequences that end in '~' (Insert, Delete, Page Up, Page Down, F5 and up) in one stream with the
// keys the show waits for: each sequence is over at its '~', so nothing is left waiting and what
// follows is read as keys again. The decoder is fed as the terminal feeds it: one decoder for the
// whole stream, quiet() only after a read that leaves it waiting.
TEST(KeyDecoder, KeysAfterSequencesEndingInTildeStillCount) {
  struct Read {
    const char* bytes;
    bool waiting;
    bool space;
    bool escape;
  };
  const Read reads[] = {
      {"\x1b[5~", false, false, false},  // Page Up
      {" ", false, true, false},
      {"\x1b[3~\x1b", true, false, true},  // Delete, then Escape alone
      {"\x1b[15~ ", false, true, false},   // F5 and Space in one read
      {"\x1b[6~\x1b[2~", false, false, false},
      {"\x1b", true, false, true},
  };
  KeyDecoder decoder;
  for (const Read& read : reads) {
    SCOPED_TRACE(read.bytes + 1);
    decoder.feed(read.bytes, std::string(read.bytes).size());
    EXPECT_EQ(decoder.waitingForMore(), read.waiting);
    if (decoder.waitingForMore()) decoder.quiet();
    EXPECT_EQ(decoder.takeSpace(), read.space);
    EXPECT_EQ(decoder.takeEscape(), read.escape);
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
