// Model: the vertex layout built from a parsed mesh, and the GL buffers on a real context.
#include "mesh/model.h"

#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gles/gles_helper.h"
#include "mesh/obj_reader.h"
#include "mesh_files.h"
#include "support/gl_state.h"

namespace glimmer {
namespace {

using testing::bufferSize;

std::vector<float> floats(const float* values, int count) { return {values, values + count}; }

// Reads path and builds its vertices the way Model::load does.
struct Built {
  explicit Built(const std::string& path) {
    mesh = readObj(path.c_str());
    if (mesh == nullptr) return;
    vertices.resize(3 * mesh->triangleCount);
    indices.resize(3 * mesh->triangleCount);
    buildMeshVertices(*mesh, vertices.data(), indices.data());
  }
  ~Built() { freeObj(mesh); }
  Built(const Built&) = delete;
  Built& operator=(const Built&) = delete;

  ObjModel* mesh = nullptr;
  std::vector<MeshVertex> vertices;
  std::vector<std::uint16_t> indices;
};

TEST(ModelVertices, BoxIsCentredWithGroupsInListOrderAndColoursSwapped) {
  testing::TemporaryFolder folder;
  folder.write("box.mtl", kBoxMtl);
  Built built(folder.write("box.obj", boxObj()));
  ASSERT_NE(built.mesh, nullptr);
  ASSERT_EQ(built.vertices.size(), 36u);

  float minimum[3] = {1e9f, 1e9f, 1e9f};
  float maximum[3] = {-1e9f, -1e9f, -1e9f};
  for (const MeshVertex& vertex : built.vertices) {
    for (int axis = 0; axis < 3; ++axis) {
      minimum[axis] = std::min(minimum[axis], vertex.position[axis]);
      maximum[axis] = std::max(maximum[axis], vertex.position[axis]);
    }
  }
  EXPECT_EQ(floats(minimum, 3), (std::vector<float>{-1, -2, -3}));
  EXPECT_EQ(floats(maximum, 3), (std::vector<float>{1, 2, 3}));

  // Group " front" was added last, so it heads the list: its quad comes first, red with blue swapped.
  for (int index = 0; index < 6; ++index) {
    const MeshVertex& vertex = built.vertices[index];
    EXPECT_EQ(floats(vertex.color, 4), (std::vector<float>{0, 0.5f, 1, 1})) << index;
  }
}

TEST(ModelVertices, WithoutALibraryEveryGroupTakesTheDefaultGrey) {
  testing::TemporaryFolder folder;
  Built built(folder.write("plain.obj", boxObj(nullptr)));
  ASSERT_EQ(built.vertices.size(), 36u);
  for (const MeshVertex& vertex : built.vertices) {
    EXPECT_EQ(floats(vertex.color, 4), (std::vector<float>{0.8f, 0.8f, 0.8f, 1}));
  }
}

class ModelOnContext : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(gles.create()); }

  GLESHelper gles;
  testing::TemporaryFolder folder;
};

TEST_F(ModelOnContext, BoxFillsBuffersOfTheExactSizeAndFreesThem) {
  folder.write("box.mtl", kBoxMtl);
  std::string path = folder.write("box.obj", boxObj());
  GLuint buffersBefore[2];
  {
    Model model;
    ASSERT_TRUE(model.load(path.c_str()));
    EXPECT_EQ(model.triangleCount, 12u);
    EXPECT_EQ(model.drawMode, static_cast<std::uint32_t>(GL_TRIANGLES));
    EXPECT_EQ(bufferSize(GL_ARRAY_BUFFER, model.vertexBuffer), 2304);
    EXPECT_EQ(bufferSize(GL_ELEMENT_ARRAY_BUFFER, model.indexBuffer), 72);
    buffersBefore[0] = model.vertexBuffer;
    buffersBefore[1] = model.indexBuffer;
  }
  EXPECT_FALSE(glIsBuffer(buffersBefore[0]));
  EXPECT_FALSE(glIsBuffer(buffersBefore[1]));
}

// One triangle repeated count times.
std::string manyTriangles(std::uint32_t count) {
  std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\n";
  text.reserve(text.size() + 17 * count);
  for (std::uint32_t index = 0; index < count; ++index) text += "f 1//1 2//1 3//1\n";
  return text;
}

TEST_F(ModelOnContext, RefusesWhatSixteenBitIndicesOrMissingNormalsCannotHold) {
  Model largest;
  ASSERT_TRUE(largest.load(folder.write("largest.obj", manyTriangles(kMaxModelTriangles)).c_str()));
  EXPECT_EQ(bufferSize(GL_ELEMENT_ARRAY_BUFFER, largest.indexBuffer), 21845 * 6);

  struct Case {
    const char* name;
    std::string text;
    const char* reason;
  };
  const Case cases[] = {
      {"toolarge.obj", manyTriangles(kMaxModelTriangles + 1), "more than 21845 triangles"},
      {"flat.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", "a face corner without a normal"},
  };
  for (const Case& test : cases) {
    std::string path = folder.write(test.name, test.text);
    Model model;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(model.load(path.c_str())) << test.name;
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << test.name;
    // One message, on standard error: the file and why.
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "glimmerfolding: unable to load " + path + ": " + test.reason + "\n")
        << test.name;
    EXPECT_EQ(model.vertexBuffer, 0u) << test.name;
    EXPECT_EQ(model.triangleCount, 0u) << test.name;
  }
}

}  // namespace
}  // namespace glimmer
