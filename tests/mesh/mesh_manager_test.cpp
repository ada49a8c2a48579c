// MeshManager: the registry by bare, case-sensitive file name, on a real GL context.
#include "mesh/mesh_manager.h"

#include <GLES/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>

#include "gles/gles_helper.h"
#include "mesh/model.h"
#include "mesh_files.h"

namespace glimmer {
namespace {

// Runs each test inside a scratch folder holding data/box.obj, data/box.mtl and data/flat.obj.
class MeshManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gles.create());
    folder.write("data/box.obj", boxObj());
    folder.write("data/box.mtl", kBoxMtl);
    folder.write("data/flat.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    working.emplace(folder.path());
  }
  void TearDown() override { working.reset(); }

  GLESHelper gles;
  MeshManager registry;  // goes before the context
  testing::TemporaryFolder folder;
  std::optional<testing::WorkingFolder> working;
};

// A failed load leaves the registry as it was; a second load of a name fails and keeps the first.
TEST_F(MeshManagerTest, LoadedModelsAreFoundByTheirBareCaseSensitiveNameAndLoadedOnce) {
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(registry.load("flat.obj"));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "glimmerfolding: unable to load data/flat.obj: a face corner without a normal\n");
  EXPECT_EQ(registry.get("flat.obj"), nullptr);

  ASSERT_TRUE(registry.load("box.obj"));
  Model* model = registry.get("box.obj");
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->triangleCount, 12u);
  EXPECT_EQ(registry.get("box.obj"), model);
  EXPECT_EQ(registry.get("data/box.obj"), nullptr);
  EXPECT_EQ(registry.get("Box.obj"), nullptr);

  GLuint firstBuffer = model->vertexBuffer;
  EXPECT_FALSE(registry.load("box.obj"));
  EXPECT_EQ(registry.get("box.obj"), model);
  EXPECT_TRUE(glIsBuffer(firstBuffer));
}

}  // namespace
}  // namespace glimmer
