// Short Ogg Vorbis files for tests, encoded with the soundtrack generator's own encoder (quality
// 0.6), and the test signals written into them.
#pragma once

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "ogg_encoder.h"
#include "support/temporary_folder.h"

namespace glimmer::testing {

// A path in a temporary folder of this process's own, removed when the process ends.
inline std::string scratchPath(const char* name) {
  static const TemporaryFolder folder;
  return folder.file(name);
}

// Encodes interleaved left, right frames at rate into an Ogg Vorbis file.
inline bool writeOggFile(const std::string& path, const std::vector<float>& interleavedStereo, int rate = 44100) {
  std::vector<unsigned char> encoded;
  if (!soundtrack::encodeOggVorbis(interleavedStereo.data(), interleavedStereo.size() / 2, rate, 0.6f, 1234u,
                                   encoded)) {
    return false;
  }
  return writeFile(path, std::string(encoded.begin(), encoded.end()));
}

// `seconds` of a stereo sine at `hertz` with the given amplitude on both sides.
inline std::vector<float> stereoSine(double hertz, double seconds, float amplitude, int rate = 44100) {
  const std::size_t frames = static_cast<std::size_t>(seconds * rate);
  std::vector<float> samples(frames * 2);
  for (std::size_t n = 0; n < frames; ++n) {
    const float value = amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * hertz * n / rate));
    samples[2 * n] = value;
    samples[2 * n + 1] = value;
  }
  return samples;
}

}  // namespace glimmer::testing
