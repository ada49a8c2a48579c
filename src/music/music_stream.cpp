// MusicStream on the audio layer of audio.h.
#include "music/music_stream.h"

#include "demo/data_folder.h"
#include "music/audio.h"
#include "music/spectrum.h"

namespace glimmer {
namespace {

MusicStream* single = nullptr;
constexpr int kOutputFrequency = 44100;

}  // namespace

MusicStream* MusicStream::instance() {
  if (single == nullptr) single = new MusicStream();
  return single;
}

MusicStream::MusicStream() : spectrum(new float[kSpectrumBins]()) {}

MusicStream::~MusicStream() {
  if (stream != 0) audioStreamFree(stream);
  stream = 0;
  audioFree();
  if (single == this) single = nullptr;
  delete[] spectrum;
}

bool MusicStream::open() { return open(dataFilePath("data/music.ogg").c_str()); }

bool MusicStream::open(const char* path) {
  if (!audioInit(kOutputFrequency)) return false;
  stream = audioStreamCreateFile(path);
  // Plans the transform now, so the first spectrum fetch in the show allocates nothing. The
  // spectrum is all 0.0 before and after.
  computeSpectrum(nullptr, 0, 0, spectrum);
  return stream != 0;
}

bool MusicStream::play() { return audioChannelPlay(stream, true); }

std::int32_t MusicStream::clockMs() {
  const double seconds = audioChannelGetPositionSeconds(stream);
  return static_cast<std::int32_t>(seconds * 1000.0);
}

bool MusicStream::isActive() { return audioChannelIsActive(stream); }

void MusicStream::fetchSpectrum() {
  // Deliberate: a failed fetch is ignored; the scenes then read the previous magnitudes.
  audioChannelGetData(stream, spectrum, kAudioDataFft2048);
}

}  // namespace glimmer
