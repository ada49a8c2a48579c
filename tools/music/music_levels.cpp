// music_levels: decodes the soundtrack and prints what the scenes read from it at 60 frames per
// second: the falling shapes' cluster level (bin 10 x 40, 55-87 s) and the spiky scene's grey
// level (bin 5 x 20, 84-116 s and from 136 s), with their distributions and a histogram; for the
// cluster the peaks and swings of its beats, for the spike every beat's peak and run of frames at
// 0.5 or above, and the share of beats that pump. Options: --frames prints every frame's level;
// --png FILE writes a spectrogram of the whole piece with both levels drawn under it (libpng).
//
// Usage: music_levels [data/music.ogg] [--frames] [--png /tmp/music.png]
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "levels.h"
#include "music/spectrum.h"

namespace {

using namespace glimmer;
using namespace glimmer::soundtrack;

void printDistribution(const char* label, const std::vector<float>& values) {
  const Distribution d = describe(values);
  std::printf("  %-14s n=%4zu  min %.3f  p10 %.3f  median %.3f  p90 %.3f  max %.3f\n", label, d.count, d.minimum,
              d.tenth, d.median, d.ninetieth, d.maximum);
}

void printHistogram(const std::vector<float>& levels) {
  constexpr int kBuckets = 16;
  int counts[kBuckets] = {};
  for (float level : levels) counts[std::clamp(static_cast<int>(level / 0.1f), 0, kBuckets - 1)]++;
  for (int bucket = 0; bucket < kBuckets; ++bucket) {
    const int width = levels.empty() ? 0 : counts[bucket] * 60 / static_cast<int>(levels.size());
    std::printf("  %s%.1f-%.1f %5d %s\n", bucket == kBuckets - 1 ? ">=" : "  ", bucket * 0.1,
                bucket == kBuckets - 1 ? 9.9 : (bucket + 1) * 0.1, counts[bucket], std::string(width, '#').c_str());
  }
}

// The spiky scene's flash beat by beat: the peak, the longest run of frames at 0.5 or above, and
// whether that makes a pump; then the share of beats that pump.
void printPumps(const std::vector<float>& levels, const LevelWindow& window) {
  const std::vector<BeatPump> beats = beatPumps(levels, window.startSeconds, window.beatsFrom, window.beatsTo);
  std::printf("  beat       peak  frames>=%.1f\n", kPumpLevel);
  std::vector<float> runs;
  for (const BeatPump& beat : beats) {
    std::printf("  %7.1f s  %.3f  %3d  %s\n", beat.seconds, beat.peak, beat.run, pumps(beat) ? "pumps" : "-");
    runs.push_back(static_cast<float>(beat.run));
  }
  const Distribution runLengths = describe(runs);
  std::printf("  frames>=%.1f per beat: min %.0f  median %.0f  max %.0f\n", kPumpLevel, runLengths.minimum,
              runLengths.median, runLengths.maximum);
  const auto pumping = std::count_if(beats.begin(), beats.end(), pumps);
  std::printf("  pumping beats (peak %.1f-%.1f, %d or more frames at %.1f or above): %ld of %zu, %.1f %%\n",
              kPumpPeakLow, kPumpPeakHigh, kPumpFrames, kPumpLevel, static_cast<long>(pumping), beats.size(),
              100.0 * static_cast<double>(pumping) / static_cast<double>(std::max<std::size_t>(beats.size(), 1)));
}

void report(const DecodedAudio& audio, const LevelWindow& window, bool everyFrame, bool pumpTable) {
  const std::vector<float> levels = measureLevels(audio, window);
  std::printf("%s (bin %d x %g), %.1f s to %.1f s\n", window.name, window.reading.bin,
              static_cast<double>(window.reading.gain), window.startSeconds,
              std::min(window.endSeconds, static_cast<double>(audio.frameCount) / audio.sampleRate));
  printDistribution("frames", levels);
  std::printf("  below 0.3: %.1f %% of frames\n", 100.0 * fractionBelow(levels, 0.3f));
  std::printf("  beats %.1f-%.1f s:\n", window.beatsFrom, window.beatsTo);
  if (pumpTable) {
    printPumps(levels, window);
  } else {
    printDistribution("beat peaks", beatPeaks(levels, window.startSeconds, window.beatsFrom, window.beatsTo));
    printDistribution("beat swings", beatSwings(levels, window.startSeconds, window.beatsFrom, window.beatsTo));
  }
  printHistogram(levels);
  if (everyFrame) {
    for (std::size_t frame = 0; frame < levels.size(); ++frame) {
      std::printf("  %9.3f s %.3f\n", window.startSeconds + static_cast<double>(frame) / kLevelFramesPerSecond,
                  levels[frame]);
    }
  }
}

// Spectrogram, 10 columns per second, 30 Hz to 16 kHz on a log scale over 240 rows, then a strip
// per level (cluster in green, spike in red) scaled so 2.0 fills the strip. Grid lines every 10 s.
bool writePlot(const DecodedAudio& audio, const char* path) {
  const double seconds = static_cast<double>(audio.frameCount) / audio.sampleRate;
  const int width = static_cast<int>(seconds * 10.0) + 1;
  constexpr int kSpectrumRows = 240, kStripRows = 60, kHeight = kSpectrumRows + 2 * kStripRows;
  std::vector<unsigned char> image(static_cast<std::size_t>(width) * kHeight * 3, 0);
  auto put = [&](int x, int y, unsigned char r, unsigned char g, unsigned char b) {
    if (x < 0 || x >= width || y < 0 || y >= kHeight) return;
    unsigned char* pixel = &image[(static_cast<std::size_t>(y) * width + x) * 3];
    pixel[0] = r;
    pixel[1] = g;
    pixel[2] = b;
  };
  float magnitudes[kSpectrumBins];
  for (int x = 0; x < width; ++x) {
    const auto start = static_cast<std::size_t>(x) * static_cast<std::size_t>(audio.sampleRate) / 10;
    computeSpectrum(audio.samples.data(), audio.frameCount, start, magnitudes);
    for (int row = 0; row < kSpectrumRows; ++row) {
      const double hz = 30.0 * std::pow(16000.0 / 30.0, 1.0 - static_cast<double>(row) / kSpectrumRows);
      const auto bin =
          std::min<std::size_t>(kSpectrumBins - 1, static_cast<std::size_t>(hz * 2048.0 / audio.sampleRate));
      const double db = 20.0 * std::log10(magnitudes[bin] + 1e-9);
      const double v = std::clamp((db + 100.0) / 90.0, 0.0, 1.0);
      put(x, row, static_cast<unsigned char>(255 * std::min(1.0, v * 1.2)),
          static_cast<unsigned char>(255 * std::clamp(v * 1.4 - 0.5, 0.0, 1.0)), static_cast<unsigned char>(120 * v));
    }
  }
  const LevelWindow windows[2] = {{"cluster", 0.0, 1.0e9, kClusterReading}, {"spike", 0.0, 1.0e9, kSpikeReading}};
  for (int strip = 0; strip < 2; ++strip) {
    const std::vector<float> levels = measureLevels(audio, windows[strip]);
    const int top = kSpectrumRows + strip * kStripRows;
    for (std::size_t frame = 0; frame < levels.size(); ++frame) {
      const int x = static_cast<int>(frame / 6);
      const int height = std::min(kStripRows - 1, static_cast<int>(levels[frame] / 2.0f * kStripRows));
      for (int y = 0; y <= height; ++y)
        put(x, top + kStripRows - 1 - y, strip == 1 ? 255 : 40, strip == 0 ? 255 : 40, 40);
    }
    for (int x = 0; x < width; ++x)
      put(x, top + kStripRows - 1 - static_cast<int>(0.3 / 2.0 * kStripRows), 90, 90, 255);
  }
  for (int x = 0; x < width; x += 100) {
    for (int y = 0; y < kHeight; y += 2) put(x, y, 255, 255, 255);
  }

  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < kHeight; ++y) png_write_row(png, &image[static_cast<std::size_t>(y) * width * 3]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = "data/music.ogg";
  const char* plotPath = nullptr;
  bool everyFrame = false;
  for (int index = 1; index < argc; ++index) {
    if (std::strcmp(argv[index], "--frames") == 0) {
      everyFrame = true;
    } else if (std::strcmp(argv[index], "--png") == 0 && index + 1 < argc) {
      plotPath = argv[++index];
    } else {
      path = argv[index];
    }
  }
  DecodedAudio audio;
  if (!decodeOggFile(path, audio)) {
    std::fprintf(stderr, "music_levels: cannot decode %s\n", path);
    return 1;
  }
  float peak = 0.0f;
  for (float sample : audio.samples) peak = std::max(peak, std::fabs(sample));
  std::printf("%s: %.3f s, %d Hz, peak %.2f dBFS\n", path, static_cast<double>(audio.frameCount) / audio.sampleRate,
              audio.sampleRate, 20.0 * std::log10(std::max(peak, 1e-9f)));
  // Beats are judged where the kick plays: the drop for the cluster, the bass part and the climax
  // for the spike, whose flash is judged beat by beat.
  report(audio, kClusterWindow, everyFrame, false);
  report(audio, kSpikeWindowFirst, everyFrame, true);
  report(audio, kSpikeWindowSecond, everyFrame, true);
  if (plotPath != nullptr) {
    if (!writePlot(audio, plotPath)) {
      std::fprintf(stderr, "music_levels: cannot write %s\n", plotPath);
      return 1;
    }
    std::printf("plot written to %s\n", plotPath);
  }
  return 0;
}
