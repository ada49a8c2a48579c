// Camera on a real GL context: moves, GL-computed rotations and the loaded view matrix.
#include "view/camera.h"

#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <array>

#include "gles/gles_helper.h"

namespace glimmer {
namespace {

using Vector = std::array<float, 3>;

class CameraTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(gles.create()); }

  static void expectVector(const float* actual, const Vector& expected, const char* what) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-5f) << what << "[" << i << "]";
  }

  // The eye-space position of a world point under GL's current model-view matrix.
  static Vector toEye(const Vector& point) {
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    Vector eye{};
    for (int row = 0; row < 3; ++row) {
      eye[row] = m[row] * point[0] + m[4 + row] * point[1] + m[8 + row] * point[2] + m[12 + row];
    }
    return eye;
  }

  GLESHelper gles;
};

TEST_F(CameraTest, NewCameraViewIsATranslationTowardsTheEye) {
  Camera camera(-3.0f);
  camera.applyView();
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  const float expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 3, 1};
  for (int index = 0; index < 16; ++index) EXPECT_EQ(m[index], expected[index]) << "element " << index;

  EXPECT_LT(toEye({0, 0, -5})[2], 0.0f);  // in front of the eye
  EXPECT_GT(toEye({0, 0, 0})[2], 0.0f);   // behind it
}

TEST_F(CameraTest, MoveFollowsTheCameraAxes) {
  struct Case {
    float distance, x, y, z;
    Vector position;
  };
  const Case cases[] = {
      {2.0f, 0, 0, 1, {0, 0, -7}},   // forward
      {-1.0f, 1, 0, 0, {-1, 0, -5}}, // left
      {2.0f, 1, 1, 0, {2, 2, -5}},   // right and up; the direction is not normalised
      {0.0f, 1, 1, 1, {0, 0, -5}},
      {3.0f, 0, 0, 0, {0, 0, -5}},
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

TEST_F(CameraTest, RotateTurnsTheAxesInTheCamerasOwnFrame) {
  struct Case {
    float angle, x, y, z;
    Vector right, up, forward;
  };
  const Case cases[] = {
      {90.0f, 0, 1, 0, {0, 0, 1}, {0, 1, 0}, {1, 0, 0}},
      {60.0f, 1, 0, 0, {1, 0, 0}, {0, 0.5f, -0.8660254f}, {0, -0.8660254f, -0.5f}},
      {90.0f, 0, 0, 1, {0, 1, 0}, {-1, 0, 0}, {0, 0, -1}},
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

  // The second turn is about the camera's already turned x axis, not the world's.
  Camera camera(0.0f);
  camera.rotate(90.0f, 0, 1, 0);
  camera.rotate(90.0f, 1, 0, 0);
  expectVector(camera.right, {0, 0, 1}, "right");
  expectVector(camera.up, {1, 0, 0}, "up");
  expectVector(camera.forward, {0, -1, 0}, "forward");  // pitched down, as with the 60-degree turn
}

TEST_F(CameraTest, RotateLeavesGlsModelViewAsItWas) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(1.0f, 2.0f, 3.0f);
  glRotatef(30.0f, 0.0f, 0.0f, 1.0f);
  float before[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, before);
  GLint depthBefore = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);

  glMatrixMode(GL_PROJECTION);
  Camera camera(-3.0f);
  camera.rotate(45.0f, 1, 1, 0);

  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  float after[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, after);
  for (int index = 0; index < 16; ++index) EXPECT_EQ(after[index], before[index]) << "element " << index;
  GLint depthAfter = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
  EXPECT_EQ(depthAfter, depthBefore);
}

TEST_F(CameraTest, ViewMapsTheCameraFrameOntoEyeSpace) {
  Camera camera(-3.0f);
  camera.rotate(37.0f, 0.3f, 1.0f, 0.2f);
  camera.move(2.0f, 0.5f, 0.25f, 1.0f);
  camera.rotate(-20.0f, 1.0f, 0.0f, 0.0f);
  camera.applyView();

  const Vector position{camera.position[0], camera.position[1], camera.position[2]};
  auto along = [&](const float* axis, float distance) {
    return Vector{position[0] + distance * axis[0], position[1] + distance * axis[1],
                  position[2] + distance * axis[2]};
  };
  const struct {
    Vector world;
    Vector eye;
  } cases[] = {
      {position, {0, 0, 0}},
      {along(camera.forward, 4.0f), {0, 0, -4}},
      {along(camera.right, 1.5f), {1.5f, 0, 0}},
      {along(camera.up, -2.0f), {0, -2, 0}},
  };
  for (const auto& test : cases) {
    const Vector eye = toEye(test.world);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(eye[i], test.eye[i], 1e-4f) << "component " << i;
  }
}

}  // namespace
}  // namespace glimmer
