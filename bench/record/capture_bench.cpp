// Figures for scaled captures: per frame, the 640x400 cell picture, its enlargement to RGB (PNG
// frames) and the Y'CbCr planes a video is fed (4:4:4, and 4:2:0 at even scales of 4 or more), at
// each scale, with the bytes handed to the encoder. Times are this thread's CPU time, the median of
// many frames, for comparison with the encoder's own (DEVELOPING.md); for profiling only.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "base/cell_buffer.h"
#include "record/cell_picture.h"
#include "record/scaled_picture.h"

namespace glimmer {
namespace {

double threadMs() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1000.0 + now.tv_nsec / 1.0e6;
}

// The median time of `runs` calls of work(frame).
template <typename Work>
double medianMs(int runs, Work work) {
  std::vector<double> times;
  for (int frame = 0; frame < runs; ++frame) {
    const double start = threadMs();
    work(frame);
    times.push_back(threadMs() - start);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Cells of every block glyph in changing colours, in runs as the show's pictures have them.
void fillCells(int frame, CellBuffer& cells) {
  constexpr std::uint8_t kGlyphs[] = {176, 177, 178, 219, ' '};
  for (int n = 0; n < kCellCount; ++n) {
    const int run = (n + frame * 3) / 6;
    cells[n] = {kGlyphs[run % 5], static_cast<std::uint8_t>((run * 37 + frame) & 0xFF)};
  }
}

}  // namespace
}  // namespace glimmer

int main() {
  using namespace glimmer;
  constexpr int kRuns = 60;
  CellBuffer cells{};
  std::vector<std::uint8_t> rgb(kPictureBytes);
  const double drawn = medianMs(kRuns, [&](int frame) {
    fillCells(frame, cells);
    drawCellPicture(viewOf(cells, Grid::Classic), rgb.data());
  });
  std::printf("cell picture, 640x400: %.2f ms a frame\n\n", drawn);
  std::printf("scale  size        enlarged RGB   Y'CbCr 4:4:4          Y'CbCr 4:2:0\n");
  for (int scale = kMinPictureScale; scale <= kMaxPictureScale; ++scale) {
    std::vector<std::uint8_t> enlarged(static_cast<std::size_t>(kPictureBytes) * scale * scale);
    const double enlarging =
        medianMs(kRuns, [&](int) { enlargeRgb(rgb.data(), kPictureWidth, kPictureHeight, scale, enlarged.data()); });
    YCbCrPicture full(kPictureWidth, kPictureHeight, scale, Chroma::Full);
    const double fullMs = medianMs(kRuns, [&](int) { full.convert(rgb.data()); });
    std::printf("%5d  %4dx%-4d  %8.2f ms    %6.2f ms, %5.1f MB", scale, full.width(), full.height(), enlarging, fullMs,
                full.bytes() / 1.0e6);
    if (scale >= 4 && scale % 2 == 0) {
      YCbCrPicture half(kPictureWidth, kPictureHeight, scale, Chroma::Half);
      const double halfMs = medianMs(kRuns, [&](int) { half.convert(rgb.data()); });
      std::printf("   %6.2f ms, %5.1f MB", halfMs, half.bytes() / 1.0e6);
    }
    std::printf("\n");
  }
  return 0;
}
