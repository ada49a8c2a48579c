// The helper programs a recording runs (ffmpeg), on the platform's own terms: arguments reach the
// child exactly as given, whatever they hold (no command interpreter reads them), its input
// arrives whole however much is written, its status comes back, and a child that ended refuses
// input instead of ending this process. The child is tests/record/child_helper.cpp.
#include "record/child_process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "support/temporary_folder.h"

namespace glimmer {
namespace {

TEST(ChildProcess, ArgumentsArriveAsGivenAndTheInputWhole) {
  testing::TemporaryFolder scratch;
  const std::string file = scratch.file("got");
  const std::vector<std::string> given = {
      "plain", "with space", "a \"quote\" inside",       "trailing backslash\\", "back\\slashes\\\\ and \\\" both",
      "",      "-dash",      "percent %PATH% and $HOME", "caret ^ & | < > ; *"};
  std::vector<std::string> arguments = {GLIMMER_CHILD_HELPER, file, "0"};
  arguments.insert(arguments.end(), given.begin(), given.end());
  // Every byte value, more than a pipe holds at once, so writing waits for the child to read.
  std::string input;
  for (int round = 0; round < 2000; ++round) {
    for (int byte = 0; byte < 256; ++byte) input += static_cast<char>(byte);
  }

  ChildProcess child;
  ASSERT_TRUE(child.start(arguments));
  ASSERT_TRUE(child.write(input.data(), input.size() / 2));
  ASSERT_TRUE(child.write(input.data() + input.size() / 2, input.size() - input.size() / 2));
  EXPECT_TRUE(child.finish());
  EXPECT_FALSE(child.finish()) << "finished once";

  std::string expected;
  for (const std::string& argument : given) expected += argument + "\n";
  expected += "--\n" + input;
  const std::string got = testing::readFile(file);
  EXPECT_EQ(got.substr(0, got.find("--\n") + 3), expected.substr(0, expected.find("--\n") + 3));
  EXPECT_TRUE(got == expected) << "the input came back changed (" << got.size() << " bytes of " << expected.size()
                               << ")";
}

TEST(ChildProcess, StatusesEndedChildrenAndMissingPrograms) {
  testing::TemporaryFolder scratch;
  ChildProcess failing;
  ASSERT_TRUE(failing.start({GLIMMER_CHILD_HELPER, scratch.file("got"), "3"}));
  EXPECT_FALSE(failing.finish()) << "status 3 is a failure";

  // A child that ends without reading: writing fails, and this process goes on.
  ChildProcess ended;
  ASSERT_TRUE(ended.start({GLIMMER_CHILD_HELPER, scratch.file("no-such-folder/got"), "0"}));
  const std::string megabyte(1 << 20, 'x');
  bool refused = false;
  for (int attempt = 0; attempt < 64 && !refused; ++attempt) refused = !ended.write(megabyte.data(), megabyte.size());
  EXPECT_TRUE(refused);
  EXPECT_FALSE(ended.finish());

  ChildProcess missing;
  errno = 0;
  EXPECT_FALSE(missing.start({"glimmer-no-such-program"}));
  EXPECT_NE(errno, 0);
  EXPECT_FALSE(missing.write("x", 1));
  EXPECT_FALSE(missing.finish());
}

}  // namespace
}  // namespace glimmer
