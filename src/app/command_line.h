// The command line. Without arguments the program is the show itself; everything else is
// reached only through options.
#pragma once

#include <string>

#include "base/cell_buffer.h"
#include "base/display_choices.h"

namespace glimmer {

struct CommandLine {
  enum class Action { Show, Record, Help, Version, Error };
  Action action = Action::Show;
  std::string error;         // one line, for Action::Error
  std::string output;        // --record OUT
  int framesPerSecond = 60;  // --fps N, 1..1000
  int fromMs = 0;            // --from MS: where the show (or the recording) starts
  int toMs = -1;             // --to MS; -1: to the end of the music
  bool mute = false;         // --mute
  bool loop = false;         // --loop: the live show starts again at its end
  DisplayRequest display{};  // --grid classic|wide|auto, --colors auto|16|truecolor|terminal,
                             // --look textmode|pixels
  int scale = 1;             // --scale N, 1..6: PNG frames and video N times 640x400
};

// Reads the arguments (argv[1] onward). An option's value is the next argument or follows an '='
// in the same one (--fps=30). Never exits and prints nothing. Whether --from and --to lie within
// the show is known only once its music is measured, so the show and the recording check that.
CommandLine parseCommandLine(int argc, const char* const* argv);

// The --help text: usage, options and exit statuses, no line wider than 79 columns.
const char* usageText();

}  // namespace glimmer
