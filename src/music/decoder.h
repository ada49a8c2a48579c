// Decoding an Ogg Vorbis file as float samples: whole into memory (decodeOggFile, for the tools and
// tests), or piece by piece in order (OggReader::decodeEach, which the show's track uses to decode
// on a worker thread while the intro is on screen, after a quick check of the headers).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace glimmer {

// A whole track in memory: frameCount frames of two floats (left, right) in [-1, 1], at
// sampleRate frames per second. Mono files are stored with the same sample on both sides.
struct DecodedAudio {
  std::vector<float> samples;  // 2 * frameCount floats, interleaved left, right
  std::size_t frameCount = 0;
  int sampleRate = 0;
};

// Reads one Ogg Vorbis file. Not copyable; owns the open file until destroyed.
class OggReader {
 public:
  OggReader();
  OggReader(const OggReader&) = delete;
  OggReader& operator=(const OggReader&) = delete;
  ~OggReader();

  // Opens the file and reads its headers. False when the file is missing or unreadable, is not
  // Ogg Vorbis, or has other than one or two channels; prints nothing.
  bool open(const char* path);

  // The stream's rate; 0 before a successful open().
  int sampleRate() const;

  // Decodes from the start until the end or the first damaged spot into out (replacing its
  // contents) and closes the file. False when nothing at all could be decoded; out is then empty.
  bool decodeAll(DecodedAudio& out);

  // Makes frame the first one the next decodeEach hands over: a seek where the file allows it
  // (ov_pcm_seek, exact to the frame and giving the very floats a decode from the start gives),
  // else, for a file read as a plain stream, the frames before it decoded and dropped. False when
  // the file does not reach that frame or cannot be read there.
  bool seek(std::size_t frame);

  // Decodes from the start (or where seek put it) in order, handing each piece of at most chunkFrames frames (two
  // floats each, left and right) to take, until the end, the first damaged spot, or take
  // returning false; then closes the file. Returns the frames handed over.
  using Take = std::function<bool(const float* interleaved, std::size_t frames)>;
  std::size_t decodeEach(std::size_t chunkFrames, const Take& take);

  // True when the last decodeEach (or decodeAll) stopped at a damaged spot: data the decoder
  // refused, a gap in the stream, or a change of channels or rate. A file cut short at a page's
  // edge ends without damage; what it holds is then told by its length.
  bool stoppedAtDamage() const { return stoppedAtDamage_; }

 private:
  struct File;
  std::unique_ptr<File> file;
  bool stoppedAtDamage_ = false;
};

// Decodes a whole Ogg Vorbis file (open() then decodeAll()). False when the file is missing,
// unreadable, not Ogg Vorbis, or holds no decodable audio; out is then empty.
bool decodeOggFile(const char* path, DecodedAudio& out);

}  // namespace glimmer
