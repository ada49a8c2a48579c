// SceneGreets: backdrop and shadow, the turning picture's sampling, and the two text columns with
// their colour key, origins and clipping. The texts and picture are small made-up images.
#include "scenes/scene_greets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "gles/frame_buffer.h"
#include "image/image_store.h"
#include "scenes/sine_table.h"

namespace glimmer {
namespace {

constexpr std::uint32_t kUntouched = 0xDEADBEEFu;
constexpr std::uint32_t kWhite = 0x00FFFFFFu;
constexpr std::uint32_t kGrey = 0x00808080u;

// An image whose pixels the test owns.
struct TestImage {
  TestImage(int width, int height, std::uint32_t fill) : words(static_cast<std::size_t>(width * height), fill) {
    image.width = width;
    image.height = height;
    image.pixels = words.data();
  }
  std::uint32_t& at(int x, int y) { return words[static_cast<std::size_t>(y * image.width + x)]; }

  std::vector<std::uint32_t> words;
  Image image;
};

// Each pixel names its own position: column in bits 0..11, row in bits 12..23.
TestImage positionImage(int width, int height) {
  TestImage result(width, height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) result.at(x, y) = static_cast<std::uint32_t>(x | (y << 12));
  }
  return result;
}

int sampledColumn(std::uint32_t word) { return static_cast<int>(word & 0xFFF); }
int sampledRow(std::uint32_t word) { return static_cast<int>((word >> 12) & 0xFFF); }

std::uint32_t pixel(const std::vector<std::uint32_t>& frame, int x, int y) {
  return frame[static_cast<std::size_t>(y * kFrameWidth + x)];
}

bool inWindow(int x, int y) {
  return x >= kGreetsWindowX && x < kGreetsWindowX + kGreetsWindowWidth && y >= kGreetsWindowY &&
         y < kGreetsWindowY + kGreetsWindowHeight;
}

class SceneGreetsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetSceneGreetsLatchesForTesting();
    store = ImageStore::instance();
    scene = std::make_unique<SceneGreets>();
    ASSERT_NE(scene->picture, nullptr);
    ASSERT_NE(scene->risingText, nullptr);
    ASSERT_NE(scene->fallingText, nullptr);
    scene->picture = &picture.image;
    scene->risingText = &rising.image;
    scene->fallingText = &falling.image;
  }
  void TearDown() override {
    scene.reset();
    delete store;
  }

  void render(std::int32_t u) {
    std::fill(frame.begin(), frame.end(), kUntouched);
    scene->render(u, frame.data());
  }

  ImageStore* store = nullptr;
  std::unique_ptr<SceneGreets> scene;
  TestImage picture = positionImage(128, 128);
  TestImage rising{3, 40, kGrey};   // transparent unless a test paints it
  TestImage falling{3, 30, kGrey};
  std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(kFramePixels, kUntouched);
};

TEST_F(SceneGreetsTest, BackdropAndShadowCoverEveryPixelOutsideTheWindow) {
  render(0);
  // The shadow row reaches column 121; the shadow column starts at row 8.
  const int blacks[][2] = {{120, 80}, {121, 80}, {42, 80}, {120, 8}, {120, 79}};
  for (const auto& [x, y] : blacks) EXPECT_EQ(pixel(frame, x, y), 0u) << "(" << x << ", " << y << ")";
  const int backdrops[][2] = {{120, 7}, {41, 80}, {122, 80}, {121, 79}, {0, 99}, {159, 0}};
  for (const auto& [x, y] : backdrops) {
    EXPECT_EQ(pixel(frame, x, y), kGreetsBackdrop) << "(" << x << ", " << y << ")";
  }
  for (int y = 0; y < kFrameHeight; ++y) {
    for (int x = 0; x < kFrameWidth; ++x) {
      const std::uint32_t word = pixel(frame, x, y);
      ASSERT_NE(word, kUntouched) << "(" << x << ", " << y << ") not written";
      if (!inWindow(x, y) && word != 0) {
        ASSERT_EQ(word, kGreetsBackdrop) << "(" << x << ", " << y << ")";
      }
    }
  }
}

// Window pixel (i, j) samples start + i * column step + j * row step, computed here directly in
// long double from the same float inputs (row steps rounded to float as the scene keeps them).
struct ReferenceSampler {
  ReferenceSampler(const Image& image, float angle, float zoom, std::int32_t u) {
    const std::uint32_t k = static_cast<std::uint32_t>(sineIndex(angle));
    const long double cosine = sineTable()[(128u - k) & 511u];
    const long double sine = sineTable()[(0u - k) & 511u];
    columnX = zoom * cosine;
    columnY = zoom * sine;
    rowX = static_cast<float>(-1.6 * zoom * static_cast<double>(sine));
    rowY = static_cast<float>(1.6 * zoom * static_cast<double>(cosine));
    startX = image.width / 2 - 80 * zoom * cosine + 80 * zoom * sine + 0.1L * u;
    startY = image.height / 2 - 80 * zoom * sine - 80 * zoom * cosine + 0.1L * u;
  }
  long double x(int i, int j) const { return startX + i * columnX + j * rowX; }
  long double y(int i, int j) const { return startY + i * columnY + j * rowY; }

  long double columnX, columnY, rowX, rowY, startX, startY;
};

// Truncation toward zero, masked as two's complement; -1 near an integer boundary, where the
// scene's accumulated rounding may land on either side.
int maskedOrUnsure(long double coordinate, int size) {
  if (std::fabs(coordinate - std::round(coordinate)) < 1e-4L) return -1;
  return static_cast<int>(static_cast<std::int64_t>(std::trunc(coordinate)) & (size - 1));
}

TEST_F(SceneGreetsTest, RotozoomSamplesTheStatedGrid) {
  struct Case {
    int width, height;
    std::int32_t u;
  };
  const Case cases[] = {{128, 128, 0}, {128, 128, 5000}, {128, 128, 24999}, {64, 32, 1234}, {100, 60, 7777}};
  for (const Case& testCase : cases) {
    SCOPED_TRACE(testing::Message() << testCase.width << "x" << testCase.height << " at u " << testCase.u);
    TestImage image = positionImage(testCase.width, testCase.height);
    const float angle = static_cast<float>(testCase.u * 0.00045);
    const float zoom = 0.7f + 0.5f * sineLookup(static_cast<float>(testCase.u) * 0.000235f);
    std::fill(frame.begin(), frame.end(), kUntouched);
    rotozoom(image.image, angle, zoom, frame.data(), testCase.u);

    const ReferenceSampler reference(image.image, angle, zoom, testCase.u);
    int checked = 0;
    for (int y = 0; y < kFrameHeight; ++y) {
      for (int x = 0; x < kFrameWidth; ++x) {
        const std::uint32_t word = pixel(frame, x, y);
        if (!inWindow(x, y)) {
          ASSERT_EQ(word, kUntouched) << "(" << x << ", " << y << ") outside the window";
          continue;
        }
        ASSERT_LT(sampledColumn(word), testCase.width);
        ASSERT_LT(sampledRow(word), testCase.height);
        const int i = x - kGreetsWindowX;
        const int j = y - kGreetsWindowY;
        const int column = maskedOrUnsure(reference.x(i, j), testCase.width);
        const int row = maskedOrUnsure(reference.y(i, j), testCase.height);
        if (column >= 0) {
          EXPECT_EQ(sampledColumn(word), column) << "window (" << i << ", " << j << ")";
        }
        if (row >= 0) {
          EXPECT_EQ(sampledRow(word), row) << "window (" << i << ", " << j << ")";
        }
        checked += column >= 0 && row >= 0;
      }
    }
    EXPECT_GT(checked, kGreetsWindowWidth * kGreetsWindowHeight * 3 / 4);
  }
}

TEST_F(SceneGreetsTest, RotozoomAtTheStartStepsByZoomAndWrapsLikeTwosComplement) {
  // u = 0: no turn, zoom 0.7; column step (0.7, 0), row step (0, 1.12).
  render(0);
  EXPECT_EQ(sampledColumn(pixel(frame, 40, 6)), 64 - 56);
  EXPECT_EQ(sampledRow(pixel(frame, 40, 6)), 64 - 56);
  EXPECT_EQ(sampledColumn(pixel(frame, 50, 6)), 8 + 7);   // 10 column steps of 0.7
  EXPECT_EQ(sampledRow(pixel(frame, 40, 31)), 8 + 28);   // 25 row steps of 1.12
  EXPECT_EQ(sampledRow(pixel(frame, 50, 6)), 8);

  // A 64-wide image starts 24 columns left of its edge: -1.6 gives column 63, -0.9 column 0.
  TestImage narrow = positionImage(64, 64);
  rotozoom(narrow.image, 0.0f, 0.7f, frame.data(), 0);
  EXPECT_EQ(sampledColumn(pixel(frame, 40 + 32, 6)), 63);
  EXPECT_EQ(sampledColumn(pixel(frame, 40 + 33, 6)), 0);
  EXPECT_EQ(sampledColumn(pixel(frame, 40, 6)), 41);  // -23.99 truncates to -23, masked 41
}

TEST_F(SceneGreetsTest, TextColumnsScrollWithTheirColourKey) {
  // Rising text: row r holds white in column 0, black in column 1; row 2 has the unkeyed colours.
  for (int r = 0; r < rising.image.height; ++r) {
    rising.at(0, r) = kWhite;
    rising.at(1, r) = 0;
  }
  rising.at(0, 2) = 0xFF000000u;
  rising.at(1, 2) = 0xFFFFFFFFu;
  rising.at(2, 2) = kGrey;
  // Falling text: the last row white, every other row black in column 2.
  for (int k = 0; k < falling.image.height; ++k) falling.at(2, k) = 0;
  falling.at(0, falling.image.height - 1) = kWhite;

  // First call: row 0 of the rising text would sit at y = 100; the falling text's last row is at 0.
  render(0);
  for (int y = 0; y < kFrameHeight; ++y) EXPECT_EQ(pixel(frame, 125, y), kGreetsBackdrop) << y;
  EXPECT_EQ(pixel(frame, 4, 0), kWhite);
  EXPECT_EQ(pixel(frame, 6, 0), 0u);
  EXPECT_EQ(pixel(frame, 6, 1), kGreetsBackdrop);

  // 50 ms later: rising rows 0..4 at 95..99, falling rows 24..29 at 0..5.
  render(59);
  EXPECT_EQ(pixel(frame, 125, 94), kGreetsBackdrop);
  EXPECT_EQ(pixel(frame, 125, 95), kWhite);
  EXPECT_EQ(pixel(frame, 126, 95), 0u);
  EXPECT_EQ(pixel(frame, 125, 97), kGreetsBackdrop);  // 0xFF000000 is not black
  EXPECT_EQ(pixel(frame, 126, 97), kGreetsBackdrop);  // 0xFFFFFFFF is not white
  EXPECT_EQ(pixel(frame, 127, 97), kGreetsBackdrop);  // grey is not drawn
  EXPECT_EQ(pixel(frame, 125, 99), kWhite);
  EXPECT_EQ(pixel(frame, 4, 4), kGreetsBackdrop);
  EXPECT_EQ(pixel(frame, 4, 5), kWhite);
  EXPECT_EQ(pixel(frame, 6, 5), 0u);
  EXPECT_EQ(pixel(frame, 6, 0), 0u);
  EXPECT_EQ(pixel(frame, 6, 6), kGreetsBackdrop);
}

TEST_F(SceneGreetsTest, OriginsAreCapturedOnTheFirstCallAndAgainAfterEachPass) {
  rising.at(0, 0) = kWhite;
  falling.at(0, falling.image.height - 1) = kWhite;
  const int risingHeight = rising.image.height;
  const int fallingHeight = falling.image.height;

  // The first call captures both origins, whatever its u.
  render(5003);
  EXPECT_EQ(pixel(frame, 4, 0), kWhite);
  render(5013);
  EXPECT_EQ(pixel(frame, 125, 99), kWhite);
  EXPECT_EQ(pixel(frame, 4, 1), kWhite);

  // Offset H + 100 keeps the origin; H + 101 re-captures it, after drawing.
  render(5003 + 10 * (risingHeight + 100));
  render(5003 + 10 * (risingHeight + 101));
  render(5003 + 10 * (risingHeight + 102));
  EXPECT_EQ(pixel(frame, 125, 99), kWhite) << "rising text starts again from the bottom";

  // The falling text (shorter) was re-captured earlier, on the first call past its own H + 100.
  const std::int32_t fallingOrigin = 5003 + 10 * (risingHeight + 100);
  ASSERT_GT(fallingOrigin, 5003 + 10 * (fallingHeight + 100));
  EXPECT_EQ(pixel(frame, 4, 2), kWhite) << "falling origin re-captured at u " << fallingOrigin;
}

TEST_F(SceneGreetsTest, WideTextsAreClippedAtTheRightEdge) {
  TestImage wideRising(60, 5, kWhite);
  TestImage wideFalling(170, 5, kWhite);
  scene->risingText = &wideRising.image;
  scene->fallingText = &wideFalling.image;
  render(0);
  render(59);  // rising rows at 95..99, the last one on the frame's last row
  for (int x = kRisingTextX; x < kFrameWidth; ++x) EXPECT_EQ(pixel(frame, x, 99), kWhite) << x;
  for (int x = 0; x < kFallingTextX; ++x) EXPECT_EQ(pixel(frame, x, 96), kGreetsBackdrop) << x;
  for (int x = 0; x < kFallingTextX; ++x) EXPECT_EQ(pixel(frame, x, 5), kGreetsBackdrop) << x;
  EXPECT_EQ(pixel(frame, 159, 4), kWhite);
  EXPECT_EQ(pixel(frame, 60, 4), kWhite) << "a wide falling text covers the window";
}

}  // namespace
}  // namespace glimmer
