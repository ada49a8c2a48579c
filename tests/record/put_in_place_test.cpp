// putInPlace, the last step of every recording: the finished file replaces an older output of the
// same name on every platform (Windows' own rename refuses to), and a failure says why.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "record/frame_sink.h"
#include "support/temporary_folder.h"

namespace glimmer {
namespace {

void writeText(const std::string& path, const char* text) { std::ofstream(path, std::ios::binary) << text; }

std::string readText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(PutInPlace, ReplacesAnOlderOutputAndLeavesNoTemporaryFile) {
  testing::TemporaryFolder folder;
  ASSERT_FALSE(folder.path().empty());
  const std::string output = folder.file("show.cast");
  writeText(output, "older recording");
  writeText(output + ".part", "new recording");
  EXPECT_EQ(putInPlace(output + ".part", output), "");
  EXPECT_EQ(readText(output), "new recording");
  EXPECT_FALSE(std::filesystem::exists(output + ".part"));
}

TEST(PutInPlace, SaysWhyWhenTheFinishedFileIsMissing) {
  testing::TemporaryFolder folder;
  ASSERT_FALSE(folder.path().empty());
  const std::string output = folder.file("show.cast");
  writeText(output, "older recording");
  EXPECT_NE(putInPlace(output + ".part", output), "");
  EXPECT_EQ(readText(output), "older recording");
}

}  // namespace
}  // namespace glimmer
