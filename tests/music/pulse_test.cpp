// The sound-server output against a real PulseAudio server with a null sink, started by the
// fixture in its own runtime folder: what the sink plays is recorded from its monitor and compared
// with the track. Skips where no server can start.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "music/audio_output.h"
#include "music/decoder.h"
#include "music/music_stream.h"
#include "support/ogg_files.h"

extern char** environ;

namespace glimmer {
namespace {

using testing::scratchPath;
using testing::stereoSine;
using testing::writeOggFile;

// The sink plays floats as they come and never rewinds: a rewind (made when a stream joins a
// running sink) rewrites what the monitor has already handed on, so the monitor would no longer
// show what a device would play.
constexpr const char* kNullSink = "module-null-sink sink_name=null format=float32le rate=44100 channels=2 norewinds=1";

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
    const char* arguments[] = {"pulseaudio",
                               "--daemonize=no",
                               "--exit-idle-time=-1",
                               "-n",
                               "--disable-shm=true",
                               "--use-pid-file=false",
                               logTarget.c_str(),
                               "-L",
                               kNullSink,
                               "-L",
                               protocol.c_str(),
                               nullptr};
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

// Records what the null sink plays, from its monitor, as stereo floats at 44100 Hz: the server's
// own recorder (parec) writing into a file, read as it grows.
class MonitorRecorder {
 public:
  ~MonitorRecorder() {
    if (child > 0) {
      kill(child, SIGTERM);
      waitpid(child, nullptr, 0);
    }
    if (input != nullptr) std::fclose(input);
    std::filesystem::remove(path);
  }

  // Starts recording; false unless the monitor's first samples (silence) arrive within 5 s.
  bool start() {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const char* arguments[] = {"parec",
                               "--device=null.monitor",
                               "--format=float32le",
                               "--rate=44100",
                               "--channels=2",
                               "--raw",
                               "--latency-msec=20",
                               nullptr};
    if (posix_spawnp(&child, "parec", &actions, nullptr, const_cast<char**>(arguments), environ) != 0) child = 0;
    posix_spawn_file_actions_destroy(&actions);
    for (int i = 0; child > 0 && i < 500 && samples().empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return !samples().empty();
  }

  // What has been recorded so far, two floats a frame.
  const std::vector<float>& samples() {
    if (input == nullptr) input = std::fopen(path.c_str(), "rb");
    char chunk[65536];
    for (std::size_t got = 0; input != nullptr && (got = std::fread(chunk, 1, sizeof chunk, input)) > 0;) {
      pending.append(chunk, got);
    }
    if (input != nullptr) std::clearerr(input);  // parec writes on
    const std::size_t floats = pending.size() / sizeof(float);
    if (floats > 0) {
      recorded.resize(recorded.size() + floats);
      std::memcpy(recorded.data() + recorded.size() - floats, pending.data(), floats * sizeof(float));
      pending.erase(0, floats * sizeof(float));
    }
    return recorded;
  }

 private:
  std::string path = scratchPath("monitor.raw");
  pid_t child = 0;
  std::FILE* input = nullptr;
  std::string pending;  // bytes of a float not yet whole
  std::vector<float> recorded;
};

// Noise from a fixed seed: no stretch of it looks like another, so where the track lies in a
// recording is found without doubt.
std::vector<float> noiseTrack(double seconds) {
  std::vector<float> samples(2 * static_cast<std::size_t>(seconds * 44100));
  std::uint32_t state = 99;
  for (float& sample : samples) {
    state = state * 1664525u + 1013904223u;
    sample = 0.3f * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
  }
  return samples;
}

// What the server plays, taken from the null sink's monitor: silence, then the track from its very
// first frame, equal to a whole decode of it, for well over a second; and the show's clock keeps up
// with it without ever going back.
TEST_F(PulseTest, ServerPlaysTheWholeTrackFromItsFirstFrameAndTheClockFollows) {
  const std::string track = scratchPath("pulse_track.ogg");
  ASSERT_TRUE(writeOggFile(track, noiseTrack(4.0)));
  DecodedAudio whole;
  ASSERT_TRUE(decodeOggFile(track.c_str(), whole));
  MonitorRecorder monitor;
  ASSERT_TRUE(monitor.start());

  MusicStream* music = new MusicStream();
  ASSERT_TRUE(music->open(track.c_str()));
  EXPECT_EQ(music->notice(), nullptr) << "the server answered";
  ASSERT_TRUE(music->play());
  const std::int32_t ms0 = music->clockMs();
  std::int32_t previous = ms0;
  constexpr std::size_t kWanted = 44100 * 3 / 2;  // frames of the track heard
  std::vector<float> recorded;
  std::size_t first = 0;  // frame of the recording where the track begins
  for (int i = 0; i < 500; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::int32_t now = music->clockMs();
    ASSERT_GE(now, previous);
    previous = now;
    recorded = monitor.samples();
    first = 0;
    while (2 * first < recorded.size() && std::fabs(recorded[2 * first]) < 1e-6f) ++first;
    if (recorded.size() / 2 >= first + kWanted) break;
  }
  const std::int32_t clock = music->clockMs() - ms0;
  ASSERT_GE(recorded.size() / 2, first + kWanted) << "the server played " << recorded.size() / 2 - first << " frames";
  // The track's first frame is the first sound the sink plays, whatever silence came before it.
  std::size_t lead = 0;
  while (std::fabs(whole.samples[2 * lead]) < 1e-6f) ++lead;
  ASSERT_LT(lead, 4u);
  first -= std::min(first, lead);
  std::size_t differing = 0;
  std::size_t firstDiffering = kWanted;
  for (std::size_t n = 0; n < 2 * kWanted; ++n) {
    if (std::fabs(recorded[2 * first + n] - whole.samples[n]) > 1e-4f) {
      ++differing;
      firstDiffering = std::min(firstDiffering, n / 2);
    }
  }
  EXPECT_EQ(differing, 0u) << "first at frame " << firstDiffering << " of the track";
  const std::int32_t playedMs = static_cast<std::int32_t>((recorded.size() / 2 - first) * 1000 / 44100);
  EXPECT_NEAR(clock, playedMs, 300) << "the clock against what the sink played";
  EXPECT_TRUE(music->isActive());
  music->fetchSpectrum();
  // Noise all over the spectrum (one bin alone may happen to be near 0).
  EXPECT_GT(std::accumulate(music->spectrum, music->spectrum + 1024, 0.0f), 1.0f) << "the noise heard now";
  delete music;  // still playing: the teardown fades out and returns
  std::filesystem::remove(track);
}

// Where in the track a stretch of a recording lies: the frame of the track (searched from `from`
// to `to`) whose next `length` frames the recording holds from `at` on; -1 when none does.
long placeInTrack(const std::vector<float>& recorded, std::size_t at, const DecodedAudio& whole, std::size_t from,
                  std::size_t to, std::size_t length) {
  for (std::size_t frame = from; frame < to && frame + length <= whole.frameCount; ++frame) {
    bool same = true;
    for (std::size_t n = 0; n < 2 * length && same; ++n) {
      same = std::fabs(recorded[2 * at + n] - whole.samples[2 * frame + n]) <= 1e-4f;
    }
    if (same) return static_cast<long>(frame);
  }
  return -1;
}

// The first frame from `from` on after which the recording is silent for `quiet` frames, and the
// first sound after that silence.
std::pair<std::size_t, std::size_t> silenceAfter(const std::vector<float>& recorded, std::size_t from,
                                                 std::size_t quiet) {
  const std::size_t frames = recorded.size() / 2;
  for (std::size_t start = from; start + quiet < frames; ++start) {
    std::size_t end = start;
    while (end < frames && std::fabs(recorded[2 * end]) < 1e-6f && std::fabs(recorded[2 * end + 1]) < 1e-6f) ++end;
    if (end - start >= quiet) return {start, end};
    start = end;
  }
  return {frames, frames};
}

// Pause on a real server: the clock holds, the sink falls silent after a short fade (the output
// reads no more of the track), and Space again plays on from the very frame the clock held, fading
// in; a seek plays the track from the moment sought.
TEST_F(PulseTest, PausePlaysOnFromTheHeldFrameAndASeekFromTheMomentSought) {
  const std::string track = scratchPath("pulse_pause.ogg");
  ASSERT_TRUE(writeOggFile(track, noiseTrack(5.0)));
  DecodedAudio whole;
  ASSERT_TRUE(decodeOggFile(track.c_str(), whole));
  MonitorRecorder monitor;
  ASSERT_TRUE(monitor.start());

  auto music = std::make_unique<MusicStream>();
  ASSERT_TRUE(music->open(track.c_str()));
  ASSERT_TRUE(music->play());
  while (music->clockMs() < 600) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  music->pause();
  const std::int32_t held = music->clockMs();
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_EQ(music->clockMs(), held);
  const std::size_t pausedAt = monitor.samples().size() / 2;
  music->resume();
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  const std::size_t soughtAt = monitor.samples().size() / 2;
  music->seek(3.5);
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_GE(music->clockMs(), 3500);
  const std::vector<float> recorded = monitor.samples();
  music.reset();

  // The pause: a stretch of silence of at least a quarter second before the resume.
  std::size_t sound = 0;
  while (2 * sound < recorded.size() && std::fabs(recorded[2 * sound]) < 1e-6f) ++sound;
  const auto [quietFrom, resumedAt] = silenceAfter(recorded, sound, 44100 / 4);
  ASSERT_LT(resumedAt, pausedAt + 44100) << "no silence for the pause";
  const std::size_t fade = static_cast<std::size_t>(kStopFadeSeconds * 44100);
  // Past the fade in, the track again, from the frame the clock held.
  const long heldFrame = static_cast<long>(held) * 441 / 10;
  const long playedOn = placeInTrack(recorded, resumedAt + fade + 10, whole, heldFrame - 2000, heldFrame + 4000, 500);
  ASSERT_GE(playedOn, 0) << "the track after the pause";
  EXPECT_NEAR(static_cast<double>(playedOn - static_cast<long>(fade) - 10), static_cast<double>(heldFrame), 50.0)
      << "played on from the held frame";
  // What was heard before the pause's fade out is the track, and it ends near the held frame.
  const std::size_t before = quietFrom - fade - 400;
  const long lastHeard = placeInTrack(recorded, before, whole, heldFrame - 20000, heldFrame + 20000, 200);
  ASSERT_GE(lastHeard, 0);
  EXPECT_NEAR(static_cast<double>(lastHeard + 400 + fade), static_cast<double>(heldFrame), 0.25 * 44100);

  // The seek: silence while the stream starts again, then the track from 3.5 s. The monitor cannot
  // have recorded the seek before it was asked for, so the silence is looked for from there on (on a
  // loaded machine, what was played before may have short gaps).
  const auto [seekQuiet, seekSound] = silenceAfter(recorded, soughtAt, 20);
  ASSERT_LT(seekSound, recorded.size() / 2 - 5000);
  EXPECT_LT(seekSound, soughtAt + 44100 / 2) << "the sound comes back within half a second";
  const long fromSought = placeInTrack(recorded, seekSound + fade + 10, whole, 3 * 44100, 4 * 44100, 500);
  EXPECT_EQ(fromSought, static_cast<long>(3.5 * 44100 + fade + 10)) << "the track from the moment sought";
  (void)seekQuiet;
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
