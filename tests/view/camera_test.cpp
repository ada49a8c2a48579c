// Camera on a real GL context: moves, GL-computed rotations and the loaded view matrix.
#include "view/camera.h"

#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <array>

#include "gles/gles_helper.h"
#include "support/gl_state.h"

namespace glimmer {
namespace {

using Vector = std::array<float, 3>;
using testing::matrix;
using testing::matrixMode;

class CameraTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(gles.create()); }

  static void expectVector(const float* actual, const Vector& expected, const char* what) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-5f) << what << "[" << i << "]";
  }

  GLESHelper gles;
};

TEST_F(CameraTest, NewCameraViewIsATranslationTowardsTheEye) {
  Camera camera(-3.0f);
  camera.applyView();
  EXPECT_EQ(matrixMode(), GL_MODELVIEW);
  EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), (testing::Matrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 3, 1}));
}

// However the camera was turned and moved, its view takes the eye to the origin and a point d
// along forward to (0, 0, -d), along right to (d, 0, 0) and along up to (0, d, 0).
TEST_F(CameraTest, ViewOfATurnedCameraLooksAlongItsForwardAxis) {
  Camera camera(-3.0f);
  camera.rotate(90.0f, 0, 1, 0);
  camera.rotate(30.0f, 1, 0, 0);
  camera.move(2.0f, 1, 1, 1);
  camera.applyView();
  const testing::Matrix m = matrix(GL_MODELVIEW_MATRIX);
  struct Case {
    float alongRight, alongUp, alongForward;
    Vector seen;
  };
  const Case cases[] = {{0, 0, 0, {0, 0, 0}}, {0, 0, 2, {0, 0, -2}}, {3, 0, 0, {3, 0, 0}}, {0, 1, 0, {0, 1, 0}}};
  for (const Case& test : cases) {
    float world[3];
    for (int i = 0; i < 3; ++i) {
      world[i] = camera.position[i] + test.alongRight * camera.right[i] + test.alongUp * camera.up[i] +
                 test.alongForward * camera.forward[i];
    }
    float seen[3];
    for (int row = 0; row < 3; ++row) {
      seen[row] = m[row] * world[0] + m[4 + row] * world[1] + m[8 + row] * world[2] + m[12 + row];
    }
    expectVector(seen, test.seen, "seen");
  }
}

TEST_F(CameraTest, MoveFollowsTheCameraAxes) {
  struct Case {
    float distance, x, y, z;
    Vector position;
  };
  const Case cases[] = {
      {2.0f, 0, 0, 1, {0, 0, -7}},    // forward
      {-1.0f, 1, 0, 0, {-1, 0, -5}},  // left
      {2.0f, 1, 1, 0, {2, 2, -5}},    // right and up; the direction is not normalised
  };
  for (const Case& test : cases) {
    Camera camera(-5.0f);
    camera.move(test.distance, test.x, test.y, test.z);
    expectVector(camera.position, test.position, "position");
    expectVector(camera.forward, {0, 0, -1}, "forward");
  }

  Camera turned(0.0f);
  turned.rotate(90.0f, 0, 1, 0);
  turned.move(2.0f, 0, 0, 1);
  expectVector(turned.position, {2, 0, 0}, "position after turning right");
}

// Turns are computed with GL's model-view matrix, which is left as it was, and left current.
TEST_F(CameraTest, RotateTurnsTheAxesInTheCamerasOwnFrame) {
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(1.0f, 2.0f, 3.0f);
  glRotatef(30.0f, 0.0f, 0.0f, 1.0f);
  const testing::Matrix before = matrix(GL_MODELVIEW_MATRIX);
  glMatrixMode(GL_PROJECTION);
  struct Case {
    float angle, x, y, z;
    Vector right, up, forward;
  };
  const Case cases[] = {
      {90.0f, 0, 1, 0, {0, 0, 1}, {0, 1, 0}, {1, 0, 0}},
      {60.0f, 1, 0, 0, {1, 0, 0}, {0, 0.5f, -0.8660254f}, {0, -0.8660254f, -0.5f}},
  };
  for (const Case& test : cases) {
    Camera camera(-4.0f);
    camera.rotate(test.angle, test.x, test.y, test.z);
    expectVector(camera.right, test.right, "right");
    expectVector(camera.up, test.up, "up");
    expectVector(camera.forward, test.forward, "forward");
    expectVector(camera.position, {0, 0, -4}, "position");
    EXPECT_EQ(camera.matrix[15], 1.0f);
  }
  EXPECT_EQ(matrixMode(), GL_MODELVIEW);
  EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), before);

  // The second turn is about the camera's already turned x axis, not the world's.
  Camera camera(0.0f);
  camera.rotate(90.0f, 0, 1, 0);
  camera.rotate(90.0f, 1, 0, 0);
  expectVector(camera.right, {0, 0, 1}, "right");
  expectVector(camera.up, {1, 0, 0}, "up");
  expectVector(camera.forward, {0, -1, 0}, "forward");  // pitched down, as with the 60-degree turn
}

}  // namespace
}  // namespace glimmer
