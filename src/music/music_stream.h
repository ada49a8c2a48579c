// MusicStream: the soundtrack "data/music.ogg", the show's only clock, and the spectrum the scenes
// read. One per process, made by instance(); the Demo owns and destroys it.
#pragma once

#include <cstdint>

namespace glimmer {

class MusicStream {
 public:
  // The one stream; the first call creates it (stream 0, spectrum allocated and all 0.0).
  static MusicStream* instance();

  MusicStream(const MusicStream&) = delete;
  MusicStream& operator=(const MusicStream&) = delete;

  // Frees the stream if open, closes the audio output in every case, clears the process-wide
  // reference and frees the spectrum.
  virtual ~MusicStream();

  // Initialises the audio output and opens "data/music.ogg". False when either fails.
  bool open();

  std::uint32_t stream = 0;   // 0 until open() succeeds
  float* spectrum = nullptr;  // 1024 magnitudes, owned

 private:
  MusicStream();
};

}  // namespace glimmer
