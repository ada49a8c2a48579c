// make_music: synthesizes the soundtrack, encodes it to Ogg Vorbis and writes data/music.ogg (or
// the path given as the only argument). The encoded file is decoded again to check its peak; if
// the encoder's overshoot pushes it above -1 dBFS, the signal is scaled down and encoded again.
#include <cmath>
#include <cstdio>
#include <vector>

#include "music/decoder.h"
#include "ogg_encoder.h"
#include "soundtrack.h"

namespace {

constexpr float kQuality = 0.35f;
constexpr std::uint32_t kSerialNumber = 0x476C6D66u;  // fixed, so the file is reproducible
constexpr float kPeakLimit = 0.891f;                  // -1 dBFS
constexpr float kTargetPeak = 0.84f;                  // about -1.5 dBFS before encoding

bool writeFile(const char* path, const std::vector<unsigned char>& bytes) {
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

float peakOf(const std::vector<float>& samples) {
  float peak = 0.0f;
  for (float sample : samples) peak = std::fmax(peak, std::fabs(sample));
  return peak;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace glimmer;
  const char* path = argc > 1 ? argv[1] : "data/music.ogg";
  std::vector<float> signal;
  soundtrack::render(soundtrack::kLengthSeconds, signal);
  const float rawPeak = peakOf(signal);
  soundtrack::normalise(signal, kTargetPeak);
  const std::size_t frames = signal.size() / 2;

  std::vector<unsigned char> encoded;
  DecodedAudio decoded;
  float decodedPeak = 0.0f;
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (!soundtrack::encodeOggVorbis(signal.data(), frames, soundtrack::kSampleRate, kQuality, kSerialNumber,
                                     encoded)) {
      std::fprintf(stderr, "make_music: the encoder rejected the settings\n");
      return 1;
    }
    if (!writeFile(path, encoded)) {
      std::fprintf(stderr, "make_music: cannot write %s\n", path);
      return 1;
    }
    if (!decodeOggFile(path, decoded)) {
      std::fprintf(stderr, "make_music: %s does not decode\n", path);
      return 1;
    }
    decodedPeak = peakOf(decoded.samples);
    if (decodedPeak <= kPeakLimit) break;
    const float factor = kTargetPeak / decodedPeak;
    for (float& sample : signal) sample *= factor;
  }
  if (decodedPeak > kPeakLimit) {
    std::fprintf(stderr, "make_music: decoded peak %.3f stays above -1 dBFS\n", decodedPeak);
    return 1;
  }
  std::printf("%s: %.2f s, %zu bytes, mix peak %.3f, decoded peak %.2f dBFS\n", path,
              static_cast<double>(decoded.frameCount) / decoded.sampleRate, encoded.size(), rawPeak,
              20.0 * std::log10(decodedPeak));
  return 0;
}
