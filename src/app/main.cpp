// Glimmerfolding: a real-time audiovisual demo in a text terminal.
#include <cstdio>

#include "app/command_line.h"
#include "base/data_folder.h"
#include "base/identity.h"
#include "demo/demo.h"
#include "record/recording.h"

namespace {

glimmer::RecordingOptions recordingOptionsOf(const glimmer::CommandLine& command) {
  glimmer::RecordingOptions options;
  options.output = command.output;
  options.framesPerSecond = command.framesPerSecond;
  options.fromMs = command.fromMs;
  options.toMs = command.toMs;
  options.display = command.display;
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  using glimmer::CommandLine;
  const CommandLine command = glimmer::parseCommandLine(argc, argv);
  switch (command.action) {
    case CommandLine::Action::Help:
      std::fputs(glimmer::usageText(), stdout);
      return 0;
    case CommandLine::Action::Version:
      std::printf("glimmerfolding %s\n", glimmer::kProgramVersion);
      return 0;
    case CommandLine::Action::Error:
      std::fprintf(stderr, "glimmerfolding: %s\n%s", command.error.c_str(), glimmer::usageText());
      return 2;
    case CommandLine::Action::Record:
      if (!glimmer::findDataFolder()) return 1;
      return glimmer::runRecording(recordingOptionsOf(command));
    case CommandLine::Action::Show:
      break;
  }
  if (!glimmer::findDataFolder()) return 1;
  glimmer::Demo demo;
  demo.options.display = command.display;
  demo.options.musicOutput = command.mute ? glimmer::MusicOutput::Mute : glimmer::MusicOutput::Automatic;
  demo.options.framesPerSecond = command.framesPerSecond;
  return glimmer::runProgram(demo);
}
