// MusicStream on an AudioOutput: the track decoded on a worker thread, the output chosen once,
// and a clock that never goes backwards and stops at the end of the track.
#include "music/music_stream.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "base/data_folder.h"
#include "music/audio_output.h"
#include "music/spectrum.h"
#include "music/track.h"

namespace glimmer {
namespace {

constexpr const char* kNoDeviceNotice = "No sound device answered: the show plays silently.";

// A file that ends this little before the show's length still holds the whole show.
constexpr double kLengthSlackSeconds = 0.05;

// The file's name: path after its last separator.
std::string nameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

// The open track and the output that plays it. Members go in reverse order: the output stops
// before the track it reads goes.
struct MusicStream::Playback {
  std::atomic<double> offlineSeconds{0.0};
  Track track;
  FadeInSource fadingTrack{track};  // what the output plays: the track, fading in after a pause or seek
  std::unique_ptr<AudioOutput> output;
  bool started = false;
  bool paused = false;  // the clock holds lastSeconds, the output is stopped
  double lastSeconds = 0.0;
  // Where playing began or was sought to, until the clock is read again: the spectrum is taken
  // there, as a recording from there takes it (-1: at the heard position).
  double spectrumSeconds = -1.0;
  double length = 0.0;
  bool checked = false;  // damage and shortDamage hold the verdict on the measured track
  std::string damage;    // empty when the track is whole
  std::string shortDamage;
  float window[2 * kSpectrumWindow] = {};  // the frames the spectrum is taken of

  Playback() = default;
  Playback(const Playback&) = delete;
  Playback& operator=(const Playback&) = delete;
  ~Playback() {
    if (started) output->stop();
  }

  // The track's frame at a moment of it.
  std::size_t frameAt(double seconds) const { return static_cast<std::size_t>(seconds * track.sampleRate()); }

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
  path_ = path;

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

bool MusicStream::play(double fromSeconds) {
  if (!playback_) return false;
  Playback& playback = *playback_;
  if (!playback.measure()) return false;
  if (playback.started) playback.output->stop();
  playback.paused = false;
  playback.started = startAt(std::clamp(fromSeconds, 0.0, playback.length));
  return playback.started;
}

bool MusicStream::startAt(double seconds) {
  Playback& playback = *playback_;
  const int rate = playback.track.sampleRate();
  const auto frame = std::min(playback.frameAt(seconds), playback.track.frameCount());
  playback.track.seek(frame);
  playback.fadingTrack.fadeFrom(frame, frame > 0 ? static_cast<std::size_t>(kStopFadeSeconds * rate) : 0);
  playback.lastSeconds = seconds;
  const bool started = playback.output->start(playback.fadingTrack, frame);
  takeSpectrumAt(seconds);
  return started;
}

void MusicStream::takeSpectrumAt(double seconds) {
  Playback& playback = *playback_;
  playback.spectrumSeconds = seconds;
  // The frames there, decoded before the first frame at the new moment is drawn.
  playback.track.read(playback.frameAt(seconds), kSpectrumWindow, playback.window);
}

void MusicStream::pause() {
  if (!playback_ || !playback_->started || playback_->paused) return;
  Playback& playback = *playback_;
  heardSeconds();  // the clock holds what is heard now
  playback.paused = true;
  playback.output->stop();
}

void MusicStream::resume() {
  if (!playback_ || !playback_->paused) return;
  Playback& playback = *playback_;
  playback.paused = false;
  playback.started = startAt(playback.lastSeconds);
}

bool MusicStream::paused() const { return playback_ && playback_->paused; }

void MusicStream::seek(double seconds) {
  if (!playback_ || !playback_->started) return;
  Playback& playback = *playback_;
  const double target = std::clamp(seconds, 0.0, playback.length);
  if (playback.paused) {
    playback.lastSeconds = target;
    playback.track.seek(playback.frameAt(target));
    takeSpectrumAt(target);
  } else {
    playback.output->stop();
    playback.started = startAt(target);
  }
}

double MusicStream::heardSeconds() {
  if (!playback_) return 0.0;
  Playback& playback = *playback_;
  if (!playback.started || playback.paused) return playback.lastSeconds;
  const double heard = std::clamp(playback.output->heardSeconds(), 0.0, playback.length);
  if (heard > playback.lastSeconds) playback.lastSeconds = heard;
  if (playback.output->finished()) playback.lastSeconds = playback.length;
  return playback.lastSeconds;
}

std::int32_t MusicStream::clockMs() {
  if (playback_) playback_->spectrumSeconds = -1.0;
  return static_cast<std::int32_t>(heardSeconds() * 1000.0);
}

bool MusicStream::isActive() {
  return playback_ && playback_->started && (playback_->paused || !playback_->output->finished());
}

void MusicStream::fetchSpectrum() {
  // Deliberate: a failed fetch is ignored; the scenes then read the previous magnitudes.
  if (!playback_) return;
  Playback& playback = *playback_;
  if (!playback.track.measured()) return;
  const std::size_t frames = playback.track.frameCount();
  const double seconds = playback.spectrumSeconds >= 0.0 ? playback.spectrumSeconds : heardSeconds();
  const std::size_t start = playback.frameAt(seconds);
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
  if (!playback_) return;
  playback_->offlineSeconds.store(seconds);
  playback_->spectrumSeconds = -1.0;  // the spectrum follows the position set from here on
}

const char* MusicStream::damage(bool wait, bool shortName) {
  if (!playback_) return nullptr;
  Playback& playback = *playback_;
  if (!playback.checked) {
    if (!wait && !playback.track.measured()) return nullptr;
    playback.measure();
    playback.checked = true;
    const double seconds = playback.track.sampleRate() > 0
                               ? static_cast<double>(playback.track.frameCount()) / playback.track.sampleRate()
                               : 0.0;
    char found[96];
    if (seconds < kShowSeconds - kLengthSlackSeconds) {
      std::snprintf(found, sizeof found, " holds %.1f s of the show's %.0f s: the file is damaged or cut short",
                    seconds, kShowSeconds);
    } else if (playback.track.damaged()) {
      std::snprintf(found, sizeof found, " fails to decode after %.1f s: the file is damaged", seconds);
    } else {
      found[0] = '\0';
    }
    if (found[0] != '\0') {
      playback.damage = path_ + found;
      playback.shortDamage = nameOf(path_) + found;
    }
  }
  const std::string& line = shortName ? playback.shortDamage : playback.damage;
  return line.empty() ? nullptr : line.c_str();
}

}  // namespace glimmer
