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
  execl(GLIMMER_BINARY, GLIMMER_BINARY, option, static_cast<char*>(nullptr));  // no option: ends the list
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

// Data that is not there stops start-up with one line on the main screen and status 1: without
// a data folder, before the terminal is touched; with one that holds only the music, naming the
// file as the show knows it.
TEST(Program, MissingDataStopsStartUpWithOneLineOnTheMainScreen) {
  testing::TemporaryFolder musicOnly;
  ASSERT_FALSE(musicOnly.write("music.ogg", "").empty());
  const std::string noData = "/nonexistent-glimmer-data";
  const std::pair<std::string, std::string> cases[] = {
      {noData,
       "glimmerfolding: cannot find the show's data (music.ogg) in " + noData + ", the folder GLIMMER_DATA names\r\n"},
      {musicOnly.path(), "glimmerfolding: can't open data file \"data/cube.obj\".\r\n"},
  };
  for (const auto& [where, message] : cases) {
    SCOPED_TRACE(where);
    PtyChild child(80, 50, [where] {
      setenv("GLIMMER_DATA", where.c_str(), 1);
      runProgram();
    });
    EXPECT_EQ(child.wait(20000ms), 1);
    EXPECT_FALSE(child.screen().onAlternateScreen());
    EXPECT_TRUE(child.screen().cursorVisible());
    EXPECT_TRUE(where == noData ? child.output() == message : child.output().ends_with(message)) << child.output();
  }
}

// Standard output carries only what was asked for (the help, the version); every message goes to
// standard error, one line each with the program's name, and a usage error adds the hint. (What
// the help and the usage errors say is the command line's tests'.)
TEST(Program, MessagesGoToStandardError) {
  ProgramRun run = runWithPipes({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out.rfind("usage: glimmerfolding", 0), 0u) << run.out;
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
