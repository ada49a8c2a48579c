// The committed meshes and images are exactly what the generators make today, and making them
// twice gives the same bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "generators.h"
#include "support/temporary_folder.h"

namespace glimmer {
namespace {

namespace fs = std::filesystem;

const char* const generatedFiles[] = {"cube.obj",   "cube.mtl",       "isphere.obj",     "isphere.mtl", "cone.obj",
                                      "cone.mtl",   "torus3.obj",     "torus3.mtl",      "spike.obj",   "spike.mtl",
                                      "spike2.obj", "spike2.mtl",     "start1.png",      "start2.png",  "start3.png",
                                      "greets.png", "greets_txt.png", "greets_txt2.png", "bg.png"};

class RegenerateTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder scratch;
  fs::path folder{scratch.path()};
};

const char* const fontDirectory = "/usr/share/fonts/truetype/dejavu";

TEST_F(RegenerateTest, CommittedFilesMatchTheGenerators) {
  ASSERT_TRUE(writeMeshes(folder.string()));
  ASSERT_TRUE(writeImages(folder.string(), fontDirectory));
  for (const char* name : generatedFiles) {
    SCOPED_TRACE(name);
    const std::string made = testing::readFile((folder / name).string());
    ASSERT_FALSE(made.empty());
    EXPECT_TRUE(made == testing::readFile("data/" + std::string(name)))
        << "run scripts/make_assets.sh and commit data/";
  }
}

}  // namespace
}  // namespace glimmer
