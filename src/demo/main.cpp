// Glimmerfolding: a real-time audiovisual demo in a text terminal.
#include <cstdio>

#include "demo/command_line.h"
#include "demo/data_folder.h"
#include "demo/demo.h"
#include "music/audio.h"
#include "record/recording.h"
#include "version.h"

int main(int argc, char** argv) {
  using glimmer::CommandLine;
  const CommandLine command = glimmer::parseCommandLine(argc, argv);
  switch (command.action) {
    case CommandLine::Action::Help:
      std::fputs(glimmer::usageText(), stdout);
      return 0;
    case CommandLine::Action::Version:
      std::printf("glimmerfolding %s\n", glimmer::kVersion);
      return 0;
    case CommandLine::Action::Error:
      std::fprintf(stderr, "glimmerfolding: %s\n%s", command.error.c_str(), glimmer::usageText());
      return 2;
    case CommandLine::Action::Record:
      if (!glimmer::findDataFolder()) return 1;
      return glimmer::runRecording(command);
    case CommandLine::Action::Show:
      break;
  }
  if (!glimmer::findDataFolder()) return 1;
  glimmer::setAudioMode(command.mute ? glimmer::AudioMode::Mute : glimmer::AudioMode::Automatic);
  int status;
  {
    glimmer::Demo demo;
    demo.options.forceColorMode = command.forceColorMode;
    demo.options.colorMode = command.colorMode;
    status = glimmer::runProgram(demo);
  }
  return status;
}
