#include "app/command_line.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace glimmer {
namespace {

CommandLine parse(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "glimmerfolding");
  return parseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

TEST(CommandLine, NoArgumentsIsTheShowItself) {
  CommandLine command = parse({});
  EXPECT_EQ(command.action, CommandLine::Action::Show);
  EXPECT_FALSE(command.mute);
  EXPECT_EQ(command.display.colors, ColorChoice::Auto);
  EXPECT_EQ(command.display.grid, GridChoice::Auto);
}

TEST(CommandLine, RecordingOptions) {
  CommandLine command = parse({"--record", "out.cast", "--fps", "30", "--from", "1000", "--to", "2500",
                               "--colors", "truecolor"});
  ASSERT_EQ(command.action, CommandLine::Action::Record) << command.error;
  EXPECT_EQ(command.output, "out.cast");
  EXPECT_EQ((std::array{command.framesPerSecond, command.fromMs, command.toMs}), (std::array{30, 1000, 2500}));
  EXPECT_EQ(command.display.colors, ColorChoice::TrueColor);

  command = parse({"--mute", "--colors", "16", "--fps", "25"});
  EXPECT_EQ(command.action, CommandLine::Action::Show) << command.error;
  EXPECT_TRUE(command.mute);
  EXPECT_EQ(command.display.colors, ColorChoice::Ansi16);
  EXPECT_EQ(command.framesPerSecond, 25);  // the live show's pace
  EXPECT_EQ(parse({}).framesPerSecond, 60);
  EXPECT_EQ(parse({"--fps", "1"}).framesPerSecond, 1);  // both ends of 1 to 1000
  EXPECT_EQ(parse({"--fps", "1000"}).framesPerSecond, 1000);
}

TEST(CommandLine, MistakesAreOneLineErrors) {
  const std::vector<std::vector<const char*>> mistakes = {
      {"--bogus"},
      {"--record"},
      {"--record", "a.cast", "--fps", "0"},
      {"--record", "a.cast", "--from", "2000", "--to", "1000"},
      {"--record", "a.cast", "--from", "1000", "--to", "1000"},  // nothing to record
      {"--from", "30"},  // recording options without --record
      {"--fps", "1001"},
      {"--colors", "256"},
  };
  for (const auto& arguments : mistakes) {
    CommandLine command = parse(arguments);
    EXPECT_EQ(command.action, CommandLine::Action::Error) << arguments.front();
    EXPECT_FALSE(command.error.empty());
    EXPECT_EQ(command.error.find('\n'), std::string::npos);
  }
}

}  // namespace
}  // namespace glimmer
