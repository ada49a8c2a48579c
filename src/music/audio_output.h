// AudioOutput: where the music is heard. One implementation per library or device; the platform's
// devices are tried in one place (openDeviceOutput, in the platform's backend), the outputs
// without a device are shared.
//
// An output plays one decoded track from a frame on (the first, or where the show paused or
// sought) and reports where in the track what is heard stands. It is used from the program's
// thread; the playing happens on threads of its own.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

namespace glimmer {

// What an output plays: frameCount() frames of two floats (left, right) at sampleRate(), read in
// order from the first. Reads may come from the output's own thread.
class TrackSource {
 public:
  virtual ~TrackSource() = default;
  virtual std::size_t frameCount() const = 0;
  virtual int sampleRate() const = 0;
  // Copies frames [first, first + count) into out (2 * count floats), frames past the end as
  // silence, waiting for any not yet at hand. Returns how many of them lie inside the track, or 0
  // (out all silence) when they can no longer be had.
  virtual std::size_t read(std::size_t first, std::size_t count, float* out) = 0;

  // The track's length in seconds; 0 while no rate is known.
  double lengthSeconds() const { return sampleRate() > 0 ? static_cast<double>(frameCount()) / sampleRate() : 0.0; }
};

class AudioOutput {
 public:
  AudioOutput() = default;
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;
  // Stops playback if it runs and closes the device.
  virtual ~AudioOutput() = default;

  // Starts playing the track from frame firstFrame on; track is borrowed until stop() or
  // destruction. A running playback is stopped first. False when the device refuses the track.
  virtual bool start(TrackSource& track, std::size_t firstFrame = 0) = 0;

  // Where in the track what is heard stands, in seconds: firstFrame's time, plus what has been
  // heard since start(); 0 before. Callers clamp it to the track.
  virtual double heardSeconds() = 0;

  // True once the track has been heard to its end (or the device failed while playing).
  virtual bool finished() = 0;

  // Fades out briefly and stops; returns once the device reads no more of the track.
  virtual void stop() = 0;
};

// The platform's sound devices in order of preference (on Linux a sound server, then the ALSA
// default device); null when none can be opened. Prints nothing.
std::unique_ptr<AudioOutput> openDeviceOutput();

// No device: the track is "heard" as a steady clock advances.
std::unique_ptr<AudioOutput> createSilentOutput();

// No device: the track is "heard" up to position (seconds), which the caller sets and keeps alive
// as long as the output.
std::unique_ptr<AudioOutput> createOfflineOutput(const std::atomic<double>& position);

// Length of a fade-out when playback stops early, so the cut makes no click.
inline constexpr double kStopFadeSeconds = 0.02;

// A track whose frames rise from silence over the stop fade's length from a given frame on, so
// playing on from the middle of the track (after a pause or a seek) makes no click. Frames before
// the fade, and after it, are the track's own. The fade is set while no output reads it.
class FadeInSource final : public TrackSource {
 public:
  explicit FadeInSource(TrackSource& track) : track_(track) {}

  // Frames [first, first + length) rise linearly from silence; length 0: no fade.
  void fadeFrom(std::size_t first, std::size_t length) {
    first_ = first;
    length_ = length;
  }

  std::size_t frameCount() const override { return track_.frameCount(); }
  int sampleRate() const override { return track_.sampleRate(); }
  std::size_t read(std::size_t first, std::size_t count, float* out) override {
    const std::size_t inside = track_.read(first, count, out);
    const std::size_t end = first_ + length_;
    for (std::size_t frame = first > first_ ? first : first_; frame < first + count && frame < end; ++frame) {
      const float gain = static_cast<float>(frame - first_ + 1) / static_cast<float>(length_ + 1);
      out[2 * (frame - first)] *= gain;
      out[2 * (frame - first) + 1] *= gain;
    }
    return inside;
  }

 private:
  TrackSource& track_;
  std::size_t first_ = 0;
  std::size_t length_ = 0;
};

// Fills fade (2 * frameCount floats) with the track's stereo frames from startFrame, their gain
// falling linearly to silence by the last frame; frames past the track's end are silent.
inline void fillStopFade(TrackSource& track, std::size_t startFrame, std::size_t frameCount, float* fade) {
  track.read(startFrame, frameCount, fade);
  for (std::size_t n = 0; n < frameCount; ++n) {
    const float gain = 1.0f - static_cast<float>(n + 1) / static_cast<float>(frameCount);
    fade[2 * n] *= gain;
    fade[2 * n + 1] *= gain;
  }
}

}  // namespace glimmer
