// SceneGreets: backdrop, shadow, the turning picture and the two scrolling text columns, all
// plain loops over the frame's words.
#include "scenes/scene_greets.h"

#include <algorithm>
#include <cstddef>

#include "base/frame_buffer.h"
#include "image/image_store.h"
#include "scenes/sine_table.h"

namespace glimmer {
namespace {

constexpr int kShadowRow = 80;          // columns 42..121
constexpr int kShadowColumn = 120;      // rows 8..79
constexpr double kRowStepFactor = 1.6;  // rows are sampled 1.6 times further apart than columns

// Only pure black and pure white words (top byte 0 included) are drawn.
bool isTextColour(std::uint32_t word) { return word == 0x00000000u || word == 0x00FFFFFFu; }

// Copies the keyed words of one image row to frame row y from column x, up to the right edge.
void drawTextRow(const Image& text, int row, std::uint32_t* frame, int x, int y) {
  const std::uint32_t* source = text.pixels + static_cast<std::ptrdiff_t>(row) * text.width;
  std::uint32_t* target = frame + y * kFrameWidth + x;
  const int columns = std::min(text.width, kFrameWidth - x);
  for (int c = 0; c < columns; ++c) {
    if (isTextColour(source[c])) target[c] = source[c];
  }
}

// Image row r at frame row 100 - offset + r: enters at the bottom, one row up every 10 ms.
void drawRisingText(const Image& text, std::int32_t u, Origin& start, std::uint32_t* frame) {
  const std::int32_t offset = u / 10 - start.capture(u / 10);
  for (int r = 0; r < text.height; ++r) {
    const std::int32_t y = kFrameHeight - offset + r;
    if (y >= kFrameHeight) break;
    if (y < 0) continue;
    drawTextRow(text, r, frame, kRisingTextX, y);
  }
  if (offset > text.height + kFrameHeight) start.restart(u / 10);
}

// Image row k at frame row offset - (H - 1 - k): the last row enters at the top, one row down
// every 10 ms.
void drawFallingText(const Image& text, std::int32_t u, Origin& start, std::uint32_t* frame) {
  const std::int32_t offset = u / 10 - start.capture(u / 10);
  for (int k = text.height - 1; k >= 0; --k) {
    const std::int32_t y = offset - (text.height - 1 - k);
    if (y < 0) break;
    if (y >= kFrameHeight) continue;
    drawTextRow(text, k, frame, kFallingTextX, y);
  }
  if (offset > text.height + kFrameHeight) start.restart(u / 10);
}

}  // namespace

void rotozoom(const Image& image, float angle, float zoom, std::uint32_t* frame, std::int32_t u) {
  const std::array<float, kSineTableSize>& table = sineTable();
  const std::uint32_t k = static_cast<std::uint32_t>(sineIndex(angle));
  const double cosine = table[(128u - k) & kSineTableMask];
  const double sineOfMinusAngle = table[(0u - k) & kSineTableMask];

  const double columnStepX = zoom * cosine;
  const double columnStepY = zoom * sineOfMinusAngle;
  // Deliberate: the row steps are rounded to 32-bit floats; which pixel a row hits depends on it.
  const float rowStepX = static_cast<float>(-kRowStepFactor * zoom * sineOfMinusAngle);
  const float rowStepY = static_cast<float>(kRowStepFactor * zoom * cosine);

  // The drifting image centre less 80 column steps and 50 row steps: the window is the top-left
  // 80x74 part of a 160x100 grid around it.
  const double drift = 0.1 * u;
  double rowX = image.width / 2 - 80.0 * zoom * cosine + 80.0 * zoom * sineOfMinusAngle + drift;
  double rowY = image.height / 2 - 80.0 * zoom * sineOfMinusAngle - 80.0 * zoom * cosine + drift;

  const std::int32_t columnMask = image.width - 1;
  const std::int32_t rowMask = image.height - 1;
  for (int j = 0; j < kGreetsWindowHeight; ++j) {
    std::uint32_t* target = frame + (kGreetsWindowY + j) * kFrameWidth + kGreetsWindowX;
    double x = rowX;
    double y = rowY;
    for (int i = 0; i < kGreetsWindowWidth; ++i) {
      // The masks wrap negative coordinates by two's complement, so the picture tiles.
      const std::int32_t column = static_cast<std::int32_t>(x) & columnMask;
      const std::int32_t row = static_cast<std::int32_t>(y) & rowMask;
      target[i] = image.pixels[row * image.width + column];
      x += columnStepX;
      y += columnStepY;
    }
    rowX += rowStepX;
    rowY += rowStepY;
  }
}

SceneGreets::SceneGreets(ImageStore& images) {
  picture = images.get("greets.png");
  risingText = images.get("greets_txt.png");
  fallingText = images.get("greets_txt2.png");
}

void SceneGreets::render(std::int32_t u, std::uint32_t* frame) {
  std::fill(frame, frame + kFramePixels, kGreetsBackdrop);

  for (int x = 42; x <= 121; ++x) frame[kShadowRow * kFrameWidth + x] = 0;
  for (int y = 8; y <= 79; ++y) frame[y * kFrameWidth + kShadowColumn] = 0;

  const float angle = static_cast<float>(u * 0.00045);
  // |u * 0.000235 * kSineFactor| < 2^31 for every 32-bit u, so the truncation is always defined.
  const std::int32_t breath = static_cast<std::int32_t>(u * 0.000235 * kSineFactor);
  const float zoom = static_cast<float>(0.7 + 0.5 * sineTable()[static_cast<std::uint32_t>(breath) & kSineTableMask]);
  rotozoom(*picture, angle, zoom, frame, u);

  drawRisingText(*risingText, u, risingStart, frame);
  drawFallingText(*fallingText, u, fallingStart, frame);
}

}  // namespace glimmer
