// The sound devices of a Linux desktop, in order: a sound server (PulseAudio, or PipeWire's
// implementation of it), then the ALSA default device.
#include "music/audio_output.h"

namespace glimmer {

std::unique_ptr<AudioOutput> openDeviceOutput() {
  if (auto server = createPulseOutput()) return server;
  return createAlsaOutput();
}

}  // namespace glimmer
