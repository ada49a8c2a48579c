// Scene3 on a real context: the lattice, the spectrum's grey and depth, the camera cuts and the
// pull-back.
#include "scenes/scene3.h"

#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <set>
#include <vector>

#include "base/frame_buffer.h"
#include "music/music_stream.h"
#include "show_fixture.h"
#include "support/gl_state.h"
#include "view/camera.h"

namespace glimmer {
namespace {

class Scene3Test : public ShowFixture {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ShowFixture::SetUp());
    scene = std::make_unique<Scene3>(meshes, music);
  }

  // Clears to black (whatever grey the scene asked for) and renders; the scene reads its picture
  // back.
  void renderBlackCleared(std::int32_t t, std::uint8_t variant) {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    gles.clear();
    scene->render(t, variant, gles);
  }

  // Width in pixels of the orange mesh (red well above blue; the lattice is bluish).
  int orangeWidth() const {
    int left = kFrameWidth;
    int right = -1;
    for (int y = 0; y < kFrameHeight; ++y) {
      for (int x = 0; x < kFrameWidth; ++x) {
        const Pixel word = gles.pixels[y * kFrameWidth + x];
        const int red = static_cast<int>(word & 0xFF);
        const int blue = static_cast<int>((word >> 16) & 0xFF);
        if (red > blue + 40) {
          left = std::min(left, x);
          right = std::max(right, x);
        }
      }
    }
    return right - left + 1;
  }

  std::unique_ptr<Scene3> scene;  // goes before the fixture's registries and context
};

using Point = std::array<float, 3>;

TEST_F(Scene3Test, LatticeIsEveryGridLineOnce) {
  const LatticeVertex* vertices = scene->latticeData.get();
  auto at = [vertices](int index) {
    return Point{vertices[index].position[0], vertices[index].position[1], vertices[index].position[2]};
  };

  // 363 distinct segments on the even grid, each 20 long along one axis: every grid line once (121
  // along each axis is all there are).
  std::set<std::pair<Point, Point>> segments;
  for (int pair = 0; pair < kLatticeVertexCount / 2; ++pair) {
    const Point from = at(2 * pair);
    const Point to = at(2 * pair + 1);
    int moving = 0;
    for (int axis = 0; axis < 3; ++axis) {
      EXPECT_TRUE(std::abs(from[axis]) <= 10 && static_cast<int>(from[axis]) % 2 == 0) << "segment " << pair;
      if (from[axis] != to[axis]) {
        ++moving;
        EXPECT_EQ(std::abs(to[axis] - from[axis]), 20.0f) << "segment " << pair;
      }
    }
    EXPECT_EQ(moving, 1) << "segment " << pair;
    segments.insert(std::minmax(from, to));
  }
  EXPECT_EQ(segments.size(), 363u);
}

TEST_F(Scene3Test, ARebuildRewritesInPlaceAndASecondSceneGetsALatticeOfItsOwn) {
  const std::uint32_t name = scene->latticeVertices;
  scene->buildLattice();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_EQ(scene->latticeVertices, name);
  EXPECT_EQ(testing::bufferSize(GL_ARRAY_BUFFER, name), 23232);

  // A second scene in the same process makes its own storage instead of updating none.
  scene.reset();
  scene = std::make_unique<Scene3>(meshes, music);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_EQ(testing::bufferSize(GL_ARRAY_BUFFER, scene->latticeVertices), 23232);
}

TEST_F(Scene3Test, SpectrumBinFiveSetsTheGreyAndPushesTheMeshBack) {
  renderBlackCleared(0, 0);
  auto clearColour = [] {
    std::vector<float> colour(4);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, colour.data());
    return colour;
  };
  // Bins 4 and 6 do not count.
  music.spectrum[4] = music.spectrum[6] = 0.05f;
  renderBlackCleared(0, 0);
  EXPECT_EQ(clearColour(), (std::vector<float>{0, 0, 0, 1}));
  const int widthAtEight = orangeWidth();

  music.spectrum[5] = 0.05f;
  renderBlackCleared(0, 0);
  EXPECT_EQ(clearColour(), (std::vector<float>{1, 1, 1, 1}));
  const int widthAtNine = orangeWidth();

  // The eye is at z = -3: the mesh 5 units away at level 0, 6 units at level 1.
  ASSERT_GT(widthAtNine, 10);
  EXPECT_NEAR(static_cast<double>(widthAtEight) / widthAtNine, 6.0 / 5.0, 0.08);

  // A grey clear shows in the next frame.
  gles.clear();
  gles.readBack();
  EXPECT_EQ(gles.pixels[0] & 0x00FFFFFFu, 0x00FFFFFFu);
}

struct CameraStep {
  std::uint8_t variant;
  std::int32_t t;
  Point position;  // after the call
};

TEST_F(Scene3Test, CameraCutsAtMostOncePerCallAndPullsBackInVariantOne) {
  const Point far{0, 0, -3};
  const Point nearer{0, 1, -6};
  const std::pair<const char*, std::vector<CameraStep>> cases[] = {
      {"cuts at the first frame past each moment",
       {{0, 0, far},
        {0, 5000, far},
        {0, 5001, nearer},
        {0, 15000, nearer},
        {0, 15001, far},
        {0, 20000, far},
        {0, 20001, nearer},
        {0, 31000, nearer}}},
      {"a stall past 15000 and 20000 makes the far cut, the near cut follows",
       {{0, 6000, nearer}, {0, 21000, far}, {0, 21010, nearer}, {0, 21020, nearer}}},
      {"pull-back starts the call after the first past 10000",
       {{1, 9000, far},
        {1, 10000, far},
        {1, 10001, far},
        {1, 10101, {0, 0, -2.4f}},
        {1, 10201, {0, 0, -1.8f}},
        {1, 13701, {0, 0, 19.2f}}}},
  };
  for (const auto& [name, steps] : cases) {
    SCOPED_TRACE(name);
    scene = std::make_unique<Scene3>(meshes, music);
    for (const CameraStep& step : steps) {
      renderBlackCleared(step.t, step.variant);
      for (int axis = 0; axis < 3; ++axis) {
        EXPECT_NEAR(scene->camera->position[axis], step.position[axis], 1e-4f) << "t " << step.t << ", axis " << axis;
      }
    }
  }
}

}  // namespace
}  // namespace glimmer
