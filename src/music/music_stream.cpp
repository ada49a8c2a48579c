// MusicStream on an AudioOutput: the track decoded on a worker thread, the output chosen once,
// and a clock that never goes backwards and stops at the end of the track.
#include "music/music_stream.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "music/audio_output.h"
#include "music/decoder.h"
#include "music/spectrum.h"

namespace glimmer {
namespace {

MusicStream* single = nullptr;

constexpr const char* kNoDeviceNotice = "No sound device answered: the show plays silently.";

}  // namespace

// The open file, its samples and the output that plays them. Members go in reverse order: the
// output stops before the samples it reads are freed, and the worker is joined before either.
struct MusicStream::Track {
  std::atomic<double> offlineSeconds{0.0};
  OggReader reader;
  DecodedAudio audio;
  std::unique_ptr<AudioOutput> output;
  std::thread decoder;
  std::atomic<bool> decodeDone{false};
  std::atomic<bool> cancelDecode{false};
  bool decodeJoined = false;
  bool decodeOk = false;
  bool started = false;
  double lastSeconds = 0.0;
  double length = 0.0;

  Track() = default;
  Track(const Track&) = delete;
  Track& operator=(const Track&) = delete;
  ~Track() {
    cancelDecode.store(true);
    if (decoder.joinable()) decoder.join();
    if (started) output->stop();
  }

  // Waits for the worker and records its result; idempotent.
  void finishDecode() {
    if (decodeJoined) return;
    if (decoder.joinable()) decoder.join();
    decodeJoined = true;
    length = decodeOk ? static_cast<double>(audio.frameCount) / audio.sampleRate : 0.0;
  }
};

MusicStream* MusicStream::instance() {
  if (single == nullptr) single = new MusicStream();
  return single;
}

MusicStream::MusicStream() : spectrum(new float[kSpectrumBins]()) {}

MusicStream::~MusicStream() {
  track_.reset();
  if (single == this) single = nullptr;
  delete[] spectrum;
}

bool MusicStream::open() { return open("data/music.ogg"); }

bool MusicStream::open(const char* path) {
  if (track_) return false;
  auto track = std::make_unique<Track>();
  if (!track->reader.open(path)) return false;

  notice_ = nullptr;
  switch (output_) {
    case MusicOutput::Automatic:
      track->output = openDeviceOutput();
      if (!track->output) {
        track->output = createSilentOutput();
        notice_ = kNoDeviceNotice;
      }
      break;
    case MusicOutput::Mute:
      track->output = createSilentOutput();
      break;
    case MusicOutput::Offline:
      track->output = createOfflineOutput(track->offlineSeconds);
      break;
  }

  Track* raw = track.get();
  raw->decoder = std::thread([raw] {
    raw->decodeOk = raw->reader.decodeAll(raw->audio, &raw->cancelDecode);
    raw->decodeDone.store(true, std::memory_order_release);
  });
  track_ = std::move(track);
  // Plans the transform now, so the first spectrum fetch in the show allocates nothing. The
  // spectrum is all 0.0 before and after.
  computeSpectrum(nullptr, 0, 0, spectrum);
  return true;
}

bool MusicStream::isOpen() const { return track_ != nullptr; }

bool MusicStream::play() {
  if (!track_) return false;
  Track& track = *track_;
  track.finishDecode();
  if (!track.decodeOk) return false;
  if (track.started) track.output->stop();
  track.lastSeconds = 0.0;
  track.started = track.output->start(track.audio);
  return track.started;
}

double MusicStream::heardSeconds() {
  if (!track_) return 0.0;
  Track& track = *track_;
  if (!track.started) return track.lastSeconds;
  const double heard = std::clamp(track.output->heardSeconds(), 0.0, track.length);
  if (heard > track.lastSeconds) track.lastSeconds = heard;
  if (track.output->finished()) track.lastSeconds = track.length;
  return track.lastSeconds;
}

std::int32_t MusicStream::clockMs() { return static_cast<std::int32_t>(heardSeconds() * 1000.0); }

bool MusicStream::isActive() { return track_ && track_->started && !track_->output->finished(); }

void MusicStream::fetchSpectrum() {
  // Deliberate: a failed fetch is ignored; the scenes then read the previous magnitudes.
  if (!track_ || !track_->decodeDone.load(std::memory_order_acquire)) return;
  Track& track = *track_;
  track.finishDecode();
  if (!track.decodeOk) return;
  const auto startFrame = static_cast<std::size_t>(heardSeconds() * track.audio.sampleRate);
  computeSpectrum(track.audio.samples.data(), track.audio.frameCount, startFrame, spectrum);
}

double MusicStream::lengthSeconds() {
  if (!track_) return 0.0;
  track_->finishDecode();
  return track_->length;
}

void MusicStream::setOfflinePosition(double seconds) {
  if (track_) track_->offlineSeconds.store(seconds);
}

}  // namespace glimmer
