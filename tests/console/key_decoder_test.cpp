#include "console/key_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace glimmer {
namespace {

constexpr Key kKeys[] = {Key::Space, Key::Escape, Key::Q, Key::Left, Key::Right};
const char* const kKeyNames[] = {"Space", "Escape", "q", "Left", "Right"};

// The keys a stream of reads gives, fed as the terminal feeds it (quiet() once at the end), in the
// order of kKeys.
std::vector<Key> keysOf(std::initializer_list<std::string> chunks) {
  KeyDecoder decoder;
  for (const std::string& chunk : chunks) decoder.feed(chunk.data(), chunk.size());
  decoder.quiet();
  std::vector<Key> keys;
  for (Key key : kKeys) {
    if (decoder.take(key)) keys.push_back(key);
  }
  return keys;
}

std::string namesOf(const std::vector<Key>& keys) {
  std::string names;
  for (Key key : keys) names += std::string(names.empty() ? "" : " ") + kKeyNames[static_cast<int>(key)];
  return names.empty() ? "none" : names;
}

TEST(KeyDecoder, LoneEscapeWaitsForQuietAndALateRestIsNotEscape) {
  KeyDecoder decoder;
  decoder.feed("\x1b", 1);
  EXPECT_TRUE(decoder.waitingForMore());
  EXPECT_FALSE(decoder.takeEscape());  // not yet: a sequence may follow
  decoder.feed("[B", 2);               // the late rest of an arrow key
  EXPECT_FALSE(decoder.waitingForMore());
  EXPECT_FALSE(decoder.takeEscape());
  decoder.feed("\x1b[15~", 5);
  EXPECT_FALSE(decoder.waitingForMore()) << "a sequence ending in '~' (Insert, Page Up, F5 and up) is over";

  decoder.feed("\x1b", 1);
  decoder.quiet();  // nothing followed within the wait
  EXPECT_TRUE(decoder.takeEscape());
  EXPECT_FALSE(decoder.takeEscape());  // taken once
}

// Each of the show's keys, alone and as terminals send it: q in either case, the arrows in their
// normal (CSI) and application cursor (SS3) forms, with modifiers or without, and split across reads.
TEST(KeyDecoder, EachKeyAsTerminalsSendIt) {
  struct Case {
    const char* name;
    std::initializer_list<std::string> chunks;
    std::vector<Key> keys;
  };
  const Case cases[] = {
      {"space", {" "}, {Key::Space}},
      {"escape", {"\x1b"}, {Key::Escape}},
      {"q", {"q"}, {Key::Q}},
      {"Q (Shift, or Caps Lock)", {"Q"}, {Key::Q}},
      {"left, CSI", {"\x1b[D"}, {Key::Left}},
      {"right, CSI", {"\x1b[C"}, {Key::Right}},
      {"left, SS3 (application cursor keys)", {"\x1bOD"}, {Key::Left}},
      {"right, SS3", {"\x1bOC"}, {Key::Right}},
      {"shift-right, CSI 1;2C", {"\x1b[1;2C"}, {Key::Right}},
      {"ctrl-left, CSI 1;5D", {"\x1b[1;5D"}, {Key::Left}},
      {"right split in three reads", {"\x1b", "[", "C"}, {Key::Right}},
      {"up split", {"\x1b[", "A"}, {}},
      {"left, SS3 split", {"\x1bO", "D"}, {Key::Left}},
      {"every key in one read", {"q \x1b[D\x1bOC\x1b"}, {Key::Space, Key::Escape, Key::Q, Key::Left, Key::Right}},
      {"up and down are no keys of the show", {"\x1b[A\x1bOB\x1b[1;5A"}, {}},
      {"other letters", {"wasdQx"}, {Key::Q}},
      {"alt-q is not q, nor escape", {"\x1bq"}, {}},
      {"escape, then q", {"\x1b\x1bq"}, {Key::Escape}},
      {"escape, then an arrow", {"\x1b\x1b[A"}, {Key::Escape}},
      {"escape and space in one read", {"\x1b "}, {Key::Space, Key::Escape}},
      {"page up, then space", {"\x1b[5~", " "}, {Key::Space}},
      {"delete, then escape", {"\x1b[3~\x1b"}, {Key::Escape}},
      {"F5 and space in one read", {"\x1b[15~ "}, {Key::Space}},
      {"page down and insert are no keys", {"\x1b[6~\x1b[2~"}, {}},
      {"a private-marker report ending in C is no arrow", {"\x1b[?1;2C\x1b[>0;1D"}, {}},
      {"intermediate bytes make it another sequence", {"\x1b[1 D"}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(namesOf(keysOf(c.chunks)), namesOf(c.keys)) << c.name;
}

// A terminal's answers that come late (a palette entry, a title, a status report) are strings and
// sequences: the q, blanks and escapes inside them are none of the show's keys.
TEST(KeyDecoder, StringsAndReportsAreNoKeysWhateverTheyHold) {
  EXPECT_EQ(namesOf(keysOf({"\x1b]4;1;rgb:1111/2222/3333\x07"})), "none");
  EXPECT_EQ(namesOf(keysOf({"\x1b]l quiet title q\x1b\\"})), "none") << "OSC ended by ST";
  EXPECT_EQ(namesOf(keysOf({"\x1bP1$r2 q\x1b\\"})), "none") << "DCS";
  EXPECT_EQ(namesOf(keysOf({"\x1b_ q \x1b\\", "\x1b^q\x07"})), "none") << "APC, PM";
  EXPECT_EQ(namesOf(keysOf({"\x1b]11;rgb:", "0000/0000/0000\x1b", "\\"})), "none") << "split across reads";
  EXPECT_EQ(namesOf(keysOf({"\x1b[?2026;2$y\x1b[?62;22c\x1b[6;19;9t"})), "none");
  // After the string, keys count again.
  EXPECT_EQ(namesOf(keysOf({"\x1b]4;1;rgb:11/22/33\x07q \x1b[C"})), "Space q Right");
  // A string or sequence cut short is dropped once the input goes quiet, and what follows counts.
  for (const std::string cut : {"\x1b]4;1;rg", "\x1b[1;"}) {
    KeyDecoder decoder;
    decoder.feed(cut.data(), cut.size());
    EXPECT_TRUE(decoder.waitingForMore());
    decoder.quiet();
    decoder.feed("q ", 2);
    EXPECT_TRUE(decoder.take(Key::Q));
    EXPECT_TRUE(decoder.takeSpace());
    EXPECT_FALSE(decoder.takeEscape());
  }
}

// A take clears only its own key: the others wait for theirs.
TEST(KeyDecoder, ATakeClearsOnlyItsKey) {
  KeyDecoder decoder;
  decoder.feed("q\x1b[D", 4);
  EXPECT_TRUE(decoder.take(Key::Left));
  EXPECT_FALSE(decoder.take(Key::Left));
  EXPECT_TRUE(decoder.take(Key::Q));
  EXPECT_FALSE(decoder.take(Key::Right));
}

}  // namespace
}  // namespace glimmer
