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

// A cube that reaches inside one plane by a single corner, for each of the six planes and each of
// the eight corners. The clip transform has one row u (the other rows 0, w = 1), so the planes of
// that row are u.p + 1 >= 0 and -u.p + 1 >= 0 and every other plane lets everything through. With
// u = -s for the corner's signs s, the cube at centre s with half size 1 has that corner at the
// origin (value 1) and every other corner at -1 or less; moved out to centre 1.5 s, none is inside.
TEST_F(FrustumTest, ACubeReachingInByOneCornerIsSeenForEveryCornerAndPlane) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  for (int row = 0; row < 3; ++row) {
    for (const float side : {1.0f, -1.0f}) {
      for (int corner = 0; corner < 8; ++corner) {
        const float s[3] = {corner & 1 ? 1.0f : -1.0f, corner & 2 ? 1.0f : -1.0f, corner & 4 ? 1.0f : -1.0f};
        float clip[16] = {};  // column-major: element (row, column) at 4 * column + row
        for (int axis = 0; axis < 3; ++axis) clip[4 * axis + row] = -side * s[axis];
        clip[15] = 1.0f;
        glLoadMatrixf(clip);
        Frustum frustum;
        frustum.extract();
        // The plane row3 + side * row is u.p + 1 with u = -s: the corner at the origin is inside.
        const CubeBounds reaching{s[0], s[1], s[2], 1.0f};
        const CubeBounds outside{1.5f * s[0], 1.5f * s[1], 1.5f * s[2], 1.0f};
        EXPECT_TRUE(frustum.cubeVisible(reaching)) << "row " << row << " side " << side << " corner " << corner;
        EXPECT_FALSE(frustum.cubeVisible(outside)) << "row " << row << " side " << side << " corner " << corner;
      }
    }
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
      {{0, 0, 10, 1}, false},    // behind the eye
      {{0, 0, -152, 1}, false},  // beyond the far plane
      {{0, 0, -75, 200}, true},  // contains the whole volume
      // At depth 11, the far side of these cubes, the view reaches 11 tan(22.5 degrees) = 4.56 up
      // and down and 1.6 times that, 7.29, to the sides (each plane on its own: the test above).
      {{8.5f, 0, -10, 1}, false},  // off to the right
      {{0, 5.8f, -10, 1}, false},  // above
      {{8.1f, 0, -10, 1}, true},   // reaching in from the right
      {{0, 5.2f, -10, 1}, true},   // and from above
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
      EXPECT_TRUE(std::isfinite(plane.a) && std::isfinite(plane.b) && std::isfinite(plane.c) && std::isfinite(plane.d));
    }
    EXPECT_EQ(frustum.cubeVisible({0, 0, 0, 1}), w > 0.0f) << "w " << w;
  }
}

}  // namespace
}  // namespace glimmer
