#include "app/command_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace glimmer {
namespace {

// A whole decimal number in [low, high]; false for anything else.
bool readNumber(const char* text, long low, long high, int& value) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  errno = 0;
  long number = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || number < low || number > high) return false;
  value = static_cast<int>(number);
  return true;
}

// The numeric options.
struct NumberOption {
  const char* name;
  long low;
  long high;
  int CommandLine::*field;
  const char* range;
  bool recordOnly;
};
constexpr NumberOption kNumberOptions[] = {
    {"--fps", 1, 1000, &CommandLine::framesPerSecond, "1 to 1000", false},
    {"--from", 0, 100000000, &CommandLine::fromMs, "milliseconds, 0 or more", true},
    {"--to", 0, 100000000, &CommandLine::toMs, "milliseconds, 0 or more", true},
};

const NumberOption* findNumberOption(const char* name) {
  for (const NumberOption& option : kNumberOptions) {
    if (std::strcmp(option.name, name) == 0) return &option;
  }
  return nullptr;
}

CommandLine failure(std::string message) {
  CommandLine result;
  result.action = CommandLine::Action::Error;
  result.error = std::move(message);
  return result;
}

}  // namespace

const char* usageText() {
  return "usage: glimmerfolding [--mute] [--fps N] [--colors auto|16|truecolor|terminal]\n"
         "                      [--grid classic|wide|auto]\n"
         "       glimmerfolding --record OUT [--fps N] [--from MS] [--to MS] [--colors ...]\n"
         "                      [--grid ...]\n"
         "       glimmerfolding --help | --version\n"
         "\n"
         "Without options: the show in this terminal (80x50 cells or more; 160x50 for the\n"
         "wide grid). Space starts it, Escape quits.\n"
         "\n"
         "  --mute          play without sound output, on the music's own clock\n"
         "  --colors MODE   16 (16 colours, the terminal's palette set to the show's for the\n"
         "                  show and put back after), truecolor (24-bit, the show's exact\n"
         "                  palette), terminal (16 colours in the terminal's own palette) or\n"
         "                  auto (truecolor when COLORTERM says truecolor or 24bit, else 16;\n"
         "                  the default)\n"
         "  --grid GRID     classic: 80x50 cells of 2x2 pixels, for square cells; wide: 160x50\n"
         "                  cells of 1x2 pixels, which keeps the picture's shape in terminals\n"
         "                  whose cells are twice as tall as wide (needs 160x50 cells); auto\n"
         "                  (the default): wide where the terminal reports tall cells and\n"
         "                  160x50 fit, else classic. Recordings are classic unless wide is\n"
         "                  asked for\n"
         "  --record OUT    render the show offline as fast as the machine allows, with no\n"
         "                  terminal, keyboard or sound device; OUT ending in .cast is an\n"
         "                  asciicast, in .mp4, .webm or .mkv a video (needs ffmpeg), in .html\n"
         "                  a web page with its folder NAME_files (serve both over HTTP), else\n"
         "                  a folder of PNG frames\n"
         "  --fps N         at most N frames per second: the show draws a frame only when the\n"
         "                  music has moved on, and sleeps in between; a recording has exactly\n"
         "                  N frames per second (default 60)\n"
         "  --from MS       first recorded moment, in milliseconds of the show (default 0)\n"
         "  --to MS         end of the recording (default: the end of the music)\n"
         "  --help          this text\n"
         "  --version       the program's version\n"
         "\n"
         "Exit status: 0 the show ended (music over, or Escape), or a recording was written;\n"
         "1 start-up failed (terminal, OpenGL ES, assets or music; a message says which), the\n"
         "terminal stopped taking output, or a recording could not be written; 2 the music could\n"
         "not be started, or the command line was wrong; 128+n ended by signal n.\n";
}

CommandLine parseCommandLine(int argc, const char* const* argv) {
  CommandLine result;
  bool recordOnlyOption = false;
  for (int i = 1; i < argc; ++i) {
    const char* option = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    auto needsValue = [&](const char* name) -> bool {
      if (value != nullptr) return true;
      result = failure(std::string("option ") + name + " needs a value");
      return false;
    };
    if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) {
      result.action = CommandLine::Action::Help;
      return result;
    } else if (std::strcmp(option, "--version") == 0) {
      result.action = CommandLine::Action::Version;
      return result;
    } else if (std::strcmp(option, "--mute") == 0) {
      result.mute = true;
    } else if (std::strcmp(option, "--record") == 0) {
      if (!needsValue(option)) return result;
      if (*value == '\0') return failure("--record needs a file or folder name");
      result.action = CommandLine::Action::Record;
      result.output = value;
      ++i;
    } else if (const NumberOption* number = findNumberOption(option)) {
      if (!needsValue(option)) return result;
      if (!readNumber(value, number->low, number->high, result.*(number->field))) {
        return failure(std::string("bad ") + option + " value '" + value + "' (" + number->range + ")");
      }
      recordOnlyOption = recordOnlyOption || number->recordOnly;
      ++i;
    } else if (std::strcmp(option, "--colors") == 0) {
      if (!needsValue(option)) return result;
      if (std::strcmp(value, "auto") == 0) {
        result.display.colors = ColorChoice::Auto;
      } else if (std::strcmp(value, "16") == 0) {
        result.display.colors = ColorChoice::Ansi16;
      } else if (std::strcmp(value, "truecolor") == 0) {
        result.display.colors = ColorChoice::TrueColor;
      } else if (std::strcmp(value, "terminal") == 0) {
        result.display.colors = ColorChoice::Terminal;
      } else {
        return failure(std::string("bad --colors value '") + value + "' (auto, 16, truecolor or terminal)");
      }
      ++i;
    } else if (std::strcmp(option, "--grid") == 0) {
      if (!needsValue(option)) return result;
      if (std::strcmp(value, "classic") == 0) {
        result.display.grid = GridChoice::Classic;
      } else if (std::strcmp(value, "wide") == 0) {
        result.display.grid = GridChoice::Wide;
      } else if (std::strcmp(value, "auto") == 0) {
        result.display.grid = GridChoice::Auto;
      } else {
        return failure(std::string("bad --grid value '") + value + "' (classic, wide or auto)");
      }
      ++i;
    } else {
      return failure(std::string("unknown option '") + option + "'");
    }
  }
  if (recordOnlyOption && result.action != CommandLine::Action::Record) {
    return failure("--from and --to go with --record");
  }
  if (result.action == CommandLine::Action::Record && result.toMs >= 0 && result.toMs <= result.fromMs) {
    return failure("--to must come after --from");
  }
  return result;
}

}  // namespace glimmer
