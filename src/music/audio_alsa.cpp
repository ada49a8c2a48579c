// Output straight to an ALSA device with libasound (snd_lib_error_set_handler,
// snd_pcm_open, snd_pcm_set_params, snd_pcm_writei and snd_pcm_recover on a writer thread,
// snd_pcm_delay for the heard position, snd_pcm_drain at the end).
//
// LIMITATIONS: the position is frames written minus the device's reported delay, measured after
// each write and advanced on the steady clock in between; a device that misreports its delay
// shifts the clock by that much. The device is opened once and kept until the output goes.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "music/audio_linux.h"

namespace glimmer {
namespace {

constexpr unsigned kLatencyUsec = 100000;
constexpr std::size_t kChunkFrames = 1024;

// libasound prints its own errors on standard error unless given a handler; this one says nothing.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

using Clock = std::chrono::steady_clock;

class AlsaOutput final : public AudioOutput {
 public:
  ~AlsaOutput() override {
    stop();
    if (device != nullptr) snd_pcm_close(device);
  }

  bool openDevice(const char* name) {
    snd_lib_error_set_handler(&ignoreAlsaError);
    if (snd_pcm_open(&device, name, SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
      device = nullptr;
      return false;
    }
    return snd_pcm_nonblock(device, 0) == 0;
  }

  bool start(TrackSource& audio, std::size_t firstFrame) override {
    stop();
    snd_pcm_drop(device);
    if (snd_pcm_set_params(device, SND_PCM_FORMAT_FLOAT_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 2,
                           static_cast<unsigned>(audio.sampleRate()), 1, kLatencyUsec) < 0) {
      return false;
    }
    track = &audio;
    firstFrame_ = std::min(firstFrame, audio.frameCount());
    stopRequested.store(false);
    done.store(false);
    writtenFrames.store(firstFrame_);
    heardFrames.store(static_cast<double>(firstFrame_));
    heardStamp.store(Clock::now().time_since_epoch().count());
    writer = std::thread([this] { writeTrack(); });
    return true;
  }

  double heardSeconds() override {
    if (track == nullptr) return 0.0;
    const double rate = track->sampleRate();
    if (done.load()) return heardFrames.load() / rate;
    const Clock::time_point stamp{Clock::duration{heardStamp.load()}};
    const double since = std::chrono::duration<double>(Clock::now() - stamp).count();
    const double estimate = heardFrames.load() + since * rate;
    return std::min(estimate, static_cast<double>(writtenFrames.load())) / rate;
  }

  bool finished() override { return track != nullptr && done.load(); }

  void stop() override {
    if (!writer.joinable()) return;
    stopRequested.store(true);
    writer.join();
    track = nullptr;
  }

 private:
  // The writer thread: the track in chunks, then the end drained so all of it is heard.
  void writeTrack() {
    TrackSource& audio = *track;
    const std::size_t total = audio.frameCount();
    float chunk[2 * kChunkFrames];
    std::size_t written = firstFrame_;
    bool failed = false;
    while (written < total && !stopRequested.load()) {
      const std::size_t frames = std::min(kChunkFrames, total - written);
      if (audio.read(written, frames, chunk) == 0 || !writeFrames(chunk, frames)) {
        failed = true;
        break;
      }
      written += frames;
      writtenFrames.store(written);
      measure(written);
    }
    if (stopRequested.load() && !failed) {
      // Fade what follows to silence, so the cut makes no click, and let the device play it out.
      const std::size_t fadeFrames =
          std::min<std::size_t>(kChunkFrames, static_cast<std::size_t>(kStopFadeSeconds * audio.sampleRate()));
      fillStopFade(audio, written, fadeFrames, chunk);
      writeFrames(chunk, fadeFrames);
    }
    if (!failed) snd_pcm_drain(device);
    heardFrames.store(static_cast<double>(failed ? writtenFrames.load() : total));
    done.store(true);
  }

  bool writeFrames(const float* samples, std::size_t frames) {
    while (frames > 0) {
      snd_pcm_sframes_t result = snd_pcm_writei(device, samples, frames);
      if (result < 0) result = snd_pcm_recover(device, static_cast<int>(result), 1);
      if (result < 0) return false;
      samples += 2 * static_cast<std::size_t>(result);
      frames -= static_cast<std::size_t>(result);
    }
    return true;
  }

  void measure(std::size_t written) {
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(device, &delay) < 0 || delay < 0) delay = 0;
    const double heard = static_cast<double>(written) - static_cast<double>(delay);
    const double first = static_cast<double>(firstFrame_);
    heardFrames.store(heard > first ? heard : first);
    heardStamp.store(Clock::now().time_since_epoch().count());
  }

  snd_pcm_t* device = nullptr;
  TrackSource* track = nullptr;
  std::size_t firstFrame_ = 0;  // where the writer began
  std::thread writer;
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> done{false};
  std::atomic<std::size_t> writtenFrames{0};
  std::atomic<double> heardFrames{0.0};
  std::atomic<Clock::rep> heardStamp{0};
};

}  // namespace

std::unique_ptr<AudioOutput> createAlsaOutput(const char* device) {
  auto output = std::make_unique<AlsaOutput>();
  if (!output->openDevice(device)) return nullptr;
  return output;
}

}  // namespace glimmer
