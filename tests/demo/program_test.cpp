// The whole program as a person runs it: on a pseudo-terminal, and with its standard output and
// error read apart, as a shell's redirections and $(...) take them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/pty_child.h"
#include "support/show_data.h"
#include "support/temporary_folder.h"

extern char** environ;

namespace glimmer {
namespace {

using testing::PtyChild;
using namespace std::chrono_literals;

[[noreturn]] void runProgram(const char* option = nullptr) {
  setenv("COLORTERM", "truecolor", 1);
  if (option != nullptr) {
    execl(GLIMMER_BINARY, GLIMMER_BINARY, option, static_cast<char*>(nullptr));
  } else {
    execl(GLIMMER_BINARY, GLIMMER_BINARY, static_cast<char*>(nullptr));
  }
  _exit(98);
}

struct ProgramRun {
  int status = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs the program with the arguments, standard output and error each into a pipe of its own (or
// standard output into the file given), standard input from /dev/null; returns what each got.
ProgramRun runWithPipes(const std::vector<std::string>& arguments, const char* outputFile = nullptr) {
  ProgramRun run;
  int out[2];
  int err[2];
  if (pipe(out) != 0 || pipe(err) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (outputFile != nullptr) {
    posix_spawn_file_actions_addopen(&actions, 1, outputFile, O_WRONLY, 0);
  } else {
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  }
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  for (int end : {out[0], err[0], out[1], err[1]}) posix_spawn_file_actions_addclose(&actions, end);
  std::vector<char*> argv{const_cast<char*>(GLIMMER_BINARY)};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = -1;
  const int failed = posix_spawn(&child, GLIMMER_BINARY, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  if (failed == 0) {
    pollfd ends[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* into[2] = {&run.out, &run.err};
    int open = 2;
    while (open > 0 && poll(ends, 2, 60000) > 0) {
      for (int index = 0; index < 2; ++index) {
        if (ends[index].fd < 0 || ends[index].revents == 0) continue;
        char buffer[4096];
        const ssize_t got = read(ends[index].fd, buffer, sizeof buffer);
        if (got > 0) {
          into[index]->append(buffer, static_cast<std::size_t>(got));
        } else {
          ends[index].fd = -1;
          --open;
        }
      }
    }
    int status = 0;
    waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  close(out[0]);
  close(err[0]);
  return run;
}

// Counts the cells that show some colour other than black.
int drawnCells(testing::EmulatedScreen& screen) {
  int drawn = 0;
  for (int row = 0; row < screen.rows(); ++row) {
    for (int column = 0; column < screen.columns(); ++column) {
      std::uint32_t glyph = screen.glyph(column, row);
      bool blank = glyph == 0 || glyph == ' ';
      if (screen.background(column, row) != 0 || (!blank && screen.foreground(column, row) != 0)) ++drawn;
    }
  }
  return drawn;
}

TEST(Program, EscapeOnTheIntroEndsWithStatusZeroAndRestoresTheTerminal) {
  PtyChild child(90, 52, [] { runProgram(); });
  ASSERT_TRUE(child.waitForText("Press SPACE to continue or ESC to exit", 20000ms)) << child.output();
  child.pump(50ms);
  EXPECT_TRUE(child.screen().onAlternateScreen());
  child.type("\x1b");
  EXPECT_EQ(child.wait(), 0);
  EXPECT_FALSE(child.screen().onAlternateScreen());
  EXPECT_TRUE(child.screen().cursorVisible());
}

TEST(Program, TheShowDrawsFramesAndEscapeEndsIt) {
  PtyChild child(80, 50, [] { runProgram("--mute"); });
  ASSERT_TRUE(child.waitForText("Press SPACE", 20000ms)) << child.output();
  child.type(" ");
  // The opening fades in from black over five seconds of show time; a slow build (sanitizers) may
  // first finish decoding the music, so wait for the picture rather than for a fixed time.
  for (int waited = 0; waited < 200 && drawnCells(child.screen()) <= 3000; ++waited) child.pump(100ms);
  EXPECT_GT(drawnCells(child.screen()), 3000);
  for (int row = 0; row < 50; ++row) {
    EXPECT_EQ(child.screen().rowText(row).find("Terminal users"), std::string::npos) << "the intro is gone";
  }
  child.type("\x1b");
  EXPECT_EQ(child.wait(), 0);
  EXPECT_FALSE(child.screen().onAlternateScreen());
}

TEST(Program, SignalDuringTheShowRestoresAndEndsWith143) {
  PtyChild child(80, 50, [] { runProgram("--mute"); });
  ASSERT_TRUE(child.waitForText("Press SPACE", 20000ms));
  child.type(" ");
  child.pump(500ms);
  kill(child.pid(), SIGTERM);
  EXPECT_EQ(child.wait(), 143);
  EXPECT_FALSE(child.screen().onAlternateScreen());
  EXPECT_TRUE(child.screen().cursorVisible());
}

TEST(Program, MissingAssetStopsStartUpWithOneLineOnTheMainScreen) {
  // A data folder that holds the music and nothing else: the message keeps the show's own name.
  testing::TemporaryFolder data;
  ASSERT_FALSE(data.write("music.ogg", "").empty());
  std::string where = data.path();
  PtyChild child(80, 50, [where] {
    setenv("GLIMMER_DATA", where.c_str(), 1);
    runProgram();
  });
  EXPECT_EQ(child.wait(20000ms), 1);
  EXPECT_FALSE(child.screen().onAlternateScreen());
  EXPECT_NE(child.output().find("can't open data file \"data/cube.obj\"."), std::string::npos) << child.output();
}

TEST(Program, DataNotFoundIsOneLineAndStatusOne) {
  PtyChild child(80, 50, [] {
    setenv("GLIMMER_DATA", "/nonexistent-glimmer-data", 1);
    runProgram();
  });
  EXPECT_EQ(child.wait(20000ms), 1);
  EXPECT_FALSE(child.screen().onAlternateScreen());
  EXPECT_TRUE(child.screen().cursorVisible());
  EXPECT_EQ(child.output(),
            "glimmerfolding: cannot find the show's data (music.ogg) in /nonexistent-glimmer-data, the folder "
            "GLIMMER_DATA names\r\n");
}

// Standard output carries only what was asked for (the help, the version); every message goes to
// standard error, one line each with the program's name, and a usage error adds the hint.
TEST(Program, MessagesGoToStandardErrorAndTheHelpFitsEightyColumns) {
  ProgramRun run = runWithPipes({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out.rfind("usage: glimmerfolding", 0), 0u) << run.out;
  std::istringstream lines(run.out);
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count) EXPECT_LT(line.size(), 80u) << line;
  EXPECT_LE(count, 40);
  EXPECT_EQ(runWithPipes({"-h"}).out, run.out);

  for (const char* option : {"-V", "--version"}) {
    run = runWithPipes({option});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "glimmerfolding " GLIMMER_VERSION "\n");
    EXPECT_EQ(run.err, "");
  }

  run = runWithPipes({"--frobnicate"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "glimmerfolding: unknown option '--frobnicate'\nTry 'glimmerfolding --help'.\n");

  run = runWithPipes({"--record", "show.mp5"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err.rfind("glimmerfolding: --record show.mp5: unknown kind of output; name it NAME.cast", 0), 0u)
      << run.err;

  // The show itself with its output taken away (glimmerfolding > file, or in $(...)).
  run = runWithPipes({});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "glimmerfolding: Standard output is not a terminal: run the show in one, or render it with --record.\n");

  // Help that cannot be written is a failure, said where it can be.
  run = runWithPipes({"--help"}, "/dev/full");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "glimmerfolding: cannot write to standard output: No space left on device\n");
}

// Every option that takes a value takes it after '=' too; a recording says what it wrote, on
// standard error.
TEST(Program, OptionsTakeTheirValueAfterAnEqualsSign) {
  testing::TemporaryFolder scratch;
  const std::string cast = scratch.file("show.cast");
  const ProgramRun run =
      runWithPipes({"--record=" + cast, "--fps=10", "--from=1000", "--to=1500", "--colors=16", "--grid=wide"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("glimmerfolding: wrote " + cast + ": 5 frames, 0.5 s of the show from 1.0 s, ", 0), 0u)
      << run.err;
  EXPECT_NE(testing::readFile(cast).find("\"width\": 160"), std::string::npos);
}

// Music that holds less than the show is said on the intro screen, before Space; the show then
// plays what there is and ends with status 1 and the message on the main screen.
TEST(Program, DamagedMusicIsSaidOnTheIntroAndEndsWithStatusOne) {
  const testing::ShowDataCopy data(testing::ShowDataCopy::cutMusic(30000));
  const std::string where = data.path();
  PtyChild child(80, 50, [where] {
    setenv("GLIMMER_DATA", where.c_str(), 1);
    runProgram("--mute");
  });
  ASSERT_TRUE(child.waitForText("the file is damaged or cut short", 20000ms)) << child.output();
  child.pump(100ms);
  const std::string notice = child.screen().rowText(49);  // the last row: no other notice here
  EXPECT_EQ(notice.rfind("music.ogg holds ", 0), 0u) << notice;
  EXPECT_TRUE(notice.ends_with(" s of the show's 158 s: the file is damaged or cut short")) << notice;
  EXPECT_TRUE(child.screen().onAlternateScreen()) << "still on the intro";
  child.type(" ");
  EXPECT_EQ(child.wait(20000ms), 1);
  EXPECT_FALSE(child.screen().onAlternateScreen());
  EXPECT_NE(child.output().find("glimmerfolding: " + where + "/music.ogg holds "), std::string::npos) << child.output();
}

}  // namespace
}  // namespace glimmer
