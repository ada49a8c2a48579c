// What a recording leaves, as a user sees it: a folder of PNG frames replaces an earlier
// recording's frames whole and refuses a folder that holds anything else; one line says what was
// written; moments outside the show and damaged music write nothing and say why.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "base/data_folder.h"
#include "record/frame_sink.h"
#include "record/recording.h"
#include "support/failing_sink.h"
#include "support/show_data.h"
#include "support/temporary_folder.h"

namespace glimmer {
namespace {

namespace fs = std::filesystem;
using testing::readFile;

std::set<std::string> namesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

RecordingOptions recordCommand(const std::string& output, int fps, int from, int to) {
  return {.output = output, .framesPerSecond = fps, .fromMs = from, .toMs = to};
}

// Runs the recording and returns its status and what it printed on standard error.
std::pair<int, std::string> recordPrinting(const RecordingOptions& options) {
  ::testing::internal::CaptureStderr();
  const int status = runRecording(options);
  return {status, ::testing::internal::GetCapturedStderr()};
}

using testing::FailingSink;

std::set<std::string> frameNames(int count) {
  std::set<std::string> names;
  char name[32];
  for (int index = 0; index < count; ++index) {
    std::snprintf(name, sizeof name, "frame-%06d.png", index);
    names.insert(name);
  }
  return names;
}

// A second recording into the folder of an earlier one replaces its frames whole: fewer frames
// now leave none of the earlier ones behind, and nothing of the work is left beside the folder. A
// failed recording leaves the earlier frames as they were, and a folder with anything but frames
// in it is never written into or replaced.
TEST(PngFolder, EarlierFramesAreReplacedWholeOrKeptAndOtherFilesRefused) {
  testing::TemporaryFolder scratch;
  const std::string folder = scratch.file("frames/");
  ASSERT_EQ(recordPrinting(recordCommand(folder, 10, 116000, 116500)).first, 0);
  EXPECT_EQ(namesIn(folder), frameNames(5));
  const std::string firstFrame = readFile(folder + "frame-000000.png");
  ASSERT_EQ(recordPrinting(recordCommand(folder, 10, 1000, 1300)).first, 0);
  EXPECT_EQ(namesIn(folder), frameNames(3));
  EXPECT_NE(readFile(folder + "frame-000000.png"), firstFrame) << "the new recording's frame";
  EXPECT_EQ(namesIn(scratch.path()), std::set<std::string>{"frames"});
  const std::string earlier = readFile(folder + "frame-000001.png");

  FailingSink failing(makePngFolderSink({.output = folder, .framesPerSecond = 10, .fromMs = 2000}), 2);
  EXPECT_EQ(runRecording(recordCommand(folder, 10, 2000, 2500), failing), 1);
  EXPECT_EQ(namesIn(folder), frameNames(3));
  EXPECT_EQ(readFile(folder + "frame-000001.png"), earlier);
  EXPECT_EQ(namesIn(scratch.path()), std::set<std::string>{"frames"});

  scratch.write("frames/notes.txt", "the user's own notes");
  const auto [status, printed] = recordPrinting(recordCommand(folder, 10, 2000, 2500));
  EXPECT_EQ(status, 1);
  EXPECT_EQ(printed, "glimmerfolding: cannot write " + folder +
                         ": it holds notes.txt, which is not a frame of an earlier recording: name a new or empty "
                         "folder\n");
  EXPECT_EQ(readFile(folder + "notes.txt"), "the user's own notes");
  EXPECT_EQ(readFile(folder + "frame-000001.png"), earlier);
  EXPECT_EQ(namesIn(scratch.path()), std::set<std::string>{"frames"});
}

// After a recording, one line names what was written, its frames, the seconds of the show and its
// size on disk.
TEST(Recording, OneLineSaysWhatWasWritten) {
  testing::TemporaryFolder scratch;
  const std::string cast = scratch.file("show.cast");
  auto [status, printed] = recordPrinting(recordCommand(cast, 20, 0, 1000));
  ASSERT_EQ(status, 0);
  char size[32];
  std::snprintf(size, sizeof size, "%.1f KB", static_cast<double>(fs::file_size(cast)) / 1000);
  EXPECT_EQ(printed, "glimmerfolding: wrote " + cast + ": 20 frames, 1.0 s of the show, " + size + "\n");

  const std::string folder = scratch.file("frames/");
  std::tie(status, printed) = recordPrinting(recordCommand(folder, 10, 84000, 84100));
  ASSERT_EQ(status, 0);
  std::snprintf(size, sizeof size, "%.1f KB", static_cast<double>(fs::file_size(folder + "frame-000000.png")) / 1000);
  EXPECT_EQ(printed, "glimmerfolding: wrote " + folder + ": 1 frame, 0.1 s of the show from 84.0 s, " + size + "\n");
}

// --from and --to are checked against the show's length, which only the music knows: outside it
// is a usage error that gives the range, and nothing is written. The last moment of the show is a
// frame of its own.
TEST(Recording, MomentsOutsideTheShowAreRefusedWithItsRange) {
  testing::TemporaryFolder scratch;
  const std::string cast = scratch.file("show.cast");
  auto [status, printed] = recordPrinting(recordCommand(cast, 60, 158000, -1));
  EXPECT_EQ(status, 2);
  EXPECT_EQ(printed,
            "glimmerfolding: --from 158000 is at or past the show's end: give 0 to 157999 (the show lasts 158000 ms)\n"
            "Try 'glimmerfolding --help'.\n");
  std::tie(status, printed) = recordPrinting(recordCommand(cast, 60, 1000, 100000001));
  EXPECT_EQ(status, 2);
  EXPECT_EQ(printed,
            "glimmerfolding: --to 100000001 is past the show's end: give 1001 to 158000 (the show lasts 158000 ms)\n"
            "Try 'glimmerfolding --help'.\n");
  EXPECT_TRUE(namesIn(scratch.path()).empty());

  std::tie(status, printed) = recordPrinting(recordCommand(cast, 60, 157999, 158000));
  EXPECT_EQ(status, 0) << printed;
  const std::string written = readFile(cast);
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 2) << "the header and one frame";
}

// Music that holds less than the show is reported with its path and what it holds, and nothing
// is recorded: a damaged file never passes for a whole show.
TEST(Recording, DamagedMusicRecordsNothingAndSaysWhatTheFileHolds) {
  testing::ShowDataCopy data(testing::ShowDataCopy::cutMusic(100000));
  useDataFolder(data.path());
  testing::TemporaryFolder scratch;
  const auto [status, printed] = recordPrinting(recordCommand(scratch.file("show.cast"), 10, 0, 1000));
  useDataFolder("data");
  EXPECT_EQ(status, 1);
  EXPECT_EQ(printed, "glimmerfolding: " + data.path() +
                         "/music.ogg holds 7.2 s of the show's 158 s: the file is damaged or cut short\n");
  EXPECT_TRUE(namesIn(scratch.path()).empty());
}

}  // namespace
}  // namespace glimmer
