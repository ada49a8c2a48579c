// The sound-server output against a real PulseAudio server with a null sink, started by the
// fixture in its own runtime folder. Skips where no server can start.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "music/music_stream.h"
#include "support/ogg_files.h"

extern char** environ;

namespace glimmer {
namespace {

using testing::scratchPath;
using testing::stereoSine;
using testing::writeOggFile;

class PulseTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder = new std::string(scratchPath("pulse"));
    std::filesystem::create_directories(*folder);
    const std::string socket = *folder + "/native";
    setenv("XDG_RUNTIME_DIR", folder->c_str(), 1);
    setenv("PULSE_RUNTIME_PATH", folder->c_str(), 1);
    setenv("PULSE_STATE_PATH", folder->c_str(), 1);
    setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    const std::string protocol = "module-native-protocol-unix socket=" + socket + " auth-anonymous=1";
    const std::string logTarget = "--log-target=file:" + *folder + "/log";
    const char* arguments[] = {"pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n",
                               "--disable-shm=true", "--use-pid-file=false", logTarget.c_str(),
                               "-L", "module-null-sink", "-L", protocol.c_str(), nullptr};
    if (posix_spawnp(&server, "pulseaudio", nullptr, nullptr, const_cast<char**>(arguments), environ) != 0) {
      server = 0;
      return;
    }
    for (int i = 0; i < 100 && !std::filesystem::exists(socket); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ready = std::filesystem::exists(socket);
  }
  static void TearDownTestSuite() {
    if (server > 0) {
      kill(server, SIGTERM);
      waitpid(server, nullptr, 0);
    }
    std::filesystem::remove_all(*folder);
    delete folder;
  }
  void SetUp() override {
    if (!ready) GTEST_SKIP() << "no PulseAudio server could be started here";
  }

  static std::string* folder;
  static pid_t server;
  static bool ready;
};
std::string* PulseTest::folder = nullptr;
pid_t PulseTest::server = 0;
bool PulseTest::ready = false;

TEST_F(PulseTest, ShowClockAdvancesAndNeverGoesBackward) {
  const std::string track = scratchPath("pulse_track.ogg");
  ASSERT_TRUE(writeOggFile(track, stereoSine(440.0, 5.0, 0.3f)));
  MusicStream* music = new MusicStream();
  ASSERT_TRUE(music->open(track.c_str()));
  EXPECT_EQ(music->notice(), nullptr) << "the server answered";
  ASSERT_TRUE(music->play());
  const std::int32_t ms0 = music->clockMs();
  std::int32_t previous = ms0;
  for (int i = 0; i < 80; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::int32_t now = music->clockMs();
    ASSERT_GE(now, previous);
    previous = now;
  }
  EXPECT_GE(previous - ms0, 300) << "80 sleeps of 10 ms";
  EXPECT_TRUE(music->isActive());
  music->fetchSpectrum();
  EXPECT_GT(music->spectrum[20], 0.01f) << "440 Hz lies in bin 20";
  delete music;  // still playing: the teardown fades out and returns
  std::filesystem::remove(track);
}

// A server that takes the connection and then never says a word.
TEST(SilentPulseServer, StartUpFallsThroughToTheNextOutputWithinTheTimeout) {
  const std::string socketPath = scratchPath("mute-server");
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  const char* saved = std::getenv("PULSE_SERVER");
  const std::string previous = saved != nullptr ? saved : "";
  setenv("PULSE_SERVER", ("unix:" + socketPath).c_str(), 1);

  const std::string track = scratchPath("mute_server_track.ogg");
  ASSERT_TRUE(writeOggFile(track, stereoSine(440.0, 0.5, 0.3f)));
  const auto started = std::chrono::steady_clock::now();
  MusicStream* music = new MusicStream();
  const bool opened = music->open(track.c_str());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_TRUE(opened);
  EXPECT_LT(seconds, 6.0) << "the silent server was given up";
  EXPECT_TRUE(music->play()) << "ALSA, or the silent clock with its notice, took over";
  delete music;

  if (saved != nullptr) setenv("PULSE_SERVER", previous.c_str(), 1);
  if (saved == nullptr) unsetenv("PULSE_SERVER");
  close(listener);
  std::remove(socketPath.c_str());
  std::remove(track.c_str());
}

}  // namespace
}  // namespace glimmer
