#include "app/command_line.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>
#include <vector>

namespace glimmer {
namespace {

CommandLine parse(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "glimmerfolding");
  return parseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

TEST(CommandLine, NoArgumentsIsTheShowItself) {
  const CommandLine command = parse({});
  EXPECT_EQ(command.action, CommandLine::Action::Show);
  EXPECT_FALSE(command.mute);
  EXPECT_FALSE(command.loop);
  EXPECT_EQ((std::array{command.framesPerSecond, command.fromMs}), (std::array{60, 0}));
  EXPECT_EQ(command.display.colors, ColorChoice::Auto);
  EXPECT_EQ(command.display.grid, GridChoice::Auto);
  EXPECT_EQ(command.display.look, Look::TextMode);
}

// Every value follows its option as the next argument or after an equals sign; the live show takes
// --mute, --colors and --fps too.
TEST(CommandLine, OptionsTakeTheirValuesEitherWay) {
  const CommandLine spaced = parse({"--record", "show.webm", "--fps", "30", "--from", "1000", "--to", "2500",
                                    "--colors", "truecolor", "--grid", "wide", "--look", "pixels", "--scale", "6"});
  const CommandLine joined = parse({"--record=show.webm", "--fps=30", "--from=1000", "--to=2500", "--colors=truecolor",
                                    "--grid=wide", "--look=pixels", "--scale=6"});
  for (const CommandLine& command : {spaced, joined}) {
    ASSERT_EQ(command.action, CommandLine::Action::Record) << command.error;
    EXPECT_EQ(command.output, "show.webm");
    EXPECT_EQ((std::array{command.framesPerSecond, command.fromMs, command.toMs, command.scale}),
              (std::array{30, 1000, 2500, 6}));
    EXPECT_EQ(command.display.colors, ColorChoice::TrueColor);
    EXPECT_EQ(command.display.grid, GridChoice::Wide);
    EXPECT_EQ(command.display.look, Look::Pixels);
  }
  EXPECT_EQ(parse({"--record", "frames/"}).scale, 1);
  EXPECT_EQ(parse({"--colors=terminal"}).display.colors, ColorChoice::Terminal);
  EXPECT_EQ(parse({"--look", "textmode"}).display.look, Look::TextMode);
  EXPECT_EQ(parse({"--record=a=b.cast"}).output, "a=b.cast") << "only the first '=' splits";
  // Past what an int holds is past the show: the recording says its range.
  EXPECT_EQ(parse({"--record", "a.cast", "--to", "99999999999999999999999"}).toMs, INT_MAX);

  const CommandLine live = parse({"--mute", "--colors", "16", "--fps", "25"});
  EXPECT_EQ(live.action, CommandLine::Action::Show) << live.error;
  EXPECT_TRUE(live.mute);
  EXPECT_EQ(live.display.colors, ColorChoice::Ansi16);
  EXPECT_EQ(live.framesPerSecond, 25);                  // the live show's pace
  EXPECT_EQ(parse({"--fps", "1"}).framesPerSecond, 1);  // both ends of 1 to 1000
  EXPECT_EQ(parse({"--fps", "1000"}).framesPerSecond, 1000);
  EXPECT_EQ(parse({"--mute", "--version"}).action, CommandLine::Action::Version);
}

// The output's name says its kind; a name that says none is refused with the kinds listed, so a
// mistyped extension never becomes a folder of pictures.
TEST(CommandLine, RecordingNamesMustSayWhatTheyAre) {
  for (const char* name : {"show.cast", "show.html", "show.mp4", "SHOW.MP4", "show.webm", "show.mkv", "frames/",
                           "frames\\", "/tmp/a b/show.cast"}) {
    EXPECT_EQ(parse({"--record", name}).action, CommandLine::Action::Record) << name;
  }
  for (const char* name : {"show.mp5", "show.gif", "frames", "show.cast.bak", ".cast"}) {
    const CommandLine command = parse({"--record", name});
    ASSERT_EQ(command.action, CommandLine::Action::Error) << name;
    EXPECT_EQ(command.error, std::string("--record ") + name +
                                 ": unknown kind of output; name it NAME.cast (an asciicast), NAME.html (a web page), "
                                 "NAME.mp4, NAME.webm or NAME.mkv (a video) or NAME/ (a folder of PNG frames)");
  }
}

TEST(CommandLine, MistakesAreOneLineErrors) {
  struct Mistake {
    std::vector<const char*> arguments;
    const char* error;
  };
  const Mistake mistakes[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"--bogus=1"}, "unknown option '--bogus'"},
      {{"--mute=yes"}, "option --mute takes no value"},
      {{"--record"}, "option --record needs a value"},
      {{"--record="}, "--record needs a file or folder name"},
      {{"--record", "a.cast", "--fps", "0"}, "bad --fps value '0' (frames per second, 1 to 1000)"},
      {{"--fps=1001"}, "bad --fps value '1001' (frames per second, 1 to 1000)"},
      {{"--fps="}, "bad --fps value '' (frames per second, 1 to 1000)"},
      {{"--fps", "30fps"}, "bad --fps value '30fps' (frames per second, 1 to 1000)"},
      {{"--from", "84000ms"}, "bad --from value '84000ms' (a whole number of milliseconds, 0 or more)"},
      {{"--record", "a.cast", "--from", "-5"}, "bad --from value '-5' (a whole number of milliseconds, 0 or more)"},
      {{"--record", "a.cast", "--to", "1.5"}, "bad --to value '1.5' (a whole number of milliseconds, 1 or more)"},
      {{"--record", "a.cast", "--from", "2000", "--to", "1000"}, "--to must come after --from"},
      {{"--record", "a.cast", "--from", "1000", "--to", "1000"}, "--to must come after --from"},  // nothing to record
      {{"--to", "30"}, "--to goes with --record"},
      {{"--loop=yes"}, "option --loop takes no value"},
      {{"--record", "a.cast", "--loop"}, "--loop is for the live show, not for --record"},
      {{"--colors", "256"}, "bad --colors value '256' (auto, 16, truecolor or terminal)"},
      {{"--grid=square"}, "bad --grid value 'square' (classic, wide or auto)"},
      {{"--look", "ascii"}, "bad --look value 'ascii' (textmode or pixels)"},
      {{"--look"}, "option --look needs a value"},
      {{"--look", "pixels", "--grid", "classic"},
       "--look pixels draws 160x50 cells: --grid classic goes with the textmode look"},
  };
  for (const Mistake& mistake : mistakes) {
    const CommandLine command = parse(mistake.arguments);
    EXPECT_EQ(command.action, CommandLine::Action::Error) << mistake.arguments.front();
    EXPECT_EQ(command.error, mistake.error);
  }
}

// The live show starts at a moment (--from) and plays again and again (--loop); the recording's
// end (--to) stays the recording's.
TEST(CommandLine, TheLiveShowTakesFromAndLoop) {
  CommandLine command = parse({"--from", "84000"});
  ASSERT_EQ(command.action, CommandLine::Action::Show) << command.error;
  EXPECT_EQ(command.fromMs, 84000);
  EXPECT_FALSE(command.loop);
  command = parse({"--loop", "--from=150000"});
  ASSERT_EQ(command.action, CommandLine::Action::Show) << command.error;
  EXPECT_TRUE(command.loop);
  EXPECT_FALSE(command.mute) << "the show loops with its music";
  EXPECT_EQ(command.fromMs, 150000);
}

// The help's width is checked where the program prints it.
TEST(CommandLine, HelpNamesEveryOption) {
  const std::string help = usageText();
  for (const char* option :
       {"--mute", "--fps", "--colors", "--grid", "--look", "--record", "--from", "--loop", "--to", "--scale",
        "-h, --help", "-V, --version", "OUT.cast", "OUT.html", "OUT.mp4", "OUT/", "Exit status"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  // The keys of the show, as the help names them.
  for (const char* key : {"Space", "Escape", "Left and Right", "q"}) {
    EXPECT_NE(help.find(key), std::string::npos) << key;
  }
}

}  // namespace
}  // namespace glimmer
