// Frustum on a real GL context: which cubes the extracted planes let through.
#include "view/frustum.h"

#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "gles/gles_helper.h"

namespace glimmer {
namespace {

class FrustumTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(gles.create()); }

  // The unit cube of clip space as the view volume, in world space.
  static void useUnitOrtho() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(-1.0f, 1.0f, -1.0f, 1.0f, -1.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
  }

  GLESHelper gles;
};

TEST_F(FrustumTest, NeverExtractedSeesNothing) {
  const Frustum frustum;
  EXPECT_FALSE(frustum.cubeVisible({0, 0, -10, 1}));
  EXPECT_FALSE(frustum.cubeVisible({0, 0, 0, 1000}));
}

TEST_F(FrustumTest, CornerOnAPlaneCountsAsOutside) {
  useUnitOrtho();
  Frustum frustum;
  frustum.extract();
  // Each cube's nearest face lies exactly on one plane (values exact in binary).
  const CubeBounds touching[] = {{1.5f, 0, 0, 0.5f}, {0, 0, -1.5f, 0.5f}};
  for (const CubeBounds& cube : touching) {
    EXPECT_FALSE(frustum.cubeVisible(cube)) << cube.x << " " << cube.y << " " << cube.z;
    const CubeBounds reaching{cube.x, cube.y, cube.z, 0.5625f};
    EXPECT_TRUE(frustum.cubeVisible(reaching)) << cube.x << " " << cube.y << " " << cube.z;
  }
}

TEST_F(FrustumTest, ShowProjectionSeesAheadNotBehind) {
  gles.setupProjection();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  Frustum frustum;
  frustum.extract();
  const struct {
    CubeBounds cube;
    bool visible;
  } cases[] = {
      {{0, 0, -10, 1}, true},
      {{0, 0, 10, 1}, false},      // behind the eye
      {{0, 0, -152, 1}, false},    // beyond the far plane
      {{0, 0, -75, 200}, true},    // contains the whole volume
      // At depth 11, the far side of these cubes, the view reaches 11 tan(22.5 degrees) = 4.56 up
      // and down and 1.6 times that, 7.29, to the sides.
      {{8.5f, 0, -10, 1}, false},   // off to the right
      {{-8.5f, 0, -10, 1}, false},  // to the left
      {{0, 5.8f, -10, 1}, false},   // above
      {{0, -5.8f, -10, 1}, false},  // below
      {{8.1f, 0, -10, 1}, true},    // reaching in from the right
      {{0, 5.2f, -10, 1}, true},    // and from above
  };
  for (const auto& test : cases) {
    EXPECT_EQ(frustum.cubeVisible(test.cube), test.visible)
        << test.cube.x << " " << test.cube.y << " " << test.cube.z << " " << test.cube.halfSize;
  }
}

TEST_F(FrustumTest, PlaneWithoutNormalKeepsItsSignAndStaysFinite) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // Only the w row is left, so every plane has a = b = c = 0 and d = the w of the matrix.
  for (const float w : {1.0f, -1.0f}) {
    const float flat[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, w};
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(flat);
    Frustum frustum;
    frustum.extract();
    for (const Plane& plane : frustum.planes) {
      EXPECT_TRUE(std::isfinite(plane.a) && std::isfinite(plane.b) && std::isfinite(plane.c) &&
                  std::isfinite(plane.d));
    }
    EXPECT_EQ(frustum.cubeVisible({0, 0, 0, 1}), w > 0.0f) << "w " << w;
  }
}

}  // namespace
}  // namespace glimmer
