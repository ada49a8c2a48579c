// Reading a display's answers to the set-up questions out of what comes back on the keyboard side,
// with keys typed meanwhile kept for the key decoder.
#include "console/display_answers.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace glimmer {
namespace {

struct Read {
  DisplayAnswers answers;
  std::string keys;
};

// Feeds the bytes in pieces of the given size, then ends the input.
Read read(const std::string& bytes, std::size_t piece = 1000) {
  Read result;
  AnswerReader reader;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    reader.feed(bytes.data() + at, std::min(piece, bytes.size() - at), result.answers, result.keys);
  }
  reader.finish(result.keys);
  return result;
}

TEST(DisplayAnswers, QuestionsEndWithTheDeviceAttributesRequest) {
  DisplayQuestions all;
  all.synchronizedOutput = all.palette = all.cellSize = true;
  const std::string asked = questionsFor(all);
  EXPECT_EQ(asked.rfind("\x1b[?2026$p", 0), 0u);
  EXPECT_NE(asked.find("\x1b]4;0;?\x07"), std::string::npos);
  EXPECT_NE(asked.find("\x1b]4;15;?\x07"), std::string::npos);
  EXPECT_NE(asked.find("\x1b[16t"), std::string::npos);
  EXPECT_EQ(asked.substr(asked.size() - 3), "\x1b[c");
  EXPECT_EQ(questionsFor(DisplayQuestions{}), "\x1b[c");
}

TEST(DisplayAnswers, SynchronizedOutputIsKnownOnlyWhenTheDisplaySaysSo) {
  struct Case {
    const char* answer;
    bool supported;
  };
  const Case cases[] = {
      {"\x1b[?2026;1$y", true},   // set
      {"\x1b[?2026;2$y", true},   // reset, but known
      {"\x1b[?2026;3$y", true},   // permanently set
      {"\x1b[?2026;4$y", false},  // permanently reset
      {"\x1b[?2026;0$y", false},  // not recognised
      {"\x1b[?2027;1$y", false},  // another mode
      {"", false},                // no answer at all
  };
  for (const Case& c : cases) {
    const Read result = read(std::string(c.answer) + "\x1b[?62;22c");
    EXPECT_EQ(result.answers.synchronizedOutput, c.supported) << c.answer;
    EXPECT_TRUE(result.answers.complete);
    EXPECT_EQ(result.keys, "") << c.answer;
  }
  EXPECT_FALSE(read("\x1b[?2026;1$y").answers.complete) << "no end marker: the wait runs out";
}

TEST(DisplayAnswers, PaletteEntriesInEveryWidthWithEitherTerminatorAndInPieces) {
  const std::string answers =
      "\x1b]4;1;rgb:8080/0000/0000\x07"  // 16-bit channels, BEL
      "\x1b]4;9;rgb:ff/00/00\x1b\\"      // 8-bit channels, ST
      "\x1b]4;3;rgb:0/8/f\x07"           // 4-bit channels
      "\x1b]4;20;rgb:ff/ff/ff\x07"       // not one of the 16
      "\x1b]4;5;rgb:zz/00/00\x07"        // malformed
      "\x1b[?1;2c";
  for (std::size_t piece : {std::size_t{1000}, std::size_t{1}, std::size_t{7}}) {
    const Read result = read(answers, piece);
    std::vector<int> known;
    for (int entry = 0; entry < 16; ++entry) {
      if (result.answers.paletteKnown[entry]) known.push_back(entry);
    }
    EXPECT_EQ(known, (std::vector<int>{1, 3, 9}));
    EXPECT_EQ(std::to_array(result.answers.palette[1]), (std::array<std::int32_t, 3>{128, 0, 0}));
    EXPECT_EQ(std::to_array(result.answers.palette[9]), (std::array<std::int32_t, 3>{255, 0, 0}));
    EXPECT_EQ(std::to_array(result.answers.palette[3]), (std::array<std::int32_t, 3>{0, 136, 255}));  // 8 of 15
    EXPECT_TRUE(result.answers.complete);
    EXPECT_EQ(result.keys, "") << piece;
  }
}

TEST(DisplayAnswers, CellSizeAndKeysTypedMeanwhile) {
  const Read result = read(" \x1b[6;18;9t\x1b[A\x1b[?62c\x1b");
  EXPECT_EQ(result.answers.cellHeight, 18);
  EXPECT_EQ(result.answers.cellWidth, 9);
  EXPECT_TRUE(result.answers.complete);
  // Space, an arrow key and a lone Escape reach the key decoder as they came.
  EXPECT_EQ(result.keys, " \x1b[A\x1b");
}

}  // namespace
}  // namespace glimmer
