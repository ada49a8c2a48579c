// The audio layer: chooses the output once, keeps the one stream, and turns what the output
// reports into a position that never goes backwards and stops at the end of the track.
#include "music/audio.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "music/audio_output.h"
#include "music/decoder.h"
#include "music/spectrum.h"

namespace glimmer {
namespace {

constexpr AudioStream kStreamHandle = 1;

struct Stream {
  OggReader reader;
  DecodedAudio audio;
  std::thread decoder;
  std::atomic<bool> decodeDone{false};
  std::atomic<bool> cancelDecode{false};
  bool decodeJoined = false;
  bool decodeOk = false;
  bool started = false;
  double lastSeconds = 0.0;
  double lengthSeconds = 0.0;

  Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  ~Stream() {
    cancelDecode.store(true);
    if (decoder.joinable()) decoder.join();
  }

  // Waits for the worker and records its result; idempotent.
  void finishDecode() {
    if (decodeJoined) return;
    if (decoder.joinable()) decoder.join();
    decodeJoined = true;
    lengthSeconds = decodeOk ? static_cast<double>(audio.frameCount) / audio.sampleRate : 0.0;
  }
};

struct AudioState {
  AudioMode mode = AudioMode::Automatic;
  std::unique_ptr<AudioOutput> output;
  std::unique_ptr<Stream> stream;
  const char* notice = nullptr;
};

AudioState& state() {
  static AudioState audioState;
  return audioState;
}

Stream* find(AudioStream handle) {
  AudioState& audio = state();
  if (handle != kStreamHandle || !audio.stream) return nullptr;
  return audio.stream.get();
}

void stopAndFree(Stream& stream) {
  stream.cancelDecode.store(true);
  stream.finishDecode();
  if (stream.started && state().output) state().output->stop();
  stream.started = false;
}

}  // namespace

void setAudioMode(AudioMode mode) { state().mode = mode; }
AudioMode audioMode() { return state().mode; }

bool audioInit(int frequency) {
  AudioState& audio = state();
  if (audio.output || frequency <= 0) return false;
  audio.notice = nullptr;
  switch (audio.mode) {
    case AudioMode::Automatic:
      audio.output = createDeviceOutput();
      if (!audio.output) {
        audio.output = createSilentOutput();
        audio.notice = "No sound device answered: the show plays silently.";
      }
      break;
    case AudioMode::Mute:
      audio.output = createSilentOutput();
      break;
    case AudioMode::Offline:
      setOfflineSeconds(0.0);
      audio.output = createOfflineOutput();
      break;
  }
  return audio.output != nullptr;
}

const char* audioNotice() { return state().notice; }

AudioStream audioStreamCreateFile(const char* path) {
  AudioState& audio = state();
  if (!audio.output || audio.stream) return 0;
  auto stream = std::make_unique<Stream>();
  if (!stream->reader.open(path)) return 0;
  Stream* raw = stream.get();
  raw->decoder = std::thread([raw] {
    raw->decodeOk = raw->reader.decodeAll(raw->audio, &raw->cancelDecode);
    raw->decodeDone.store(true, std::memory_order_release);
  });
  audio.stream = std::move(stream);
  return kStreamHandle;
}

bool audioChannelPlay(AudioStream handle, bool restart) {
  Stream* stream = find(handle);
  if (stream == nullptr) return false;
  stream->finishDecode();
  if (!stream->decodeOk) return false;
  if (stream->started && !restart) return true;
  AudioOutput& output = *state().output;
  if (stream->started) output.stop();
  stream->lastSeconds = 0.0;
  stream->started = output.start(stream->audio);
  return stream->started;
}

double audioChannelGetPositionSeconds(AudioStream handle) {
  Stream* stream = find(handle);
  if (stream == nullptr || !stream->started) return stream != nullptr ? stream->lastSeconds : 0.0;
  const double heard = std::clamp(state().output->heardSeconds(), 0.0, stream->lengthSeconds);
  if (heard > stream->lastSeconds) stream->lastSeconds = heard;
  if (state().output->finished()) stream->lastSeconds = stream->lengthSeconds;
  return stream->lastSeconds;
}

bool audioChannelIsActive(AudioStream handle) {
  Stream* stream = find(handle);
  if (stream == nullptr || !stream->started) return false;
  return !state().output->finished();
}

bool audioChannelGetData(AudioStream handle, float* buffer, std::uint32_t flags) {
  Stream* stream = find(handle);
  if (stream == nullptr || buffer == nullptr || flags != kAudioDataFft2048) return false;
  if (!stream->decodeDone.load(std::memory_order_acquire)) return false;
  stream->finishDecode();
  if (!stream->decodeOk) return false;
  const double seconds = audioChannelGetPositionSeconds(handle);
  const auto startFrame = static_cast<std::size_t>(seconds * stream->audio.sampleRate);
  computeSpectrum(stream->audio.samples.data(), stream->audio.frameCount, startFrame, buffer);
  return true;
}

double audioChannelGetLengthSeconds(AudioStream handle) {
  Stream* stream = find(handle);
  if (stream == nullptr) return 0.0;
  stream->finishDecode();
  return stream->lengthSeconds;
}

void audioStreamFree(AudioStream handle) {
  Stream* stream = find(handle);
  if (stream == nullptr) return;
  stopAndFree(*stream);
  state().stream.reset();
}

void audioFree() {
  AudioState& audio = state();
  if (audio.stream) {
    stopAndFree(*audio.stream);
    audio.stream.reset();
  }
  audio.output.reset();
  audio.notice = nullptr;
}

void audioSetOfflinePosition(double seconds) { setOfflineSeconds(seconds); }

}  // namespace glimmer
