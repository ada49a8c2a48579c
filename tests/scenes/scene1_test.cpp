// Scene1: the seeded cube layout, the title latches and alphas, the colour-keyed overlay with its
// clipping, and the camera path and first frame on a real GL context.
#include "scenes/scene1.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "demo/pixel_ops.h"
#include "demo/random.h"
#include "gles/frame_buffer.h"
#include "image/image_store.h"
#include "mesh/mesh_manager.h"
#include "scenesa_support.h"
#include "view/camera.h"

namespace glimmer {
namespace {

TEST(Scene1Layout, CubePositionsContinueTheSeededGenerator) {
  srand(666);
  Scene1 scene;
  const float first[6] = {83, 104, 112, -78, -31, -71};
  for (int index = 0; index < 6; ++index) EXPECT_EQ(scene.positions[index], first[index]) << index;
  EXPECT_EQ(scene.positions[1497], 109.0f);
  EXPECT_EQ(scene.positions[1498], 102.0f);
  EXPECT_EQ(scene.positions[1499], -39.0f);
  for (int index = 0; index < 1500; ++index) {
    ASSERT_GE(scene.positions[index], -130.0f);
    ASSERT_LE(scene.positions[index], 119.0f);
  }
  // Exactly 1500 draws and no reseed: where Scene2's constructor picks up.
  EXPECT_EQ(randomState(), 0xAA5922D6u);
  EXPECT_EQ(scene.camera->position[2], -5.0f);
  delete ImageStore::instance();
  delete MeshManager::instance();
}

struct Expected {
  std::int32_t t;
  std::array<TitleState, 3> titles;
};

void expectTitleSequence(const std::vector<Expected>& sequence) {
  resetScene1LatchesForTesting();
  for (const Expected& step : sequence) {
    TitleState titles[3];
    updateTitleStates(step.t, titles);
    for (int index = 0; index < 3; ++index) {
      EXPECT_EQ(titles[index].shown, step.titles[index].shown) << "t " << step.t << " title " << index + 1;
      if (titles[index].shown && step.titles[index].shown) {
        EXPECT_EQ(titles[index].alpha, step.titles[index].alpha) << "t " << step.t << " title " << index + 1;
      }
    }
  }
}

constexpr TitleState kOff{};
TitleState on(std::int32_t alpha) { return TitleState{true, alpha}; }

TEST(Scene1Titles, TitleOneFadesOutFromTheFirstFramePastFifteenSeconds) {
  expectTitleSequence({
      {0, {on(0), kOff, kOff}},
      {2550, {on(255), kOff, kOff}},
      {15000, {on(1500), kOff, kOff}},  // not yet past 15000
      {15037, {on(255), kOff, kOff}},   // captures 1503
      {16000, {on(158), kOff, kOff}},
      {17580, {on(0), kOff, kOff}},
      {19999, {on(-241), kOff, kOff}},  // blendPixel keeps the frame below 0
      {20000, {kOff, kOff, kOff}},
      {21999, {kOff, kOff, kOff}},
  });
}

TEST(Scene1Titles, TitleTwoStartsAndFadesFromTheFramesItSees) {
  expectTitleSequence({
      {22013, {kOff, on(0), kOff}},  // start 2201
      {24563, {kOff, on(255), kOff}},
      {28000, {kOff, on(599), kOff}},
      {28010, {kOff, on(255), kOff}},  // captures 600
      {28020, {kOff, on(254), kOff}},
      {30999, {kOff, on(-43), kOff}},
      {31000, {kOff, kOff, on(-310)}},
  });
}

TEST(Scene1Titles, TitleThreeSubtractsItsStartTwice) {
  expectTitleSequence({
      {31000, {kOff, kOff, on(-310)}},  // start 3100: (31000 - 3100) / 10 - 3100
      {34100, {kOff, kOff, on(0)}},
      {34110, {kOff, kOff, on(1)}},
      {36650, {kOff, kOff, on(255)}},
      {47000, {kOff, kOff, on(1290)}},
      {47010, {kOff, kOff, on(255)}},  // captures 1291
      {49999, {kOff, kOff, on(-43)}},
      {50000, {kOff, kOff, kOff}},
      {55000, {kOff, kOff, kOff}},
  });
}

TEST(Scene1Titles, LatchesHoldAcrossALateFirstFrame) {
  // A show that starts late in title 2's window: its start is that frame, not 22000.
  expectTitleSequence({
      {25000, {kOff, on(0), kOff}},
      {28500, {kOff, on(255), kOff}},  // captures 350
      {28510, {kOff, on(254), kOff}},
  });
}

// A frame between two guard bands, so a write outside it shows.
struct GuardedFrame {
  static constexpr int kGuard = 400;
  static constexpr std::uint32_t kGuardWord = 0xDEADBEEFu;
  GuardedFrame() : words(kFramePixels + 2 * kGuard, kGuardWord) {
    std::fill(pixels(), pixels() + kFramePixels, 0x00404040u);
  }
  std::uint32_t* pixels() { return words.data() + kGuard; }
  std::uint32_t at(int x, int y) { return pixels()[y * kFrameWidth + x]; }
  bool guardsIntact() const {
    for (int index = 0; index < kGuard; ++index) {
      if (words[index] != kGuardWord || words[words.size() - 1 - index] != kGuardWord) return false;
    }
    return true;
  }
  std::vector<std::uint32_t> words;
};

TEST(Scene1Overlay, OnlyPureBlackAndWhiteWordsAreBlended) {
  std::vector<std::uint32_t> words = {0x00000000u, 0x00FFFFFFu, 0x01000000u,
                                      0xFFFFFFFFu, 0x00123456u, 0x00FFFFFEu};
  Image image{3, 2, words.data()};
  for (std::int32_t alpha : {-1, 0, 128, 255, 256}) {
    GuardedFrame frame;
    overlayTitle(frame.pixels(), image, 10, 20, alpha);
    EXPECT_EQ(frame.at(10, 20), blendPixel(0x00000000u, 0x00404040u, alpha)) << alpha;
    EXPECT_EQ(frame.at(11, 20), blendPixel(0x00FFFFFFu, 0x00404040u, alpha)) << alpha;
    EXPECT_EQ(frame.at(12, 20), 0x00404040u) << alpha;
    for (int column = 10; column < 13; ++column) EXPECT_EQ(frame.at(column, 21), 0x00404040u) << alpha;
  }
  GuardedFrame frame;
  overlayTitle(frame.pixels(), image, 10, 20, 300);
  EXPECT_EQ(frame.at(11, 20), 0x00FFFFFFu);
  EXPECT_EQ(frame.at(10, 20), 0x00000000u);
}

TEST(Scene1Overlay, ImagesReachingPastAnyEdgeAreClipped) {
  std::vector<std::uint32_t> white(6 * 5, 0x00FFFFFFu);
  Image image{6, 5, white.data()};
  struct Place {
    int x0, y0, firstX, firstY, lastX, lastY;  // the frame pixels that must turn white
  };
  const Place places[] = {
      {157, 97, 157, 97, 159, 99},
      {-4, -3, 0, 0, 1, 1},
      {-2, 96, 0, 96, 3, 99},
      {155, -4, 155, 0, 159, 0},
      {160, 0, 1, 1, 0, 0},  // wholly outside: nothing
      {-6, 50, 1, 1, 0, 0},
  };
  for (const Place& place : places) {
    GuardedFrame frame;
    overlayTitle(frame.pixels(), image, place.x0, place.y0, 300);
    EXPECT_TRUE(frame.guardsIntact()) << place.x0 << "," << place.y0;
    int whiteCount = 0;
    for (int y = 0; y < kFrameHeight; ++y) {
      for (int x = 0; x < kFrameWidth; ++x) {
        const bool inside = x >= place.firstX && x <= place.lastX && y >= place.firstY && y <= place.lastY;
        if (frame.at(x, y) == 0x00FFFFFFu) ++whiteCount;
        EXPECT_EQ(frame.at(x, y) == 0x00FFFFFFu, inside) << place.x0 << "," << place.y0 << " at " << x << "," << y;
      }
    }
    const int expected = std::max(0, place.lastX - place.firstX + 1) * std::max(0, place.lastY - place.firstY + 1);
    EXPECT_EQ(whiteCount, expected);
  }
}

class Scene1Render : public ShowFixture {
 protected:
  void SetUp() override {
    ShowFixture::SetUp();
    resetScene1LatchesForTesting();
  }
};

TEST_F(Scene1Render, FirstFrameIsBlack) {
  Scene1 scene;
  clearLikeTheLoop();
  scene.render(0, frame());
  for (int index = 0; index < kFramePixels; ++index) ASSERT_EQ(frame()[index], 0u) << index;
}

TEST_F(Scene1Render, KeyedTitlePixelsShowOverTheReadBackPicture) {
  Scene1 scene;
  clearLikeTheLoop();
  scene.render(0, frame());
  clearLikeTheLoop();
  scene.render(6000, frame());  // alpha 600: keyed words are copied as they are, no fade any more
  const Image& title = *scene.title1;
  int keyed = 0;
  int cubePixels = 0;
  for (int row = 0; row < title.height; ++row) {
    for (int column = 0; column < title.width; ++column) {
      const std::uint32_t word = title.pixels[row * title.width + column];
      if (word == 0x00000000u || word == 0x00FFFFFFu) {
        ++keyed;
        ASSERT_EQ(frame()[(10 + row) * kFrameWidth + 5 + column], word) << column << "," << row;
      }
    }
  }
  for (int index = 0; index < kFramePixels; ++index) {
    if (frame()[index] != 0u && frame()[index] != 0x00FFFFFFu) ++cubePixels;
  }
  EXPECT_GT(keyed, 0);
  EXPECT_GT(cubePixels, 0);  // the GL picture is there around the title
}

TEST_F(Scene1Render, CameraJumpsOnceAndFliesForwardOnlyAfterThirtySeconds) {
  Scene1 scene;
  const std::int32_t times[] = {0, 10000, 19990, 20000, 20010, 30000, 30010, 30020, 30030};
  float heights[9];
  float forwardY[9];
  for (int index = 0; index < 9; ++index) {
    clearLikeTheLoop();
    scene.render(times[index], frame());
    heights[index] = scene.camera->position[1];
    forwardY[index] = scene.camera->forward[1];
  }
  EXPECT_EQ(heights[0], 0.0f);
  EXPECT_NEAR(heights[2], 0.0f, 1e-3f);          // the slide and the turn keep it level
  EXPECT_NEAR(heights[3], 170.0f, 1e-2f);        // t == 20000 takes the jump
  EXPECT_NEAR(forwardY[3], -0.8660f, 1e-3f);     // tilted 60 degrees down
  EXPECT_EQ(heights[4], heights[3]);              // once only
  EXPECT_EQ(heights[5], heights[3]);              // t == 30000 does not fly yet
  EXPECT_EQ(heights[6], heights[3]);              // the first forward frame starts the clock
  EXPECT_NEAR(heights[7], heights[6] + 0.03f * forwardY[6], 1e-4f);
  EXPECT_NEAR(heights[8], heights[7] + 0.03f * forwardY[7], 1e-4f);
}

}  // namespace
}  // namespace glimmer
