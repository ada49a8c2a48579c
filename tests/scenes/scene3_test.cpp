// Scene3 on a real context: the lattice as uploaded, the spectrum's grey and depth, the camera cuts
// and the pull-back, and the GL state the scene leaves behind.
#include "scenes/scene3.h"

#include <EGL/egl.h>
#include <GLES/gl.h>
#include <GLES/glext.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <set>
#include <vector>

#include "gles/frame_buffer.h"
#include "gles/gles_helper.h"
#include "mesh/mesh_manager.h"
#include "music/music_stream.h"
#include "view/camera.h"

namespace glimmer {
namespace {

class Scene3Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gles.create());
    gles.setupProjection();
    meshes = MeshManager::instance();
    ASSERT_TRUE(meshes->load("spike.obj"));
    ASSERT_TRUE(meshes->load("spike2.obj"));
    music = MusicStream::instance();
    std::memset(music->spectrum, 0, 1024 * sizeof(float));
    resetScene3LatchesForTesting();
    scene = std::make_unique<Scene3>();
  }

  void TearDown() override {
    scene.reset();
    delete music;
    delete meshes;
  }

  // Clears to black (whatever grey the scene asked for), renders and reads the picture back.
  void renderBlackCleared(std::int32_t t, std::uint8_t variant) {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene->render(t, variant);
    gles.readBack();
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

  std::array<float, 3> cameraPosition() const {
    return {scene->camera->position[0], scene->camera->position[1], scene->camera->position[2]};
  }

  // The bytes GL holds in a buffer, read through the buffer mapping extension.
  static std::vector<std::uint8_t> bufferContents(GLenum target, GLuint name) {
    auto map = reinterpret_cast<PFNGLMAPBUFFEROESPROC>(eglGetProcAddress("glMapBufferOES"));
    auto unmap = reinterpret_cast<PFNGLUNMAPBUFFEROESPROC>(eglGetProcAddress("glUnmapBufferOES"));
    if (map == nullptr || unmap == nullptr) return {};
    glBindBuffer(target, name);
    GLint size = 0;
    glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    const void* data = map(target, GL_WRITE_ONLY_OES);
    if (data != nullptr && size > 0) std::memcpy(bytes.data(), data, bytes.size());
    unmap(target);
    glBindBuffer(target, 0);
    return bytes;
  }

  GLESHelper gles;
  MeshManager* meshes = nullptr;
  MusicStream* music = nullptr;
  std::unique_ptr<Scene3> scene;
};

using Point = std::array<float, 3>;

TEST_F(Scene3Test, LatticeIsEveryGridLineOnceInBuildOrder) {
  const LatticeVertex* vertices = scene->latticeData.get();
  auto at = [vertices](int index) {
    return Point{vertices[index].position[0], vertices[index].position[1], vertices[index].position[2]};
  };

  // The first twelve: c = 10, b = -10, then its mirror at -10; the last six: c = 0, b = 10.
  const Point first[12] = {{-10, 10, -10}, {10, 10, -10}, {-10, 10, 10},  {-10, 10, -10},
                           {10, -10, -10}, {10, 10, -10}, {-10, -10, -10}, {10, -10, -10},
                           {-10, -10, 10}, {-10, -10, -10}, {-10, -10, -10}, {-10, 10, -10}};
  for (int index = 0; index < 12; ++index) EXPECT_EQ(at(index), first[index]) << "vertex " << index;
  const Point last[6] = {{-10, 0, 10}, {10, 0, 10}, {10, 0, 10}, {10, 0, -10}, {0, -10, 10}, {0, 10, 10}};
  for (int index = 0; index < 6; ++index) EXPECT_EQ(at(720 + index), last[index]) << "vertex " << 720 + index;

  std::set<std::pair<Point, Point>> segments;
  int perAxis[3] = {0, 0, 0};
  for (int pair = 0; pair < kLatticeVertexCount / 2; ++pair) {
    const Point from = at(2 * pair);
    const Point to = at(2 * pair + 1);
    int axis = -1;
    for (int component = 0; component < 3; ++component) {
      EXPECT_EQ(static_cast<int>(from[component]) % 2, 0);
      EXPECT_LE(std::abs(from[component]), 10.0f);
      if (from[component] != to[component]) {
        EXPECT_EQ(axis, -1) << "segment " << pair << " runs along two axes";
        axis = component;
      }
    }
    ASSERT_NE(axis, -1) << "segment " << pair << " has no length";
    EXPECT_EQ(std::abs(to[axis] - from[axis]), 20.0f) << "segment " << pair;
    ++perAxis[axis];
    segments.insert(std::minmax(from, to));
  }
  EXPECT_EQ(segments.size(), 363u);
  EXPECT_EQ(perAxis[0], 121);
  EXPECT_EQ(perAxis[1], 121);
  EXPECT_EQ(perAxis[2], 121);
}

TEST_F(Scene3Test, BuffersHoldTheLatticeAndARebuildRewritesInPlace) {
  EXPECT_EQ(scene->latticeIndexData, nullptr);
  ASSERT_NE(scene->latticeVertices, 0u);
  ASSERT_NE(scene->latticeIndices, 0u);

  const std::vector<std::uint8_t> indexBytes = bufferContents(GL_ELEMENT_ARRAY_BUFFER, scene->latticeIndices);
  ASSERT_EQ(indexBytes.size(), 1452u);
  std::vector<std::uint16_t> indices(726);
  std::memcpy(indices.data(), indexBytes.data(), indexBytes.size());
  for (std::size_t index = 0; index < indices.size(); ++index) ASSERT_EQ(indices[index], index);

  auto expectVerticesUploaded = [this](const char* when) {
    const std::vector<std::uint8_t> bytes = bufferContents(GL_ARRAY_BUFFER, scene->latticeVertices);
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(kLatticeBytes)) << when;
    for (int vertex = 0; vertex < kLatticeVertexCount; ++vertex) {
      ASSERT_EQ(std::memcmp(bytes.data() + 32 * vertex, scene->latticeData[vertex].position, 12), 0)
          << when << ", vertex " << vertex;
    }
  };
  expectVerticesUploaded("first build");

  const std::uint32_t name = scene->latticeVertices;
  scene->buildLattice();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_EQ(scene->latticeVertices, name);
  expectVerticesUploaded("second build");

  // A second scene in the same process gets a lattice of its own too.
  scene.reset();
  scene = std::make_unique<Scene3>();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  expectVerticesUploaded("second scene");
}

TEST_F(Scene3Test, SpectrumBinFiveSetsTheGreyAndPushesTheMeshBack) {
  renderBlackCleared(0, 0);
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(std::vector<float>(clear, clear + 4), (std::vector<float>{0, 0, 0, 1}));
  const int widthAtEight = orangeWidth();

  // Other bins do not count.
  music->spectrum[4] = 0.05f;
  music->spectrum[6] = 0.05f;
  renderBlackCleared(0, 0);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[0], 0.0f);
  EXPECT_EQ(orangeWidth(), widthAtEight);

  music->spectrum[5] = 0.05f;
  renderBlackCleared(0, 0);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(std::vector<float>(clear, clear + 4), (std::vector<float>{1, 1, 1, 1}));
  const int widthAtNine = orangeWidth();

  // The eye is at z = -3: the mesh 5 units away at level 0, 6 units at level 1.
  ASSERT_GT(widthAtNine, 10);
  const double ratio = static_cast<double>(widthAtEight) / widthAtNine;
  EXPECT_NEAR(ratio, 6.0 / 5.0, 0.08);

  // A grey clear shows in the next frame.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  gles.readBack();
  EXPECT_EQ(gles.pixels[0] & 0x00FFFFFFu, 0x00FFFFFFu);
}

TEST_F(Scene3Test, RenderLeavesNoStateBehind) {
  renderBlackCleared(1234, 0);
  renderBlackCleared(1234, 1);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
  EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
  EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
  GLint bound = -1;
  glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
  EXPECT_EQ(bound, 0);
  glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &bound);
  EXPECT_EQ(bound, 0);

  // Something of the mesh and of the lattice is drawn in both variants.
  int lit = 0;
  for (int index = 0; index < kFramePixels; ++index) lit += (gles.pixels[index] & 0x00FFFFFFu) != 0;
  EXPECT_GT(lit, 500);
}

struct CameraStep {
  std::int32_t t;
  Point position;  // after the call
};

struct CameraCase {
  const char* name;
  std::uint8_t variant;
  std::vector<CameraStep> steps;
};

TEST_F(Scene3Test, CameraCutsAtMostOncePerCallAndPullsBackInVariantOne) {
  const Point far{0, 0, -3};
  const Point nearer{0, 1, -6};
  const CameraCase cases[] = {
      {"cuts at the first frame past each moment",
       0,
       {{0, far}, {5000, far}, {5001, nearer}, {15000, nearer}, {15001, far}, {20000, far}, {20001, nearer},
        {31000, nearer}}},
      {"a stall past 15000 and 20000 makes the far cut, the near cut follows",
       0,
       {{6000, nearer}, {21000, far}, {21010, nearer}, {21020, nearer}}},
      {"a first frame late in the window still takes the cuts one by one",
       0,
       {{25000, nearer}, {25010, far}, {25020, nearer}}},
      {"pull-back starts the call after the first past 10000", 1,
       {{9000, far}, {10000, far}, {10001, far}, {10101, {0, 0, -2.4f}}, {10201, {0, 0, -1.8f}}}},
  };
  for (const CameraCase& testCase : cases) {
    SCOPED_TRACE(testCase.name);
    resetScene3LatchesForTesting();
    scene = std::make_unique<Scene3>();
    for (const CameraStep& step : testCase.steps) {
      renderBlackCleared(step.t, testCase.variant);
      const Point position = cameraPosition();
      for (int axis = 0; axis < 3; ++axis) {
        EXPECT_NEAR(position[axis], step.position[axis], 1e-4f) << "t " << step.t << ", axis " << axis;
      }
    }
  }
}

TEST_F(Scene3Test, VariantOneContinuesFromWhereTheCutsLeftTheCamera) {
  for (std::int32_t t : {1000, 6000, 16000, 21000}) renderBlackCleared(t, 0);
  EXPECT_EQ(cameraPosition(), (Point{0, 1, -6}));
  renderBlackCleared(0, 1);
  renderBlackCleared(11000, 1);
  renderBlackCleared(12000, 1);
  EXPECT_NEAR(cameraPosition()[2], 0.0f, 1e-4f);
  EXPECT_EQ(cameraPosition()[1], 1.0f);
}

}  // namespace
}  // namespace glimmer
