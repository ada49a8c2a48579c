// Recording the show offline: the same timeline, scenes and encoder as the live show, on a clock
// that advances exactly 1000 / fps milliseconds per frame, with no terminal, keyboard or sound
// device. The spectrum the scenes read is computed from the decoded music at each frame's time.
#pragma once

#include <string>

#include "base/cell_buffer.h"
#include "base/display_choices.h"

namespace glimmer {

class FrameSink;

struct RecordingOptions {
  std::string output;        // OUT.cast, OUT.mp4|.webm|.mkv, or a folder of PNG frames
  int framesPerSecond = 60;  // 1..1000
  int fromMs = 0;            // first recorded moment
  int toMs = -1;             // end of the recording; -1: the end of the music
  DisplayRequest display{};  // a recording's Auto grid is classic (wide for the pixels look)
  int scale = 1;             // PNG frames and video: pictures this many times 640x400, 1 to 6
};

// Records as the options say. Returns the exit status: 0 when the recording was written (one line
// says what it wrote), 1 when start-up or writing failed or the music is damaged (a one-line
// message says why), 2 when the music did not start or --from or --to lie outside the show (its
// range is said), 128 + n when signal n asked the recording to stop (see stop_request.h), which
// the caller then ends the process by. Only a status of 0 leaves an output; an older output of the
// same name is replaced then and only then.
int runRecording(const RecordingOptions& options);

// The same into a sink of the caller's (tests wrap the real sinks to see every frame). The sink is
// begun, fed and finished here.
int runRecording(const RecordingOptions& options, FrameSink& sink);

}  // namespace glimmer
