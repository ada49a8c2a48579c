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
  EXPECT_NE(asked.find("\x1b[14t"), std::string::npos);
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

// The cell size as reported; else from the window size's pixel fields; else from the text area
// (VTE fills neither of the others: 1485x972 pixels for 165x54 cells); each divided by the cells.
TEST(DisplayAnswers, CellSizeComesFromTheBestSourceThereIs) {
  struct Case {
    const char* name;
    int reportedWidth, reportedHeight, textWidth, textHeight, windowWidth, windowHeight;
    int width, height;
  };
  const Case cases[] = {
      {"reported", 9, 18, 1650, 1080, 1320, 1080, 9, 18},
      {"window size", 0, 0, 1650, 1080, 1320, 1080, 8, 20},
      {"text area", 0, 0, 1485, 972, 0, 0, 9, 18},
      {"text area, window half filled in", 0, 0, 1485, 972, 1320, 0, 9, 18},
      {"nothing", 0, 0, 0, 0, 0, 0, 0, 0},
      {"a text area smaller than the cells", 0, 0, 100, 40, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    DisplayAnswers answers;
    answers.cellWidth = c.reportedWidth;
    answers.cellHeight = c.reportedHeight;
    answers.textAreaWidth = c.textWidth;
    answers.textAreaHeight = c.textHeight;
    cellSizeFrom(answers, 165, 54, c.windowWidth, c.windowHeight);
    EXPECT_EQ(answers.cellWidth, c.width) << c.name;
    EXPECT_EQ(answers.cellHeight, c.height) << c.name;
  }
  DisplayAnswers unknownWindow;
  unknownWindow.textAreaWidth = 1485;
  unknownWindow.textAreaHeight = 972;
  cellSizeFrom(unknownWindow, 0, 0, 0, 0);
  EXPECT_EQ(unknownWindow.cellWidth, 0) << "no division by zero cells";
}

// Answers are read, and never reach the key decoder, recognised or not, whole or cut short; keys
// around them do, whichever way the stream is split. A pause (quiet) between pieces is harmless
// except right after an answer's first byte, which cannot be told from the Escape key.
TEST(DisplayAnswers, AnswersNeverBecomeKeysHoweverTheyArriveAndKeysAroundThemCount) {
  const std::string stream = std::string(" ") + "\x1b[?2026;2$y" + "\x1b]4;3;rgb:1234/5678/9abc\x1b\\"  // ST
                             + "\x1b[A"                                                                 // an arrow key
                             + "\x1b[6;18;9t"                                                           // the cell size
                             + "\x1b[8;50;80t"                   // a window report not asked for
                             + "\x1b[?1;2$y"                     // another mode's report
                             + "\x1b[>41;390;0c"                 // secondary device attributes
                             + "\x1b]11;rgb:0000/0000/0000\x07"  // another OSC answer
                             + "\x1b\x1b[B"                      // Escape, then an arrow key
                             + "\x1b[4;972;1485t" + " " + "\x1b[?62;22c";
  for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}, stream.size()}) {
    AnswerReader reader;
    DisplayAnswers answers;
    std::string keys;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
      reader.feed(stream.data() + at, std::min(piece, stream.size() - at), answers, keys);
      if (!reader.holdsEscape()) reader.quiet(keys);
    }
    reader.finish(keys);
    EXPECT_EQ(keys, " \x1b[A\x1b\x1b[B ") << "pieces of " << piece;
    EXPECT_TRUE(answers.synchronizedOutput);
    EXPECT_TRUE(answers.paletteKnown[3]);
    EXPECT_EQ(std::to_array(answers.palette[3]), (std::array<std::int32_t, 3>{18, 86, 154}));
    EXPECT_EQ((std::array{answers.cellWidth, answers.cellHeight, answers.textAreaWidth, answers.textAreaHeight}),
              (std::array{9, 18, 1485, 972}));
    EXPECT_TRUE(answers.complete);
  }
}

// A sequence cut short is dropped whole, and the byte that cut it is read afresh: a key typed into
// an answer the terminal never finished still counts, and a lone ESC held at the end is Escape.
TEST(DisplayAnswers, CutAndOverlongSequencesAreDroppedAndWhatCutThemCounts) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string keys;
  };
  const Case cases[] = {
      {"OSC cut by Space", "\x1b]4;1;rgb:ff ", " "},
      {"OSC cut by ESC and a key sequence", "\x1b]4;1;rgb\x1b[C", "\x1b[C"},
      {"control sequence cut by Space", "\x1b[?2026 ", " "},
      {"control sequence cut by a control character", "\x1b[6;1\r", "\r"},
      {"OSC cut at the end", "\x1b]4;1;rgb:ff/00", ""},
      {"control sequence cut at the end", "\x1b[?62;", ""},
      {"lone ESC at the end", "\x1b", "\x1b"},
      {"ESC ESC", "\x1b\x1b", "\x1b\x1b"},
      {"an Alt combination and Escape with Space", "\x1bx\x1b ", "\x1bx\x1b "},
      {"SS3 arrow", "\x1bOA", "\x1bOA"},
      {"overlong OSC, then Space", "\x1b]4;1;" + std::string(200, 'f') + "\x07 ", " "},
      {"overlong control sequence, then Space", "\x1b[" + std::string(200, '1') + "t ", " "},
      {"8-bit bytes pass as keys", "\xc3\xa9", "\xc3\xa9"},
  };
  for (const Case& c : cases) {
    const Read result = read(c.bytes);
    EXPECT_EQ(result.keys, c.keys) << c.name;
    EXPECT_FALSE(result.answers.paletteKnown[1]) << c.name;
  }
}

// Numbers out of range or malformed answers change nothing.
TEST(DisplayAnswers, MalformedAnswersAreIgnored) {
  const Read result = read(
      "\x1b[6;0;9t"                          // a zero height
      "\x1b[6;99999999999999999999;9t"       // a height beyond any int
      "\x1b[6;18t"                           // too few parameters
      "\x1b]4;99999999999;rgb:ff/ff/ff\x07"  // an entry beyond any int
      "\x1b]4;2;rgb:ff/ff\x07"               // two channels
      "\x1b]4;2;rgb:ff/ff/ff/ff\x07"         // four channels
      "\x1b]4;2;rgb:fffff/ff/ff\x07"         // five digits
      "\x1b]4;;rgb:ff/ff/ff\x07"             // no entry number
      "\x1b[?2026:1;1$y");                   // a sub-parameter
  EXPECT_EQ(result.answers.cellWidth, 9) << "the largest number is held, not wrapped";
  EXPECT_EQ(result.answers.cellHeight, 99999);
  for (bool known : result.answers.paletteKnown) EXPECT_FALSE(known);
  EXPECT_FALSE(result.answers.synchronizedOutput);
  EXPECT_EQ(result.keys, "");
}

}  // namespace
}  // namespace glimmer
