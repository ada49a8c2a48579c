// The backends behind audio.h: one implementation per library, chosen in audio.cpp only.
//
// An output plays one decoded track from its first frame and reports how much of it has been
// heard. It is used from the program's thread; the playing happens on threads of its own.
#pragma once

#include <memory>

#include "music/decoder.h"

namespace glimmer {

class AudioOutput {
 public:
  AudioOutput() = default;
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;
  // Stops playback if it runs and closes the device.
  virtual ~AudioOutput() = default;

  // Starts playing audio from its first frame; audio is borrowed until stop() or destruction.
  // A running playback is stopped first. False when the device refuses the track.
  virtual bool start(const DecodedAudio& audio) = 0;

  // Seconds of the track heard since start(); 0 before. Callers clamp it to the track.
  virtual double heardSeconds() = 0;

  // True once the track has been heard to its end (or the device failed while playing).
  virtual bool finished() = 0;

  // Fades out briefly and stops; returns once the device reads no more of the track.
  virtual void stop() = 0;
};

// The platform's own sound output (audio_device_*.cpp and the Windows backend choose it): on Linux
// a sound server, else the ALSA default device; on Windows the default WASAPI endpoint. Null when
// no device answers.
std::unique_ptr<AudioOutput> createDeviceOutput();

// A sound server's default sink; null when no server answers. Does not start a server.
std::unique_ptr<AudioOutput> createPulseOutput();

// The ALSA default device; null when it cannot be opened. Silences libasound's error printing.
std::unique_ptr<AudioOutput> createAlsaOutput();

// No device: the track is "heard" as a steady clock advances.
std::unique_ptr<AudioOutput> createSilentOutput();

// No device: the track is "heard" up to the position the caller last set.
std::unique_ptr<AudioOutput> createOfflineOutput();
void setOfflineSeconds(double seconds);

// Length of a fade-out when playback stops early, so the cut makes no click.
inline constexpr double kStopFadeSeconds = 0.02;

// Fills fade (2 * frameCount floats) with the track's stereo frames from startFrame, their gain
// falling linearly to silence by the last frame; frames past the track's end are silent.
inline void fillStopFade(const DecodedAudio& audio, std::size_t startFrame, std::size_t frameCount, float* fade) {
  for (std::size_t n = 0; n < frameCount; ++n) {
    const float gain = 1.0f - static_cast<float>(n + 1) / static_cast<float>(frameCount);
    const std::size_t frame = startFrame + n;
    const bool inside = frame < audio.frameCount;
    fade[2 * n] = inside ? audio.samples[2 * frame] * gain : 0.0f;
    fade[2 * n + 1] = inside ? audio.samples[2 * frame + 1] * gain : 0.0f;
  }
}

}  // namespace glimmer
