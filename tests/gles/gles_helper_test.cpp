// The render target on a real context: the matrices it leaves, projection and the read-back's layout.
#include "gles/gles_helper.h"

#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "base/frame_buffer.h"
#include "support/gl_state.h"

namespace glimmer {
namespace {

class GLESHelperTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(gles.create()); }

  // Draws one unlit triangle with the given colour; corners in clip coordinates (identity matrices).
  static void drawFlatTriangle(const GLfloat (&corners)[6], GLfloat red, GLfloat green, GLfloat blue) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glColor4f(red, green, blue, 1.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, corners);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glDisableClientState(GL_VERTEX_ARRAY);
  }

  GLESHelper gles;
};

// The fixed state every scene draws in: lit, depth-tested, back faces culled, normals as the
// meshes give them (the cluster's scaled cubes are lit as scaled), no dithering; the model-view
// matrix current, and the identity.
TEST_F(GLESHelperTest, CreateSetsTheShowsFixedState) {
  const std::pair<GLenum, bool> capabilities[] = {{GL_DEPTH_TEST, true}, {GL_NORMALIZE, false}, {GL_LIGHTING, true},
                                                  {GL_LIGHT0, true},     {GL_CULL_FACE, true},  {GL_DITHER, false}};
  for (const auto& [capability, enabled] : capabilities) {
    EXPECT_EQ(glIsEnabled(capability) == GL_TRUE, enabled) << "capability 0x" << std::hex << capability;
  }
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, 160, 100}));
  GLint shading = 0;
  glGetIntegerv(GL_SHADE_MODEL, &shading);
  EXPECT_EQ(shading, GL_SMOOTH);
  EXPECT_EQ(testing::matrixMode(), GL_MODELVIEW);
  EXPECT_EQ(testing::matrix(GL_MODELVIEW_MATRIX), (testing::Matrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
}

// A perspective of 45 degrees vertically over the 1.6 aspect, from 0.1 to 150.
TEST_F(GLESHelperTest, ProjectionIsTheShowsFrustum) {
  gles.setupProjection();
  EXPECT_EQ(testing::matrixMode(), GL_PROJECTION);
  const float nearPlane = 0.1f;
  const float farPlane = 150.0f;
  float expected[16] = {};
  expected[0] = nearPlane / 0.06627426f;  // near over the right edge
  expected[5] = nearPlane / 0.04142141f;  // near over the top edge
  expected[10] = -(farPlane + nearPlane) / (farPlane - nearPlane);
  expected[11] = -1;
  expected[14] = -2 * farPlane * nearPlane / (farPlane - nearPlane);
  const testing::Matrix matrix = testing::matrix(GL_PROJECTION_MATRIX);
  for (int index = 0; index < 16; ++index) {
    EXPECT_NEAR(matrix[index], expected[index], 1e-5f * std::fabs(expected[index]) + 1e-7f) << "element " << index;
  }
}

TEST_F(GLESHelperTest, ClearedFrameReadsAllZeroWords) {
  for (int index = 0; index < kFramePixels; ++index) gles.pixels[index] = 0xDEADBEEFu;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  gles.readBack();
  EXPECT_EQ(std::count(gles.pixels, gles.pixels + kFramePixels, 0u), kFramePixels);
}

TEST_F(GLESHelperTest, TopOfViewportLandsInFirstRowsRedInLowByte) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // A wide triangle over the top fifth of the viewport (clip y from 0.6 to 1), every channel distinct.
  const GLfloat corners[6] = {-1.0f, 0.6f, 1.0f, 0.6f, 0.0f, 1.0f};
  drawFlatTriangle(corners, 240.0f / 255.0f, 128.0f / 255.0f, 16.0f / 255.0f);
  gles.readBack();

  // Red in the low byte, then green, blue and the alpha GL wrote.
  EXPECT_EQ(gles.pixels[2 * kFrameWidth + kFrameWidth / 2], 0xFF1080F0u);
  int drawnRows = 0;
  for (int y = 0; y < kFrameHeight; ++y) {
    bool rowDrawn = false;
    for (int x = 0; x < kFrameWidth; ++x) rowDrawn |= gles.pixels[y * kFrameWidth + x] != 0;
    if (rowDrawn) {
      EXPECT_LT(y, 21) << "drawn pixel below the top fifth";
      ++drawnRows;
    }
  }
  EXPECT_GE(drawnRows, 19);
}

TEST(GLESHelperLifetime, DestroyingAnOlderHelperLeavesTheNewerOneCurrent) {
  auto older = std::make_unique<GLESHelper>();
  ASSERT_TRUE(older->create());
  GLESHelper newer;
  ASSERT_TRUE(newer.create());
  older.reset();
  // The newer context is still the one GL draws with.
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  newer.readBack();
  EXPECT_EQ(newer.pixels[0], 0xFF0000FFu);
  EXPECT_EQ(newer.pixels[kFramePixels - 1], 0xFF0000FFu);
}

}  // namespace
}  // namespace glimmer
