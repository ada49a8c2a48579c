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

  // Initialises the audio output and opens "data/music.ogg". False when either fails; the file's
  // decoding goes on in the background after a true result.
  bool open();

  // Same, for another file (tests, tools).
  bool open(const char* path);

  // Plays from the start, waiting for the decoding if it is not done. True only on success.
  bool play();

  // The play position of what is heard in whole milliseconds: seconds * 1000.0 in double,
  // truncated toward zero (1.9999 s gives 1999).
  std::int32_t clockMs();

  // False once the track has been heard to its end (and before play()).
  bool isActive();

  // Fills spectrum with the 1024 magnitudes at the heard position. A failure (not open, still
  // decoding) leaves spectrum as it was. Allocates nothing.
  void fetchSpectrum();

  std::uint32_t stream = 0;   // 0 until open() succeeds
  float* spectrum = nullptr;  // 1024 magnitudes, owned

 private:
  MusicStream();
};

}  // namespace glimmer
