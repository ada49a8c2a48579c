// The Linux sound outputs (audio_pulse.cpp, audio_alsa.cpp), which openDeviceOutput tries in
// turn (audio_devices_linux.cpp).
#pragma once

#include <memory>

#include "music/audio_output.h"

namespace glimmer {

// A sound server's default sink; null when no server answers. Does not start a server. When a
// server took the connection but did not answer within 2 s, serverSilent (if given) is set.
std::unique_ptr<AudioOutput> createPulseOutput(bool* serverSilent = nullptr);

// An ALSA device by name ("default", or "sysdefault", the card's own device without the sound
// server's plug-in in between); null when it cannot be opened. Silences libasound's error printing.
std::unique_ptr<AudioOutput> createAlsaOutput(const char* device = "default");

}  // namespace glimmer
