// Placeholder until the audio layer lands: opening always fails.
#include "music/music_stream.h"

namespace glimmer {
namespace {
MusicStream* single = nullptr;
}

MusicStream* MusicStream::instance() {
  if (single == nullptr) single = new MusicStream();
  return single;
}

MusicStream::MusicStream() : spectrum(new float[1024]()) {}

MusicStream::~MusicStream() {
  single = nullptr;
  delete[] spectrum;
}

bool MusicStream::open() { return false; }

}  // namespace glimmer
