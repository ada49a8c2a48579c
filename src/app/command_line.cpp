#include "app/command_line.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "record/frame_sink.h"
#include "record/scaled_picture.h"

namespace glimmer {
namespace {

// A whole decimal number in [low, high]; false for anything else. A number beyond what an int
// holds is taken as the largest int, which the recording then finds past the show's end.
bool readNumber(const char* text, long low, long high, int& value) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  errno = 0;
  long number = std::strtol(text, &end, 10);
  if (*end != '\0' || (errno != 0 && number != LONG_MAX) || number < low || number > high) return false;
  value = static_cast<int>(number < INT_MAX ? number : INT_MAX);
  return true;
}

// The numeric options. --from and --to are checked against the show's length by the recording.
struct NumberOption {
  const char* name;
  long low;
  long high;
  int CommandLine::*field;
  const char* range;
  bool recordOnly;
};
constexpr NumberOption kNumberOptions[] = {
    {"--fps", 1, 1000, &CommandLine::framesPerSecond, "frames per second, 1 to 1000", false},
    {"--from", 0, LONG_MAX, &CommandLine::fromMs, "a whole number of milliseconds, 0 or more", false},
    {"--to", 1, LONG_MAX, &CommandLine::toMs, "a whole number of milliseconds, 1 or more", true},
    {"--scale", kMinPictureScale, kMaxPictureScale, &CommandLine::scale, "1 to 6 times the 640x400 picture", false},
};

const NumberOption* findNumberOption(std::string_view name) {
  for (const NumberOption& option : kNumberOptions) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

// The options that take a value, besides the numeric ones.
constexpr std::string_view kValueOptions[] = {"--record", "--colors", "--grid", "--look"};

bool takesValue(std::string_view name) {
  if (findNumberOption(name) != nullptr) return true;
  for (std::string_view option : kValueOptions) {
    if (name == option) return true;
  }
  return false;
}

CommandLine failure(std::string message) {
  CommandLine result;
  result.action = CommandLine::Action::Error;
  result.error = std::move(message);
  return result;
}

// Whether the recording's output is made of pictures, which --scale enlarges.
bool hasPictures(const CommandLine& command) {
  if (command.action != CommandLine::Action::Record) return false;
  const OutputKind kind = outputKindOf(command.output);
  return kind == OutputKind::PngFolder || kind == OutputKind::Video;
}

}  // namespace

const char* usageText() {
  return "usage: glimmerfolding [--mute] [--fps N] [--from MS] [--loop] [--colors MODE]\n"
         "                      [--grid GRID] [--look LOOK]\n"
         "       glimmerfolding --record OUT [--fps N] [--from MS] [--to MS]\n"
         "                      [--colors MODE] [--grid GRID] [--look LOOK] [--scale N]\n"
         "       glimmerfolding -h | --help | -V | --version\n"
         "\n"
         "Plays the show in this terminal, which must be 80x50 cells or more (160x50\n"
         "for the wide grid and the pixels look). Space starts it; during the show\n"
         "Space pauses, Left and Right seek 10 s, Escape or q ends it. An option's\n"
         "value may also follow an '=' (--fps=30).\n"
         "\n"
         "  --mute          no sound: the show runs on the music's own clock\n"
         "  --fps N         at most N frames a second, 1 to 1000 (default 60); a\n"
         "                  recording has exactly N\n"
         "  --colors MODE   auto (the default: truecolor when COLORTERM says truecolor\n"
         "                  or 24bit, else 16), 16 (the terminal's palette set to the\n"
         "                  show's and put back after), truecolor (24-bit colours) or\n"
         "                  terminal (the terminal's own 16 colours)\n"
         "  --grid GRID     auto (the default: wide where the terminal reports tall cells\n"
         "                  and 160x50 fit; recordings classic), classic (80x50 cells of\n"
         "                  2x2 pixels) or wide (160x50 cells of 1x2, for tall cells)\n"
         "  --look LOOK     textmode (the default) or pixels (every pixel as 160x50 half\n"
         "                  blocks, in 24-bit colours or the nearest of the 16)\n"
         "  --record OUT    render the show offline, without terminal or sound, as fast\n"
         "                  as the machine allows, into OUT.cast (an asciicast), OUT.html\n"
         "                  (a web page, with its folder OUT_files), OUT.mp4, OUT.webm or\n"
         "                  OUT.mkv (a video; needs ffmpeg) or OUT/ (a folder of PNGs)\n"
         "  --from MS       start at this moment of the show, in milliseconds (default\n"
         "                  0); with --record, the first recorded moment\n"
         "  --loop          the live show starts again at its end, until Escape or q\n"
         "  --to MS         the end of the recording (default: the end of the show)\n"
         "  --scale N       PNG frames and video N times 640x400, 1 to 6 (default 1)\n"
         "  -h, --help      this text\n"
         "  -V, --version   the program's version\n"
         "\n"
         "Exit status: 0 the show ended (music over, Escape or q) or the recording was\n"
         "written; 1 start-up failed, the music is damaged, the terminal stopped taking\n"
         "output or the recording could not be written (a message says which); 2 the\n"
         "music could not be started, or the command line was wrong; 128+n ended by\n"
         "signal n (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP).\n";
}

CommandLine parseCommandLine(int argc, const char* const* argv) {
  CommandLine result;
  bool recordOnlyOption = false;
  bool scaleGiven = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view option = argv[i];
    // --name=value is --name value.
    const char* value = nullptr;
    std::string named;
    if (const std::size_t equals = option.find('='); option.starts_with("--") && equals != std::string_view::npos) {
      named = option.substr(0, equals);
      value = argv[i] + equals + 1;
      option = named;
      if (!takesValue(option)) {
        if (option == "--mute" || option == "--loop" || option == "--help" || option == "--version") {
          return failure("option " + named + " takes no value");
        }
        return failure("unknown option '" + named + "'");
      }
    } else if (takesValue(option)) {
      if (i + 1 >= argc) return failure("option " + std::string(option) + " needs a value");
      value = argv[++i];
    }
    if (option == "--help" || option == "-h") {
      result.action = CommandLine::Action::Help;
      return result;
    } else if (option == "--version" || option == "-V") {
      result.action = CommandLine::Action::Version;
      return result;
    } else if (option == "--mute") {
      result.mute = true;
    } else if (option == "--loop") {
      result.loop = true;
    } else if (option == "--record") {
      if (*value == '\0') return failure("--record needs a file or folder name");
      if (outputKindOf(value) == OutputKind::Unknown) {
        return failure(std::string("--record ") + value + ": unknown kind of output; name it " + kOutputKinds);
      }
      result.action = CommandLine::Action::Record;
      result.output = value;
    } else if (const NumberOption* number = findNumberOption(option)) {
      if (!readNumber(value, number->low, number->high, result.*(number->field))) {
        return failure("bad " + std::string(option) + " value '" + value + "' (" + number->range + ")");
      }
      recordOnlyOption = recordOnlyOption || number->recordOnly;
      scaleGiven = scaleGiven || number->field == &CommandLine::scale;
    } else if (option == "--colors") {
      const std::string_view mode = value;
      if (mode == "auto") {
        result.display.colors = ColorChoice::Auto;
      } else if (mode == "16") {
        result.display.colors = ColorChoice::Ansi16;
      } else if (mode == "truecolor") {
        result.display.colors = ColorChoice::TrueColor;
      } else if (mode == "terminal") {
        result.display.colors = ColorChoice::Terminal;
      } else {
        return failure(std::string("bad --colors value '") + value + "' (auto, 16, truecolor or terminal)");
      }
    } else if (option == "--grid") {
      const std::string_view grid = value;
      if (grid == "classic") {
        result.display.grid = GridChoice::Classic;
      } else if (grid == "wide") {
        result.display.grid = GridChoice::Wide;
      } else if (grid == "auto") {
        result.display.grid = GridChoice::Auto;
      } else {
        return failure(std::string("bad --grid value '") + value + "' (classic, wide or auto)");
      }
    } else if (option == "--look") {
      const std::string_view look = value;
      if (look == "textmode") {
        result.display.look = Look::TextMode;
      } else if (look == "pixels") {
        result.display.look = Look::Pixels;
      } else {
        return failure(std::string("bad --look value '") + value + "' (textmode or pixels)");
      }
    } else {
      return failure("unknown option '" + std::string(option) + "'");
    }
  }
  if (result.display.look == Look::Pixels && result.display.grid == GridChoice::Classic) {
    return failure("--look pixels draws 160x50 cells: --grid classic goes with the textmode look");
  }
  if (recordOnlyOption && result.action != CommandLine::Action::Record) {
    return failure("--to goes with --record");
  }
  if (result.loop && result.action == CommandLine::Action::Record) {
    return failure("--loop is for the live show, not for --record");
  }
  if (scaleGiven && !hasPictures(result)) {
    return failure("--scale goes with --record to PNG frames (OUT/) or a video (OUT.mp4, OUT.webm, OUT.mkv)");
  }
  if (result.action == CommandLine::Action::Record && result.toMs >= 0 && result.toMs <= result.fromMs) {
    return failure("--to must come after --from");
  }
  return result;
}

}  // namespace glimmer
