// SceneGreets: backdrop and shadow, the turning picture's sampling, and the two text columns with
// their colour key and origins. The texts and picture are small made-up images.
#include "scenes/scene_greets.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "base/frame_buffer.h"
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

std::uint32_t pixel(const std::vector<std::uint32_t>& frame, int x, int y) {
  return frame[static_cast<std::size_t>(y * kFrameWidth + x)];
}

// The picture's {column, row} that a frame pixel was sampled from.
std::pair<int, int> sampled(const std::vector<std::uint32_t>& frame, int x, int y) {
  const std::uint32_t word = pixel(frame, x, y);
  return {static_cast<int>(word & 0xFFF), static_cast<int>((word >> 12) & 0xFFF)};
}

class SceneGreetsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(newScene()->picture, nullptr);
    ASSERT_NE(scene->risingText, nullptr);
    ASSERT_NE(scene->fallingText, nullptr);
    useTestImages();
  }
  SceneGreets* newScene() {
    scene = std::make_unique<SceneGreets>(store);
    return scene.get();
  }
  void useTestImages() {
    scene->picture = &picture.image;
    scene->risingText = &rising.image;
    scene->fallingText = &falling.image;
  }

  void render(std::int32_t u) {
    std::fill(frame.begin(), frame.end(), kUntouched);
    scene->render(u, frame.data());
  }

  ImageStore store;
  std::unique_ptr<SceneGreets> scene;
  TestImage picture = positionImage(128, 128);
  TestImage rising{3, 40, kGrey};  // transparent unless a test paints it
  TestImage falling{3, 30, kGrey};
  std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(kFramePixels, kUntouched);
};

TEST_F(SceneGreetsTest, BackdropAndShadow) {
  render(0);
  // The shadow row reaches column 121; the shadow column starts at row 8.
  const int blacks[][2] = {{120, 80}, {121, 80}};
  for (const auto& [x, y] : blacks) EXPECT_EQ(pixel(frame, x, y), 0u) << "(" << x << ", " << y << ")";
  const int backdrops[][2] = {{120, 7}, {122, 80}};
  for (const auto& [x, y] : backdrops) {
    EXPECT_EQ(pixel(frame, x, y), kGreetsBackdrop) << "(" << x << ", " << y << ")";
  }
}

TEST_F(SceneGreetsTest, RotozoomAtAQuarterTurnRunsTheRowsAcrossTheWindow) {
  // a = 1.5708: k = 128, cosine T1 = entry 0 = 0, sine of -a T2 = entry 384 = -1. At zoom 1 the
  // column step is (0, -1) and the row step (1.6, 0); the start is (64 - 80, 64 + 80) = (-16, 144).
  rotozoom(picture.image, 1.5708f, 1.0f, frame.data(), 0);
  EXPECT_EQ(sampled(frame, 40, 6), std::pair(112, 16));  // -16 wraps to 112, 144 to 16
  EXPECT_EQ(sampled(frame, 50, 6), std::pair(112, 6));   // ten columns right: ten image rows up
  EXPECT_EQ(sampled(frame, 40, 26), std::pair(16, 16));  // twenty rows down: 32 image columns right
}

// Unturned at zoom 1 the window's first pixel samples the drifting centre less (80, 80): the
// drift is 0.1 image pixel per millisecond along both axes, wrapped by the masks.
TEST_F(SceneGreetsTest, RotozoomDriftsATenthOfAPixelPerMillisecond) {
  const std::pair<std::int32_t, int> moments[] = {{0, 112}, {100, 122}, {1000, 84}, {2500, 106}, {12345, 66}};
  for (const auto& [u, start] : moments) {
    rotozoom(picture.image, 0.0f, 1.0f, frame.data(), u);
    EXPECT_EQ(sampled(frame, 40, 6), std::pair(start, start)) << "u " << u;
    EXPECT_EQ(sampled(frame, 45, 16), std::pair((start + 5) & 127, (start + 16) & 127)) << "u " << u;
  }
}

// The picture turns by 0.00045 rad and breathes by the table entry trunc(u * 0.000235 * factor)
// per millisecond: the window at each moment is the turn and zoom of those table entries.
TEST_F(SceneGreetsTest, PictureTurnsAndBreathesWithTheShowTime) {
  struct Moment {
    std::int32_t u;
    int turnEntry;    // trunc(u * 0.00045 * factor)
    int breathEntry;  // trunc(u * 0.000235 * factor)
  };
  const Moment moments[] = {{1000, 36, 19}, {3491, 128, 66}, {20000, 733, 382}};
  std::vector<std::uint32_t> expected(kFramePixels);
  for (const Moment& moment : moments) {
    const float angle = (static_cast<float>(moment.turnEntry) + 0.5f) / kSineFactor;
    ASSERT_EQ(sineIndex(angle), moment.turnEntry);
    const float zoom = static_cast<float>(0.7 + 0.5 * sineTable()[moment.breathEntry & kSineTableMask]);
    std::fill(expected.begin(), expected.end(), kUntouched);
    rotozoom(picture.image, angle, zoom, expected.data(), moment.u);
    newScene();
    useTestImages();
    render(moment.u);
    for (int y = kGreetsWindowY; y < kGreetsWindowY + kGreetsWindowHeight; ++y) {
      for (int x = kGreetsWindowX; x < kGreetsWindowX + kGreetsWindowWidth; ++x) {
        ASSERT_EQ(pixel(frame, x, y), pixel(expected, x, y)) << "u " << moment.u << " at " << x << "," << y;
      }
    }
  }
}

// Both texts move one row every 10 ms from where the first call put them: the rising text's first
// row from y = 100 up, the falling text's last row from y = 0 down. Only pure white and pure black
// words are drawn: not grey, nor black or white with a top byte.
TEST_F(SceneGreetsTest, TextColumnsMoveOneRowEveryTenMillisecondsWithTheirColourKey) {
  rising.at(0, 0) = kWhite;
  rising.at(1, 0) = 0;
  rising.at(0, 2) = 0xFF000000u;
  rising.at(1, 2) = 0xFFFFFFFFu;
  falling.at(0, falling.image.height - 1) = kWhite;
  render(0);
  const std::pair<std::int32_t, int> moments[] = {{59, 5}, {509, 50}, {999, 99}};
  for (const auto& [u, rows] : moments) {
    render(u);
    EXPECT_EQ(pixel(frame, kRisingTextX, kFrameHeight - rows), kWhite) << "u " << u;
    EXPECT_EQ(pixel(frame, kRisingTextX + 1, kFrameHeight - rows), 0u) << "u " << u;
    EXPECT_EQ(pixel(frame, kRisingTextX, kFrameHeight - rows - 1), kGreetsBackdrop) << "u " << u;
    for (int x = kRisingTextX; x < kRisingTextX + 3; ++x) {
      EXPECT_EQ(pixel(frame, x, kFrameHeight - rows + 2), kGreetsBackdrop) << "u " << u << ", column " << x;
    }
    EXPECT_EQ(pixel(frame, kFallingTextX, rows), kWhite) << "u " << u;
    EXPECT_NE(pixel(frame, kFallingTextX, rows - 1), kWhite) << "u " << u;
    if (rows + 1 < kFrameHeight) {
      EXPECT_NE(pixel(frame, kFallingTextX, rows + 1), kWhite) << "u " << u;
    }
  }
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
  for (int x = 125; x < kFrameWidth; ++x) EXPECT_EQ(pixel(frame, x, 99), kWhite) << x;
  EXPECT_EQ(pixel(frame, 159, 4), kWhite);
  EXPECT_EQ(pixel(frame, 0, 4), kGreetsBackdrop) << "nothing wrapped onto the next row";
}

}  // namespace
}  // namespace glimmer
