// Figures for the converter and the frame encoder: table build time, convert and encode time per
// frame, and bytes per frame (whole and incremental, 16 and 24-bit colours) over moving pictures,
// among them a backdrop drawn for 2x2 cells, where the wide grid's conversion does the most.
// The table build is timed on the monotonic clock (it uses two threads); per-frame work on this
// thread's CPU clock. Both are for profiling only.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "base/frame_buffer.h"
#include "console/frame_encoder.h"
#include "tfx/block_color.h"
#include "tfx/block_table.h"
#include "tfx/block_table_reference.h"

namespace glimmer {
namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of this thread: per-frame figures are not inflated by other programs taking the core.
struct ThreadClock {
  static double nowMs() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1.0e6;
  }
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::uint32_t packColour(double red, double green, double blue) {
  auto channel = [](double value) { return static_cast<std::uint32_t>(std::clamp(value, 0.0, 255.0)); };
  return channel(red) | channel(green) << 8 | channel(blue) << 16;
}

// A full-screen plasma: every pixel changes every frame.
void drawPlasma(int frame, std::uint32_t* pixels) {
  const double time = frame / 60.0;
  for (int y = 0; y < kFrameHeight; ++y) {
    for (int x = 0; x < kFrameWidth; ++x) {
      double value =
          std::sin(x / 13.0 + time * 2.1) + std::sin(y / 9.0 - time * 1.7) + std::sin((x + y) / 17.0 + time * 1.3);
      pixels[y * kFrameWidth + x] =
          packColour(128 + 120 * std::sin(value * 1.6), 128 + 120 * std::sin(value * 1.6 + 2.1),
                     128 + 120 * std::sin(value * 1.6 + 4.2));
    }
  }
}

// A moving picture of the kind the show draws: a dark backdrop with a slow vertical gradient, a
// lit ring turning in the middle and a floor of stripes scrolling towards the viewer.
void drawScene(int frame, std::uint32_t* pixels) {
  const double time = frame / 60.0;
  const double angle = time * 1.3;
  for (int y = 0; y < kFrameHeight; ++y) {
    for (int x = 0; x < kFrameWidth; ++x) {
      double red = 10 + y * 0.3;
      double green = 8;
      double blue = 30 + y * 0.6;
      if (y > 70) {
        double depth = 400.0 / (y - 68);
        double stripe = std::fmod(depth + time * 40.0, 20.0) < 10.0 ? 1.0 : 0.4;
        red = green = blue = stripe * (y - 70) * 5.0;
      }
      double dx = (x - 80) / 2.0;
      double dy = y - 45.0;
      double rotatedX = dx * std::cos(angle) - dy * std::sin(angle);
      double rotatedY = (dx * std::sin(angle) + dy * std::cos(angle)) * 1.8;
      double radius = std::sqrt(rotatedX * rotatedX + rotatedY * rotatedY);
      double ring = std::fabs(radius - 24.0);
      if (ring < 9.0) {
        double light =
            std::cos(ring / 9.0 * 1.57) * (0.6 + 0.4 * std::sin(std::atan2(rotatedY, rotatedX) + time * 3.0));
        red = 255 * light;
        green = 160 * light + 40 * std::sin(time);
        blue = 60 * light;
      }
      pixels[y * kFrameWidth + x] = packColour(red, green, blue);
    }
  }
}

// A backdrop drawn for 2x2 cells, as Scene2's: every second pixel of every second row lit, a
// picture scrolling down, the rest black. The wide grid's costliest picture: nearly every window
// alternates.
void drawBackdrop(int frame, std::uint32_t* pixels) {
  for (int y = 0; y < kFrameHeight; ++y) {
    for (int x = 0; x < kFrameWidth; ++x) {
      std::uint32_t colour = 0;
      if (x % 2 == 0 && y % 2 == 0) {
        const double row = (y - frame) / 7.0;
        colour = packColour(60 + 50 * std::sin(x / 11.0 + row), 120 + 100 * std::sin(row * 0.7),
                            150 + 90 * std::cos(x / 23.0));
      }
      pixels[y * kFrameWidth + x] = colour;
    }
  }
}

struct ByteFigures {
  double mean = 0;
  std::size_t smallest = ~std::size_t{0};
  std::size_t largest = 0;
};

ByteFigures measureBytes(const std::vector<CellBuffer>& frames, ColorMode mode, bool whole) {
  FrameEncoder encoder;
  encoder.setColorMode(mode);
  ByteFigures figures;
  std::size_t total = 0;
  std::size_t size = 0;
  encoder.encode(viewOf(frames[0], Grid::Classic), 0, 0, 80, 50, size);  // the first frame is whole either way
  for (std::size_t i = 1; i < frames.size(); ++i) {
    if (whole) encoder.invalidate();
    encoder.encode(viewOf(frames[i], Grid::Classic), 0, 0, 80, 50, size);
    total += size;
    figures.smallest = std::min(figures.smallest, size);
    figures.largest = std::max(figures.largest, size);
  }
  figures.mean = static_cast<double>(total) / static_cast<double>(frames.size() - 1);
  return figures;
}

int run() {
  constexpr int kFrames = 120;

  // Table building.
  auto cells = std::make_unique<std::uint16_t[]>(kBlockTableEntries);
  auto colours = std::make_unique<std::uint8_t[]>(kBlockTableEntries * 3);
  std::vector<double> buildTimes;
  for (int i = 0; i < 15; ++i) {
    Clock::time_point start = Clock::now();
    buildBlockTable(cells.get(), colours.get());
    buildTimes.push_back(millisecondsSince(start));
  }
  std::vector<double> plainTimes;
  for (int i = 0; i < 3; ++i) {
    Clock::time_point start = Clock::now();
    buildBlockTableReference(cells.get(), colours.get());
    plainTimes.push_back(millisecondsSince(start));
  }
  std::printf(
      "table build:            median %.2f ms, best %.2f ms (plain one-entry-at-a-time build: median %.2f ms)\n",
      median(buildTimes), *std::min_element(buildTimes.begin(), buildTimes.end()), median(plainTimes));

  TFX_BlockColor converter;
  converter.init();
  const PixelRect whole{0, 0, kFrameWidth, kFrameHeight};
  auto out = std::make_unique<CellBuffer>();

  struct Picture {
    const char* name;
    void (*draw)(int, std::uint32_t*);
  };
  for (const Picture& picture :
       {Picture{"scene ", drawScene}, Picture{"plasma", drawPlasma}, Picture{"field ", drawBackdrop}}) {
    std::vector<std::vector<std::uint32_t>> pictures(kFrames, std::vector<std::uint32_t>(kFramePixels));
    std::vector<CellBuffer> frames(kFrames);
    for (int i = 0; i < kFrames; ++i) {
      picture.draw(i, pictures[i].data());
      converter.convert2x2(pictures[i].data(), &whole, kFrameWidth, 0, 0, gridIn(frames[i], Grid::Classic));
    }

    // One picture again and again (in cache, as a frame just drawn), then all of them in turn; for
    // the classic 2x2 conversion and the wide grid's 1x2 (twice the cells of the same picture).
    using Conversion = void (TFX_BlockColor::*)(const std::uint32_t*, const PixelRect*, int, int, int, CellGrid);
    const struct {
      const char* name;
      Conversion convert;
      Grid grid;
    } conversions[] = {{"convert2x2", &TFX_BlockColor::convert2x2, Grid::Classic},
                       {"convert1x2", &TFX_BlockColor::convert1x2, Grid::Wide}};
    for (const auto& conversion : conversions) {
      constexpr int kConvertRounds = 2000;
      double start = ThreadClock::nowMs();
      for (int round = 0; round < kConvertRounds; ++round) {
        (converter.*conversion.convert)(pictures[round % 2].data(), &whole, kFrameWidth, 0, 0,
                                        gridIn(*out, conversion.grid));
      }
      const double hotMicroseconds = (ThreadClock::nowMs() - start) * 1000.0 / kConvertRounds;
      start = ThreadClock::nowMs();
      for (int round = 0; round < 10; ++round) {
        for (int i = 0; i < kFrames; ++i) {
          (converter.*conversion.convert)(pictures[i].data(), &whole, kFrameWidth, 0, 0, gridIn(*out, conversion.grid));
        }
      }
      std::printf("%s %s 160x100:     %.2f us per frame in cache, %.2f us streaming %d frames\n", picture.name,
                  conversion.name, hotMicroseconds, (ThreadClock::nowMs() - start) * 1000.0 / (10 * kFrames), kFrames);
    }

    for (ColorMode mode : {ColorMode::Ansi16, ColorMode::TrueColor}) {
      const char* name = mode == ColorMode::Ansi16 ? "16 colours" : "24-bit    ";
      FrameEncoder encoder;
      encoder.setColorMode(mode);
      std::size_t size = 0;
      constexpr int kEncodeRounds = 20;
      double start = ThreadClock::nowMs();
      for (int round = 0; round < kEncodeRounds; ++round) {
        for (int i = 0; i < kFrames; ++i) encoder.encode(viewOf(frames[i], Grid::Classic), 0, 0, 80, 50, size);
      }
      const double incrementalMicroseconds = (ThreadClock::nowMs() - start) * 1000.0 / (kEncodeRounds * kFrames);
      start = ThreadClock::nowMs();
      for (int round = 0; round < kEncodeRounds; ++round) {
        for (int i = 0; i < kFrames; ++i) {
          encoder.invalidate();
          encoder.encode(viewOf(frames[i], Grid::Classic), 0, 0, 80, 50, size);
        }
      }
      const double wholeMicroseconds = (ThreadClock::nowMs() - start) * 1000.0 / (kEncodeRounds * kFrames);
      ByteFigures wholeBytes = measureBytes(frames, mode, true);
      ByteFigures incrementalBytes = measureBytes(frames, mode, false);
      std::printf("%s encode %s:      whole %.2f us, incremental %.2f us per frame\n", picture.name, name,
                  wholeMicroseconds, incrementalMicroseconds);
      std::printf("%s bytes  %s:      whole mean %.0f (%zu..%zu), incremental mean %.0f (%zu..%zu) over %d frames\n",
                  picture.name, name, wholeBytes.mean, wholeBytes.smallest, wholeBytes.largest, incrementalBytes.mean,
                  incrementalBytes.smallest, incrementalBytes.largest, kFrames - 1);
    }
  }
  return 0;
}

}  // namespace
}  // namespace glimmer

int main() { return glimmer::run(); }
