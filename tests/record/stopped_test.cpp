// Recordings stopped half way by a signal, as Ctrl-C, `kill` or a closed terminal stop them, or by
// a full disk: every kind of output (asciicast, PNG folder, video through a stand-in ffmpeg, web
// page with a stand-in player) leaves nothing but what was there before, an older output of the
// same name included. A signal ends the process by itself (a shell reports 128 + n); a full disk
// is said in one line that names the output. A child ffmpeg is never cut off in the middle of a
// frame: it is given whole frames, then the end of its input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>

#include "record/cell_picture.h"
#include "record/frame_sink.h"
#include "record/recording.h"
#include "record/stop_request.h"
#include "support/pty_child.h"
#include "support/temporary_folder.h"

namespace glimmer {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::readFile;

// Every file under folder, by its path relative to it, with its bytes.
std::map<std::string, std::string> contentsOf(const std::string& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(entry.path(), folder).string();
    contents[name] = entry.is_directory() ? "(folder)" : readFile(entry.path().string());
  }
  return contents;
}

// Waits until the path exists and holds at least bytes (a file the stand-in ffmpeg creates is
// empty until its input ends), then a little longer, so frames are on their way; false after 60 s.
bool waitForBytes(const std::string& path, std::uintmax_t bytes) {
  for (int waited = 0; waited < 6000; ++waited) {
    std::error_code error;
    if (fs::exists(path, error) && fs::file_size(path, error) >= bytes && !error) {
      std::this_thread::sleep_for(300ms);
      return true;
    }
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

// The status a shell would report for the child, after waiting for it (-1 after 60 s).
int waitForStatus(pid_t child) {
  for (int waited = 0; waited < 6000; ++waited) {
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(10ms);
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  return -1;
}

// A scratch folder with an older output of every kind in "out/", a stand-in player, and a
// stand-in ffmpeg on PATH that takes its input to the end, notes how many bytes it got (only
// then, so a killed one notes nothing) and writes its output file.
class StoppedRecording : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch.write("player/dist/bundle/asciinema-player.min.js", "var AsciinemaPlayer = {};\n");
    scratch.write("player/dist/bundle/asciinema-player.css", ".ap-player {}\n");
    scratch.write("player/LICENSE", "the player's licence\n");
    const std::string ffmpeg = scratch.write(
        "bin/ffmpeg", "#!/bin/sh\nfor last; do :; done\n: > \"$last\"\nbytes=$(wc -c)\necho \"$bytes\" > '" +
                          scratch.file("notes/ffmpeg-bytes") + "'\necho video >> \"$last\"\n");
    ASSERT_EQ(chmod(ffmpeg.c_str(), 0755), 0);
    fs::create_directory(scratch.file("notes"));
    scratch.write("out/show.cast", "an older cast\n");
    scratch.write("out/show.mp4", "an older video\n");
    scratch.write("out/show.html", "an older page\n");
    scratch.write("out/show_files/older.txt", "an older page's part\n");
    scratch.write("out/frames/frame-000000.png", "an older frame\n");
    before = contentsOf(scratch.file("out"));
    path = scratch.file("bin") + ":" + (std::getenv("PATH") != nullptr ? std::getenv("PATH") : "/usr/bin:/bin");
  }

  // Starts a recording in a child process as the program runs one, its messages going to
  // notes/messages and its files growing to limit bytes at most (0: no limit).
  pid_t startRecording(const std::string& output, int toMs, std::uintmax_t limit = 0) {
    const std::string player = scratch.file("player");
    const std::string searchPath = path;
    const std::string messages = scratch.file("notes/messages");
    const pid_t child = fork();
    if (child == 0) {
      setenv("PATH", searchPath.c_str(), 1);
      dup2(open(messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
      signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead of ending the process
      const rlimit size{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
      if (limit > 0) setrlimit(RLIMIT_FSIZE, &size);
      RecordingOptions options{.output = output, .framesPerSecond = 30, .toMs = toMs};
      RecordingFormat format{.output = output, .framesPerSecond = 30, .webPlayerFolder = player};
      const int status = runRecording(options, *makeFrameSink(format));
      if (status > 128) endAsStopped(status);
      _exit(status);
    }
    return child;
  }

  // Records the whole show, sends the signal once partPath holds partBytes, and returns the status.
  int recordAndStop(const std::string& output, const std::string& partPath, std::uintmax_t partBytes, int signal) {
    const pid_t child = startRecording(output, -1);
    EXPECT_TRUE(waitForBytes(partPath, partBytes)) << partPath << " did not grow";
    kill(child, signal);
    return waitForStatus(child);
  }

  testing::TemporaryFolder scratch;
  std::map<std::string, std::string> before;
  std::string path;
};

TEST_F(StoppedRecording, EveryKindLeavesOnlyWhatWasThereBefore) {
  struct Kind {
    const char* output;
    const char* part;
    std::uintmax_t bytes;
  };
  const Kind kinds[] = {
      {"show.cast", "show.cast.part", 200000},
      {"frames/", "frames.part/frame-000010.png", 1},
      {"show.mp4", "show.mp4.part", 0},
      {"show.html", "show_files.part/show.cast.js", 100000},
  };
  for (const Kind& kind : kinds) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
      SCOPED_TRACE(std::string(kind.output) + " stopped by signal " + std::to_string(signal));
      fs::remove(scratch.file("notes/ffmpeg-bytes"));
      const int status =
          recordAndStop(scratch.file("out/") + kind.output, scratch.file("out/") + kind.part, kind.bytes, signal);
      EXPECT_EQ(status, 128 + signal);
      EXPECT_EQ(contentsOf(scratch.file("out")), before);
      if (std::string(kind.output) == "show.mp4") {
        // ffmpeg got whole frames and then the end of its input, and was not ended by the signal.
        const std::string noted = readFile(scratch.file("notes/ffmpeg-bytes"));
        ASSERT_FALSE(noted.empty()) << "the stand-in ffmpeg did not reach the end of its input";
        const long bytes = std::stol(noted);
        EXPECT_GT(bytes, 0);
        EXPECT_EQ(bytes % kPictureBytes, 0) << bytes << " bytes: a frame cut in half";
        EXPECT_LT(bytes / kPictureBytes, 4740) << "the whole show's frames: the recording did not stop";
      }
    }
  }
}

// Ctrl-C typed in the terminal reaches the whole foreground process group; ffmpeg, in a group of
// its own, is still ended by the program, after whole frames. The program says what it did.
TEST_F(StoppedRecording, CtrlCInTheTerminalStopsTheProgramAndItsFfmpeg) {
  const std::string output = scratch.file("out/show.mp4");
  const std::string searchPath = path;
  testing::PtyChild child(80, 24, [&] {
    setenv("PATH", searchPath.c_str(), 1);
    execl(GLIMMER_BINARY, GLIMMER_BINARY, "--record", output.c_str(), "--fps", "30", static_cast<char*>(nullptr));
    _exit(98);
  });
  ASSERT_TRUE(waitForBytes(output + ".part", 0));
  child.pump(200ms);
  child.type("\x03");
  EXPECT_EQ(child.wait(20000ms), 130);
  EXPECT_EQ(contentsOf(scratch.file("out")), before);
  const std::string noted = readFile(scratch.file("notes/ffmpeg-bytes"));
  ASSERT_FALSE(noted.empty()) << "the stand-in ffmpeg was ended by Ctrl-C";
  EXPECT_EQ(std::stol(noted) % kPictureBytes, 0);
  EXPECT_NE(child.output().find("\r\nglimmerfolding: stopped before the end: " + output + " was not written\r\n"),
            std::string::npos)
      << child.output();
}

// A disk that fills up (here a limit on the size of a file, which fails writes alike) is the
// output's trouble: the message names the output, never the music or the player it was copying,
// and what was there before stays. The limit falls at every stage of each kind: the first bytes (a
// limit the one-line message still fits), half way, and one byte short of its largest file, where
// only the last write or the close fails.
TEST_F(StoppedRecording, AFullDiskAtAnyStageNamesTheOutputAndLeavesWhatWasThere) {
  // Records 3 s into target with files of limit bytes at most: the status and the messages.
  auto record = [&](const std::string& target, std::uintmax_t limit) {
    const int status = waitForStatus(startRecording(target, 3000, limit));
    return std::pair{status, readFile(scratch.file("notes/messages"))};
  };
  for (const char* output : {"show.cast", "frames/", "show.html"}) {
    SCOPED_TRACE(output);
    // The largest file the kind writes, from a recording without a limit.
    fs::create_directory(scratch.file("whole"));
    const std::string whole = scratch.file("whole/") + output;
    ASSERT_EQ(record(whole, 0).first, 0);
    std::uintmax_t largest = 0;
    for (const auto& entry : fs::recursive_directory_iterator(scratch.file("whole"))) {
      if (entry.is_regular_file()) largest = std::max(largest, entry.file_size());
    }
    fs::remove_all(scratch.file("whole"));
    for (const std::uintmax_t limit : {std::uintmax_t{300}, largest / 2, largest - 1}) {
      SCOPED_TRACE(::testing::Message() << "files up to " << limit << " of " << largest << " bytes");
      const std::string target = scratch.file("out/") + output;
      const auto [status, messages] = record(target, limit);
      EXPECT_EQ(status, 1);
      EXPECT_EQ(messages, "glimmerfolding: cannot write " + target + ": File too large\n");
      EXPECT_EQ(contentsOf(scratch.file("out")), before);
    }
  }
}

}  // namespace
}  // namespace glimmer
