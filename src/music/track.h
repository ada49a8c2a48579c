// Track: the music's samples for playback and the spectrum, decoded ahead on a worker thread into
// a bounded ring instead of being held whole (a whole track as floats is about 56 MB).
//
// The worker first decodes the file once without keeping anything, to learn its length (the
// frames that decode, up to any damage), then decodes it again into the ring, staying at most a
// few seconds ahead of the readers. Decoding is exact and in order, so every read gives the very
// floats a whole decode would.
//
// Readers move forward: playback reads the track in order, the spectrum reads a window at the
// heard position. Frames more than a second behind the latest read may be dropped; a read before
// that fails. A seek elsewhere (pause, seek and loop in the live show) starts the decoding over at
// that frame, through the file's own seek, which gives the same floats. Thread-safe: playback reads
// on the output's thread, the spectrum on the program's.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>

#include "music/audio_output.h"
#include "music/decoder.h"

namespace glimmer {

class Track final : public TrackSource {
 public:
  Track();
  Track(const Track&) = delete;
  Track& operator=(const Track&) = delete;
  ~Track() override;

  // Checks path's headers and starts the worker. False when the file is missing or not Ogg Vorbis
  // with one or two channels; prints nothing.
  bool open(const char* path);

  // Waits for the length pass. False when nothing at all decodes (frameCount() is then 0).
  bool waitUntilMeasured();

  // True once the length pass is over, without waiting.
  bool measured() const;

  // True when the length pass stopped at a damaged spot rather than at the end of the file (see
  // OggReader::stoppedAtDamage); the track is then the frames before it. False before measured().
  bool damaged() const;

  // Starts the decoding over from the first frame, for playing the track again. Not while a
  // reader is reading.
  void rewind();

  // Makes frame (at most frameCount()) readable from now on: when the ring holds it (or it is
  // the next frame to decode) nothing changes; otherwise the decoding starts over at that frame.
  // Waits for the length pass. Not while a reader is reading.
  void seek(std::size_t frame);

  std::size_t frameCount() const override;
  int sampleRate() const override;
  std::size_t read(std::size_t first, std::size_t count, float* out) override;

  // As read, but returns false at once (out untouched) when any of the frames is not decoded yet.
  bool readIfReady(std::size_t first, std::size_t count, float* out);

 private:
  struct State;
  // Stops the worker and starts the ring's decoding over at frame (within the track).
  void restartAt(std::size_t frame);

  std::unique_ptr<State> state_;
  std::thread worker_;
};

}  // namespace glimmer
