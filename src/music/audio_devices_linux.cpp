// The sound devices of a Linux desktop, in order: a sound server (PulseAudio, or PipeWire's
// implementation of it), then the ALSA default device. ALSA's default device usually leads to the
// same server, so after a server that took the connection and then said nothing, the card's own
// device is asked instead: it opens at once, or is busy, rather than hanging on that server again.
#include "music/audio_linux.h"

namespace glimmer {

std::unique_ptr<AudioOutput> openDeviceOutput() {
  bool serverSilent = false;
  if (auto server = createPulseOutput(&serverSilent)) return server;
  return createAlsaOutput(serverSilent ? "sysdefault" : "default");
}

}  // namespace glimmer
