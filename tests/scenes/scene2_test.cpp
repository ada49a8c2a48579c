// Scene2: the seeded shapes, the half-resolution background (zero words only, offset, wrap with
// period H - 1), and the fall, floor wrap, long gaps and the cluster's pulse on a real GL context.
#include "scenes/scene2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "base/frame_buffer.h"
#include "base/random.h"
#include "image/image_store.h"
#include "mesh/mesh_manager.h"
#include "music/music_stream.h"
#include "show_fixture.h"
#include "support/generator_state.h"
#include "view/camera.h"

namespace glimmer {
namespace {

TEST(Scene2Layout, ShapesContinueFromWhereTheCubeCloudLeftTheGenerator) {
  srand(0xAA5922D6u);  // the state Scene1's constructor leaves after srand(666)
  MeshManager meshes;
  ImageStore images;
  MusicStream music;
  Scene2 scene(meshes, images, music);
  ASSERT_EQ(scene.shapes.size(), 60u);
  struct Place {
    int index;
    float x, y, z, r, g, b;
  };
  const Place places[] = {{0, -9, -19, -20, 0.4f, 0.4f, 0.8f}, {59, -10, 48, -11, 0.8f, 0.4f, 0.4f}};
  for (const Place& place : places) {
    const FallingShape& shape = scene.shapes[place.index];
    EXPECT_EQ((std::vector<float>{shape.x, shape.y, shape.z, shape.r, shape.g, shape.b, shape.a}),
              (std::vector<float>{place.x, place.y, place.z, place.r, place.g, place.b, 1.0f}))
        << place.index;
  }
  EXPECT_TRUE(testing::generatorStandsAt(0x90C15E75u));  // left reseeded for whoever draws next
}

// An image whose words name their row and column (never 0).
struct NumberedImage {
  NumberedImage(int width, int height) : words(static_cast<std::size_t>(width * height)) {
    for (int index = 0; index < width * height; ++index) words[index] = word(index % width, index / width);
    image = Image{width, height, words.data()};
  }
  static std::uint32_t word(int column, int row) { return 0x00010000u * (row + 1) + column + 1; }
  std::vector<std::uint32_t> words;
  Image image;
};

TEST(Scene2Background, RowsLandTwoFrameRowsPerStepAndWrapWithPeriodHeightMinusOne) {
  struct Case {
    std::int32_t k;
    std::vector<int> sourceOfRow;  // per image row r (frame row 2r): the source row, or -1 for none
  };
  const Case cases[] = {
      {0, {0, 1, 2, 3, 4}},
      {4, {0, 1, 2, 3, 0}},      // one full period of H - 1 = 4
      {6, {-1, -1, 0, 1, 2}},    // row 1 would need source -1: the pass stops there
      {-3, {3, 4, -1, -1, -1}},  // time went backwards: source rows past the end are skipped
  };
  NumberedImage numbered(3, 5);
  for (const Case& item : cases) {
    std::vector<std::uint32_t> frame(kFramePixels, 0u);
    frame[0] = 0xFF000000u;  // black with a top byte is drawn, not empty
    frame[4 * kFrameWidth + 2] = 0x00000001u;
    fillScrollingBackground(frame.data(), numbered.image, item.k);
    for (int y = 0; y < kFrameHeight; ++y) {
      for (int x = 0; x < kFrameWidth; ++x) {
        std::uint32_t expected = 0;
        if (y % 2 == 0 && x % 2 == 0 && y < 10 && x < 6 && item.sourceOfRow[y / 2] >= 0) {
          expected = NumberedImage::word(x / 2, item.sourceOfRow[y / 2]);
        }
        if (x == 0 && y == 0) expected = 0xFF000000u;
        if (x == 2 && y == 4) expected = 0x00000001u;
        ASSERT_EQ(frame[y * kFrameWidth + x], expected) << "k " << item.k << " at " << x << "," << y;
      }
    }
  }
}

TEST(Scene2Background, ImagesLargerThanTheHalfResolutionGridAreClipped) {
  NumberedImage numbered(90, 60);
  std::vector<std::uint32_t> words(kFramePixels + 1000, 0u);
  fillScrollingBackground(words.data(), numbered.image, 0);
  EXPECT_EQ(std::count(words.begin() + kFramePixels, words.end(), 0u), 1000);
  EXPECT_EQ(words[98 * kFrameWidth + 158], NumberedImage::word(79, 49));
  EXPECT_EQ(words[1 * kFrameWidth + 0], 0u);  // where column 80 of row 0 would land unclipped
}

class Scene2Render : public ShowFixture {
 protected:
  // One pass as the main loop makes it: clear, the shared camera's view, the scene.
  void pass(Scene2& scene, std::int32_t t) {
    gles.clear();  // as every pass begins
    camera.applyView();
    scene.render(t, gles);
  }

  // Puts every shape far above the view, so only the cluster and the background can show.
  static void liftAllShapes(Scene2& scene, float y) {
    for (FallingShape& shape : scene.shapes) shape.y = y;
  }

  Camera camera{-3.0f};
};

TEST_F(Scene2Render, AShapeExactlyAtTheFloorStaysAndOneBelowItWraps) {
  Scene2 scene(meshes, images, music);
  liftAllShapes(scene, 100.0f);
  scene.shapes[0].y = -29.0f;
  scene.shapes[1].y = -29.01f;
  pass(scene, 0);  // the first pass moves nothing
  EXPECT_EQ(scene.shapes[0].y, -29.0f);
  pass(scene, 100);  // falls 1.0
  EXPECT_EQ(scene.shapes[0].y, -30.0f);
  EXPECT_EQ(scene.shapes[1].y, 50.0f);
  EXPECT_EQ(scene.shapes[2].y, 99.0f);
}

// The cluster's cube i is scaled by 0.3 sin(i + level) + 0.4 (0.45 in the glow pass), with level
// = spectrum bin 10 x 40 and sin looked up as table entry trunc(x * 81.487236) & 511. A level of
// one turn of the table gives every cube its size of a silent spectrum, half a turn other sizes.
TEST_F(Scene2Render, TheClusterPulsesWithBinTenTimesForty) {
  const float turn = 0.157083f;    // x 40 = 6.28332: one turn
  const float halfTurn = 0.0785f;  // x 40 = 3.14
  Scene2 scene(meshes, images, music);
  liftAllShapes(scene, 1000.0f);
  scene.background = nullptr;  // only the cluster shows
  float* spectrum = music.spectrum;
  auto picture = [&](int bin, float value) {
    std::fill(spectrum, spectrum + 1024, 0.0f);
    spectrum[bin] = value;
    pass(scene, 6000);  // risen to its height of 0, at the same spin and bob every time
    return std::vector<std::uint32_t>(frame(), frame() + kFramePixels);
  };
  const std::vector<std::uint32_t> resting = picture(10, 0.0f);
  ASSERT_GT(std::count_if(resting.begin(), resting.end(), [](std::uint32_t word) { return word != 0; }), 50);
  EXPECT_TRUE(picture(10, turn) == resting) << "one turn";
  EXPECT_FALSE(picture(10, halfTurn) == resting) << "half a turn";
  EXPECT_TRUE(picture(9, halfTurn) == resting) << "bin 9";
  EXPECT_TRUE(picture(11, halfTurn) == resting) << "bin 11";
}

TEST_F(Scene2Render, LongGapsMoveTheShapesAndTheBackgroundInOneStep) {
  Scene2 scene(meshes, images, music);
  liftAllShapes(scene, 200.0f);
  const Image& background = *scene.background;
  ASSERT_EQ(background.width, 80);
  ASSERT_EQ(background.height, 50);
  auto backgroundWord = [&](int column, int row) { return background.pixels[row * 80 + column]; };

  pass(scene, 1000);  // scroll origin 50; the cluster is still far below the view
  pass(scene, 1500);  // 500 ms later: 5 units down, 25 rows on
  for (const FallingShape& shape : scene.shapes) ASSERT_EQ(shape.y, 195.0f);
  for (int row = 0; row < 50; ++row) {
    const int source = row >= 25 ? row - 25 : row - 25 + 49;
    for (int column = 0; column < 80; ++column) {
      ASSERT_EQ(frame()[2 * row * kFrameWidth + 2 * column], backgroundWord(column, source)) << column << "," << row;
      ASSERT_EQ(frame()[2 * row * kFrameWidth + 2 * column + 1], 0u);
    }
  }

  // And on at the same rates: 0.01 units and a twentieth of a row per millisecond.
  const struct {
    std::int32_t t;
    float y;
    int k;
  } moments[] = {{1520, 194.8f, 26}, {1960, 190.4f, 48}, {1980, 190.2f, 49}, {2000, 190.0f, 1}};  // 49: starts over
  for (const auto& moment : moments) {
    pass(scene, moment.t);
    EXPECT_NEAR(scene.shapes[0].y, moment.y, 1e-3f) << "t " << moment.t;
    const int source = moment.k == 0 ? 0 : 49 - moment.k;
    EXPECT_EQ(frame()[0], backgroundWord(0, source)) << "t " << moment.t;
    EXPECT_EQ(frame()[98 * kFrameWidth + 2], backgroundWord(1, 49 - moment.k)) << "t " << moment.t;
  }
}

}  // namespace
}  // namespace glimmer
