// Putting a finished output in place, the last step of every recording: it replaces an older output
// of the same name on every platform (Windows' own rename refuses to), and a failure says why and
// leaves the older output as it was.
#include "record/part_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temporary_folder.h"

namespace glimmer {
namespace {

TEST(PutInPlace, ReplacesAnOlderOutputAndLeavesNoTemporaryFile) {
  testing::TemporaryFolder folder;
  const std::string output = folder.write("show.cast", "older recording");
  folder.write("show.cast.part", "new recording");
  EXPECT_TRUE(putInPlace(output, output));
  EXPECT_EQ(testing::readFile(output), "new recording");
  EXPECT_FALSE(std::filesystem::exists(output + ".part"));
}

TEST(PutInPlace, SaysWhyWhenTheFinishedFileIsMissing) {
  testing::TemporaryFolder folder;
  const std::string output = folder.write("show.cast", "older recording");
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(putInPlace(output, output));
  EXPECT_EQ(::testing::internal::GetCapturedStderr().rfind("glimmerfolding: cannot write " + output + ": ", 0), 0u);
  EXPECT_EQ(testing::readFile(output), "older recording");
}

}  // namespace
}  // namespace glimmer
