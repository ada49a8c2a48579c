// The sound output on Linux: a sound server (PulseAudio, or PipeWire's implementation of it), else
// the ALSA default device.
#include "music/audio_output.h"

namespace glimmer {

std::unique_ptr<AudioOutput> createDeviceOutput() {
  std::unique_ptr<AudioOutput> output = createPulseOutput();
  if (!output) output = createAlsaOutput();
  return output;
}

}  // namespace glimmer
