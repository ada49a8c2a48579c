// MusicStream on an AudioOutput: the track decoded on a worker thread, the output chosen once,
// and a clock that never goes backwards and stops at the end of the track.
#include "music/music_stream.h"

#include <algorithm>
#include <atomic>

#include "base/data_folder.h"
#include "music/audio_output.h"
#include "music/spectrum.h"
#include "music/track.h"

namespace glimmer {
namespace {

constexpr const char* kNoDeviceNotice = "No sound device answered: the show plays silently.";

}  // namespace

// The open track and the output that plays it. Members go in reverse order: the output stops
// before the track it reads goes.
struct MusicStream::Playback {
  std::atomic<double> offlineSeconds{0.0};
  Track track;
  std::unique_ptr<AudioOutput> output;
  bool started = false;
  double lastSeconds = 0.0;
  double length = 0.0;
  float window[2 * kSpectrumWindow] = {};  // the frames the spectrum is taken of

  Playback() = default;
  Playback(const Playback&) = delete;
  Playback& operator=(const Playback&) = delete;
  ~Playback() {
    if (started) output->stop();
  }

  // Waits for the track's length; false when nothing of it decodes.
  bool measure() {
    const bool playable = track.waitUntilMeasured();
    length = playable ? track.lengthSeconds() : 0.0;
    return playable;
  }
};

MusicStream::MusicStream() : spectrum(new float[kSpectrumBins]()) {}

MusicStream::~MusicStream() {
  playback_.reset();
  delete[] spectrum;
}

bool MusicStream::open() { return open(dataFilePath("data/music.ogg").c_str()); }

bool MusicStream::open(const char* path) {
  if (playback_) return false;
  auto playback = std::make_unique<Playback>();
  if (!playback->track.open(path)) return false;

  notice_ = nullptr;
  switch (output_) {
    case MusicOutput::Automatic:
      playback->output = openDeviceOutput();
      if (!playback->output) {
        playback->output = createSilentOutput();
        notice_ = kNoDeviceNotice;
      }
      break;
    case MusicOutput::Mute:
      playback->output = createSilentOutput();
      break;
    case MusicOutput::Offline:
      playback->output = createOfflineOutput(playback->offlineSeconds);
      break;
  }
  playback_ = std::move(playback);
  // Plans the transform now, so the first spectrum fetch in the show allocates nothing. The
  // spectrum is all 0.0 before and after.
  computeSpectrum(nullptr, 0, 0, spectrum);
  return true;
}

bool MusicStream::isOpen() const { return playback_ != nullptr; }

bool MusicStream::play() {
  if (!playback_) return false;
  Playback& playback = *playback_;
  if (!playback.measure()) return false;
  if (playback.started) {
    playback.output->stop();
    playback.track.rewind();
  }
  playback.lastSeconds = 0.0;
  playback.started = playback.output->start(playback.track);
  return playback.started;
}

double MusicStream::heardSeconds() {
  if (!playback_) return 0.0;
  Playback& playback = *playback_;
  if (!playback.started) return playback.lastSeconds;
  const double heard = std::clamp(playback.output->heardSeconds(), 0.0, playback.length);
  if (heard > playback.lastSeconds) playback.lastSeconds = heard;
  if (playback.output->finished()) playback.lastSeconds = playback.length;
  return playback.lastSeconds;
}

std::int32_t MusicStream::clockMs() { return static_cast<std::int32_t>(heardSeconds() * 1000.0); }

bool MusicStream::isActive() { return playback_ && playback_->started && !playback_->output->finished(); }

void MusicStream::fetchSpectrum() {
  // Deliberate: a failed fetch is ignored; the scenes then read the previous magnitudes.
  if (!playback_) return;
  Playback& playback = *playback_;
  if (!playback.track.measured()) return;
  const std::size_t frames = playback.track.frameCount();
  const auto start = static_cast<std::size_t>(heardSeconds() * playback.track.sampleRate());
  // The recording's clock waits for the frames; the live show never does (they are there long
  // before they are heard, and a miss only keeps the previous magnitudes).
  const bool gotten = output_ == MusicOutput::Offline
                          ? playback.track.read(start, kSpectrumWindow, playback.window) > 0 || start >= frames
                          : playback.track.readIfReady(start, kSpectrumWindow, playback.window);
  if (!gotten) return;
  const std::size_t inside = start < frames ? std::min(frames - start, kSpectrumWindow) : 0;
  computeSpectrum(playback.window, inside, 0, spectrum);
}

double MusicStream::lengthSeconds() {
  if (!playback_) return 0.0;
  playback_->measure();
  return playback_->length;
}

void MusicStream::setOfflinePosition(double seconds) {
  if (playback_) playback_->offlineSeconds.store(seconds);
}

}  // namespace glimmer
