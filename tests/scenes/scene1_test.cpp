// Scene1: the seeded cube layout, the title latches and alphas, the colour-keyed overlay, and the
// first frame, title read-back order and camera path on a real GL context.
#include "scenes/scene1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "base/frame_buffer.h"
#include "base/pixel_ops.h"
#include "base/random.h"
#include "image/image_store.h"
#include "mesh/mesh_manager.h"
#include "show_fixture.h"
#include "support/generator_state.h"
#include "view/camera.h"

namespace glimmer {
namespace {

TEST(Scene1Layout, CubePositionsContinueTheSeededGenerator) {
  srand(666);
  MeshManager meshes;
  ImageStore images;
  Scene1 scene(meshes, images);
  const float first[6] = {83, 104, 112, -78, -31, -71};
  for (int index = 0; index < 6; ++index) EXPECT_EQ(scene.positions[index], first[index]) << index;
  EXPECT_EQ(scene.positions[1499], -39.0f);
  EXPECT_TRUE(testing::generatorStandsAt(0xAA5922D6u));  // exactly 1500 draws, no reseed: where Scene2 picks up
}

// Each sequence starts from unset latches; 999 stands for a title that is not shown.
TEST(Scene1Titles, AlphasFollowTheFramesTheLatchesSaw) {
  constexpr std::int32_t kOff = 999;
  struct Step {
    std::int32_t t;
    std::int32_t alpha[3];
  };
  const std::vector<std::vector<Step>> sequences = {
      {{0, {0, kOff, kOff}},
       {15000, {1500, kOff, kOff}},  // not yet past 15000
       {15037, {255, kOff, kOff}},   // captures 1503
       {19999, {-241, kOff, kOff}},
       {20000, {kOff, kOff, kOff}}},
      {{22013, {kOff, 0, kOff}},  // start 2201
       {28000, {kOff, 599, kOff}},
       {28010, {kOff, 255, kOff}},  // captures 600
       {28020, {kOff, 254, kOff}},
       {31000, {kOff, kOff, -310}},  // start 3100, subtracted twice: (31000 - 3100) / 10 - 3100
       {47000, {kOff, kOff, 1290}},  // not yet past 47000
       {47010, {kOff, kOff, 255}},   // captures 1291
       {47020, {kOff, kOff, 254}},
       {50000, {kOff, kOff, kOff}}},
      {{25000, {kOff, 0, kOff}}},  // a late first frame is the start
  };
  MeshManager meshes;
  ImageStore images;
  for (const std::vector<Step>& sequence : sequences) {
    Scene1 scene(meshes, images);  // a fresh scene has seen no frame yet
    for (const Step& step : sequence) {
      TitleState titles[3];
      scene.updateTitleStates(step.t, titles);
      for (int index = 0; index < 3; ++index) {
        EXPECT_EQ(titles[index].shown ? titles[index].alpha : kOff, step.alpha[index])
            << "t " << step.t << " title " << index + 1;
      }
    }
  }
}

TEST(Scene1Overlay, OnlyPureBlackAndWhiteWordsAreBlended) {
  std::vector<std::uint32_t> words = {0x00000000u, 0x00FFFFFFu, 0x01000000u, 0xFFFFFFFFu, 0x00123456u, 0x00FFFFFEu};
  Image image{3, 2, words.data()};
  for (std::int32_t alpha : {0, 128}) {
    std::vector<std::uint32_t> frame(kFramePixels, 0x00404040u);  // grey
    auto at = [&frame](int x, int y) { return frame[y * kFrameWidth + x]; };
    overlayTitle(frame.data(), image, 10, 20, alpha);
    EXPECT_EQ(at(10, 20), blendPixel(0x00000000u, 0x00404040u, alpha)) << alpha;
    EXPECT_EQ(at(11, 20), blendPixel(0x00FFFFFFu, 0x00404040u, alpha)) << alpha;
    EXPECT_EQ(at(12, 20), 0x00404040u) << alpha;  // the four unkeyed words
    for (int x = 10; x < 13; ++x) EXPECT_EQ(at(x, 21), 0x00404040u) << alpha;
  }
}

TEST(Scene1Overlay, ImagesReachingPastAnEdgeAreClippedToTheFrame) {
  // Guard words around the frame show any write outside it.
  std::vector<std::uint32_t> white(6 * 5, 0x00FFFFFFu);
  Image image{6, 5, white.data()};
  struct Place {
    int x0, y0, shown;
  };
  for (const Place& place : {Place{157, 97, 9}, Place{-4, -3, 4}, Place{160, 0, 0}}) {
    std::vector<std::uint32_t> words(kFramePixels + 800, 0xDEADBEEFu);
    std::fill(words.begin() + 400, words.begin() + 400 + kFramePixels, 0x00404040u);
    overlayTitle(words.data() + 400, image, place.x0, place.y0, 300);
    EXPECT_EQ(std::count(words.begin(), words.end(), 0x00FFFFFFu), place.shown) << place.x0 << "," << place.y0;
    EXPECT_EQ(std::count(words.begin(), words.end(), 0xDEADBEEFu), 800) << place.x0 << "," << place.y0;
  }
}

class Scene1Render : public ShowFixture {
 protected:
  void pass(Scene1& scene, std::int32_t t) {
    gles.clear();  // as every pass begins
    scene.render(t, gles);
  }
};

TEST_F(Scene1Render, FirstFrameIsBlackAndLaterTitlesShowOverTheReadBackPicture) {
  Scene1 scene(meshes, images);
  pass(scene, 0);
  EXPECT_EQ(std::count(frame(), frame() + kFramePixels, 0u), kFramePixels);

  pass(scene, 6000);  // alpha 600: keyed words are copied as they are; the fade-in is over
  const Image& title = *scene.title1;
  int keyed = 0;
  for (int row = 0; row < title.height; ++row) {
    for (int column = 0; column < title.width; ++column) {
      const std::uint32_t word = title.pixels[row * title.width + column];
      if (word != 0x00000000u && word != 0x00FFFFFFu) continue;
      ++keyed;
      ASSERT_EQ(frame()[(10 + row) * kFrameWidth + 5 + column], word) << column << "," << row;
    }
  }
  EXPECT_GT(keyed, 0);
  EXPECT_GT(std::count_if(frame(), frame() + kFramePixels, [](std::uint32_t word) { return word > 0x00FFFFFFu; }),
            0);  // the purple clear and the cubes around the title, with GL's alpha on top
}

// For the first 5000 ms the whole frame is darkened as scalePixels does at level t div 10. A fresh
// scene draws its first frame from the camera's start whatever t is, so two first frames differ
// only by the fade, and by title 1's alpha in its place.
TEST_F(Scene1Render, FadesInOverTheFirstSecondsByScalingEveryChannel) {
  auto firstFrameAt = [this](std::int32_t t) {
    srand(666);  // the same cloud of cubes
    Scene1 scene(meshes, images);
    glClearColor(0.5f, 0.25f, 0.75f, 1.0f);  // a background that shows the scaling too
    pass(scene, t);
    return std::vector<std::uint32_t>(frame(), frame() + kFramePixels);
  };
  std::vector<std::uint32_t> expected = firstFrameAt(5000);
  scalePixels(expected.data(), 200);
  const std::vector<std::uint32_t> faded = firstFrameAt(2000);
  const Image& title = *images.get("start1.png");
  int compared = 0;
  for (int y = 0; y < kFrameHeight; ++y) {
    for (int x = 0; x < kFrameWidth; ++x) {
      if (x >= 5 && x < 5 + title.width && y >= 10 && y < 10 + title.height) continue;
      ASSERT_EQ(faded[y * kFrameWidth + x], expected[y * kFrameWidth + x]) << x << ", " << y;
      ++compared;
    }
  }
  EXPECT_GT(compared, 1000);  // the frame around the title
}

// Before 20000 ms the camera slides 0.003 units per millisecond against its right axis, then turns
// 0.003 degrees per millisecond about the world's vertical: after steps of 1000 ms it has slid 3
// units along axes turned by 0, 3 and 6 degrees, and faces 9 degrees to the side. At 20000 it
// jumps once, and after 30000 it flies forward.
TEST_F(Scene1Render, CameraSlidesTurnsJumpsOnceAndFliesForwardOnlyAfterThirtySeconds) {
  Scene1 scene(meshes, images);
  struct Step {
    std::int32_t t;
    float x, z;
  };
  const Step steps[] = {
      {0, 0.0f, -5.0f}, {1000, -3.0f, -5.0f}, {2000, -5.99589f, -5.15701f}, {3000, -8.97946f, -5.47060f}};
  for (const Step& step : steps) {
    pass(scene, step.t);
    EXPECT_NEAR(scene.camera->position[0], step.x, 1e-3f) << "t " << step.t;
    EXPECT_NEAR(scene.camera->position[1], 0.0f, 1e-4f) << "t " << step.t;
    EXPECT_NEAR(scene.camera->position[2], step.z, 1e-3f) << "t " << step.t;
  }
  EXPECT_NEAR(scene.camera->forward[0], 0.15643f, 1e-4f);
  EXPECT_NEAR(scene.camera->forward[2], -0.98769f, 1e-4f);

  const std::int32_t times[] = {19990, 20000, 20010, 30000, 30010, 30020, 30520, 32520};
  float height[8];
  float forwardY[8];
  for (int index = 0; index < 8; ++index) {
    pass(scene, times[index]);
    height[index] = scene.camera->position[1];
    forwardY[index] = scene.camera->forward[1];
  }
  EXPECT_NEAR(height[0], 0.0f, 1e-3f);        // the slide and the turn keep it level
  EXPECT_NEAR(height[1], 170.0f, 1e-2f);      // t == 20000 takes the jump
  EXPECT_NEAR(forwardY[1], -0.8660f, 1e-3f);  // tilted 60 degrees down
  EXPECT_EQ(height[2], height[1]);            // once only
  EXPECT_EQ(height[3], height[1]);            // t == 30000 does not fly yet
  EXPECT_EQ(height[4], height[1]);            // the first forward frame starts its clock
  // Then 0.003 units per millisecond along the forward axis, whose height the turn keeps.
  EXPECT_NEAR(height[5], height[4] + 0.03f * forwardY[4], 1e-4f);
  EXPECT_NEAR(height[6], height[4] + 1.53f * forwardY[4], 1e-3f);
  EXPECT_NEAR(height[7], height[4] + 7.53f * forwardY[4], 1e-3f);
}

}  // namespace
}  // namespace glimmer
