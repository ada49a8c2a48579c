// Outputs without a device: the silent output, whose track advances on std::chrono::steady_clock,
// and the offline output, whose position the caller sets.
//
// LIMITATIONS: nothing is heard; "finished" means the clock has passed the track's length.
#include <atomic>
#include <chrono>
#include <cstddef>

#include "music/audio_output.h"

namespace glimmer {
namespace {

class SilentOutput final : public AudioOutput {
 public:
  bool start(TrackSource& track, std::size_t firstFrame) override {
    length = track.lengthSeconds();
    firstSeconds = track.sampleRate() > 0 ? static_cast<double>(firstFrame) / track.sampleRate() : 0.0;
    startTime = std::chrono::steady_clock::now();
    playing = true;
    return true;
  }
  double heardSeconds() override {
    if (!playing) return 0.0;
    return firstSeconds + std::chrono::duration<double>(std::chrono::steady_clock::now() - startTime).count();
  }
  bool finished() override { return playing && heardSeconds() >= length; }
  void stop() override { playing = false; }

 private:
  std::chrono::steady_clock::time_point startTime{};
  double firstSeconds = 0.0;
  double length = 0.0;
  bool playing = false;
};

class OfflineOutput final : public AudioOutput {
 public:
  explicit OfflineOutput(const std::atomic<double>& position) : position_(position) {}
  // The position is the caller's: where playing starts changes nothing.
  bool start(TrackSource& track, std::size_t) override {
    length = track.lengthSeconds();
    playing = true;
    return true;
  }
  double heardSeconds() override { return playing ? position_.load() : 0.0; }
  bool finished() override { return playing && heardSeconds() >= length; }
  void stop() override { playing = false; }

 private:
  const std::atomic<double>& position_;
  double length = 0.0;
  bool playing = false;
};

}  // namespace

std::unique_ptr<AudioOutput> createSilentOutput() { return std::make_unique<SilentOutput>(); }
std::unique_ptr<AudioOutput> createOfflineOutput(const std::atomic<double>& position) {
  return std::make_unique<OfflineOutput>(position);
}

}  // namespace glimmer
