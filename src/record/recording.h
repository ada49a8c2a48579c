// Recording the show offline: the same timeline, scenes and encoder as the live show, on a clock
// that advances exactly 1000 / fps milliseconds per frame, with no terminal, keyboard or sound
// device. The spectrum the scenes read is computed from the decoded music at each frame's time.
#pragma once

#include "demo/command_line.h"

namespace glimmer {

// Records as the command line says. Returns the exit status: 0 when the recording was written,
// 1 when start-up or writing failed (a one-line message says why), 2 when the music did not start.
int runRecording(const CommandLine& command);

class FrameSink;

// The same into a sink of the caller's (tests wrap the real sinks to see every frame). The sink is
// begun, fed and finished here.
int runRecording(const CommandLine& command, FrameSink& sink);

}  // namespace glimmer
