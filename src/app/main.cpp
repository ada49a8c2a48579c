// Glimmerfolding: a real-time audiovisual demo in a text terminal.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/command_line.h"
#include "base/data_folder.h"
#include "base/identity.h"
#include "base/report.h"
#include "demo/demo.h"
#include "record/recording.h"
#include "record/stop_request.h"

namespace {

glimmer::RecordingOptions recordingOptionsOf(const glimmer::CommandLine& command) {
  glimmer::RecordingOptions options;
  options.output = command.output;
  options.framesPerSecond = command.framesPerSecond;
  options.fromMs = command.fromMs;
  options.toMs = command.toMs;
  options.display = command.display;
  options.scale = command.scale;
  return options;
}

// 0 when what was written to standard output got there; 1, with a message, when it did not.
int printed() {
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return 0;
  glimmer::printLine((std::string("cannot write to standard output: ") + std::strerror(errno)).c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using glimmer::CommandLine;
  const CommandLine command = glimmer::parseCommandLine(argc, argv);
  switch (command.action) {
    case CommandLine::Action::Help:
      std::fputs(glimmer::usageText(), stdout);
      return printed();
    case CommandLine::Action::Version:
      std::printf("glimmerfolding %s\n", glimmer::kProgramVersion);
      return printed();
    case CommandLine::Action::Error:
      glimmer::printLine(command.error.c_str());
      glimmer::printUsageHint();
      return 2;
    case CommandLine::Action::Record: {
      if (!glimmer::findDataFolder()) return 1;
      const int status = glimmer::runRecording(recordingOptionsOf(command));
      if (status > 128) glimmer::endAsStopped(status);  // as the signal that stopped it
      return status;
    }
    case CommandLine::Action::Show:
      break;
  }
  if (!glimmer::findDataFolder()) return 1;
  glimmer::Demo demo;
  demo.options.display = command.display;
  demo.options.musicOutput = command.mute ? glimmer::MusicOutput::Mute : glimmer::MusicOutput::Automatic;
  demo.options.framesPerSecond = command.framesPerSecond;
  demo.options.fromMs = command.fromMs;
  demo.options.loop = command.loop;
  return glimmer::runProgram(demo);
}
