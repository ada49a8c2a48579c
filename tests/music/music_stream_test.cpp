// MusicStream on the outputs without a device: the clock (truncation, ms0, never backwards, end of
// track), the spectrum at the heard position, failures to open, and teardown while playing.
#include "music/music_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>

#include "music/audio_output.h"
#include "music/spectrum.h"
#include "support/ogg_files.h"
#include "support/show_data.h"

namespace glimmer {
namespace {

using testing::scratchPath;
using testing::stereoSine;
using testing::writeOggFile;

constexpr double kBinFiveHertz = 5.0 * 44100.0 / 2048.0;

class MusicStreamTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    trackPath = new std::string(scratchPath("track.ogg"));
    // Three seconds: a sine centred on bin 5 for two seconds, then silence.
    auto samples = stereoSine(kBinFiveHertz, 2.0, 0.8f);
    samples.resize(2 * 3 * 44100, 0.0f);
    ASSERT_TRUE(writeOggFile(*trackPath, samples));
  }
  static void TearDownTestSuite() {
    std::remove(trackPath->c_str());
    delete trackPath;
  }
  // A new stream in place of the last one.
  MusicStream* fresh() {
    stream = std::make_unique<MusicStream>();
    return stream.get();
  }
  // A new stream, opened on the track with the given output.
  MusicStream* openTrack(MusicOutput output) {
    MusicStream* music = fresh();
    music->setOutput(output);
    EXPECT_TRUE(music->open(trackPath->c_str()));
    return music;
  }
  static std::string* trackPath;
  std::unique_ptr<MusicStream> stream;
};
std::string* MusicStreamTest::trackPath = nullptr;

TEST_F(MusicStreamTest, UnusableFilesFailToOpen) {
  const std::string corrupt = scratchPath("corrupt.ogg");
  ASSERT_TRUE(testing::writeFile(corrupt, "OggS but not really an Ogg Vorbis file at all"));
  for (const std::string& path : {scratchPath("missing.ogg"), corrupt}) {
    MusicStream* music = fresh();
    music->setOutput(MusicOutput::Mute);
    EXPECT_FALSE(music->open(path.c_str())) << path;
    EXPECT_FALSE(music->isOpen());
    EXPECT_FALSE(music->play());
  }
  std::remove(corrupt.c_str());
}

TEST_F(MusicStreamTest, OfflineClockTruncatesSubtractsTheOriginAndNeverGoesBack) {
  MusicStream* music = openTrack(MusicOutput::Offline);
  EXPECT_FALSE(music->isActive()) << "not before play";
  ASSERT_TRUE(music->play());
  EXPECT_TRUE(music->isActive());
  EXPECT_EQ(music->clockMs(), 0);

  music->setOfflinePosition(0.023);
  const std::int32_t ms0 = music->clockMs();
  EXPECT_EQ(ms0, 23);
  struct Reading {
    double seconds;
    std::int32_t demoTime;
  };
  const Reading readings[] = {
      {1.0235, 1000},  // later times are reduced by the first reading
      {1.9999, 1976},  // 1999 ms: truncated, not rounded
      {1.5, 1976},     // an earlier position does not take the clock back
      {2.5, 2477},
  };
  for (const Reading& reading : readings) {
    music->setOfflinePosition(reading.seconds);
    EXPECT_EQ(music->clockMs() - ms0, reading.demoTime) << reading.seconds;
    EXPECT_TRUE(music->isActive());
  }
  music->setOfflinePosition(60.0);
  EXPECT_EQ(music->clockMs(), 3000) << "stops at the end of the track";
  EXPECT_FALSE(music->isActive());
}

TEST_F(MusicStreamTest, ShortTrackEndsOnItsOwn) {
  const std::string shortTrack = scratchPath("short.ogg");
  ASSERT_TRUE(writeOggFile(shortTrack, stereoSine(440.0, 0.2, 0.5f)));
  MusicStream* music = fresh();
  music->setOutput(MusicOutput::Mute);
  ASSERT_TRUE(music->open(shortTrack.c_str()));
  ASSERT_TRUE(music->play());
  for (int i = 0; i < 200 && music->isActive(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_FALSE(music->isActive());
  EXPECT_EQ(music->clockMs(), 200);
  stream.reset();
  std::remove(shortTrack.c_str());
}

// Pause holds the clock where it stands and plays on from there; a seek moves it anywhere in the
// track, back too, and a seek while paused stays paused at its moment; play starts at a moment.
TEST_F(MusicStreamTest, PauseHoldsTheClockAndSeeksMoveItBothWays) {
  using std::chrono::milliseconds;
  MusicStream* music = openTrack(MusicOutput::Mute);
  ASSERT_TRUE(music->play());
  std::this_thread::sleep_for(milliseconds(120));
  music->pause();
  EXPECT_TRUE(music->paused());
  const std::int32_t held = music->clockMs();
  EXPECT_GE(held, 100);
  std::this_thread::sleep_for(milliseconds(150));
  EXPECT_EQ(music->clockMs(), held) << "the clock stands still";
  EXPECT_TRUE(music->isActive()) << "paused is not ended";
  music->resume();
  EXPECT_FALSE(music->paused());
  std::this_thread::sleep_for(milliseconds(50));
  const std::int32_t playing = music->clockMs();
  EXPECT_GE(playing, held + 40);
  EXPECT_LT(playing, held + 140) << "from the held moment, not from where time would have taken it";

  music->seek(2.0);
  EXPECT_GE(music->clockMs(), 2000);
  EXPECT_LT(music->clockMs(), 2100);
  music->seek(0.5);
  EXPECT_GE(music->clockMs(), 500) << "back";
  EXPECT_LT(music->clockMs(), 600);
  music->seek(-3.0);
  EXPECT_LT(music->clockMs(), 100) << "clamped to the start";

  music->pause();
  music->seek(1.25);
  EXPECT_TRUE(music->paused());
  EXPECT_EQ(music->clockMs(), 1250);
  std::this_thread::sleep_for(milliseconds(50));
  EXPECT_EQ(music->clockMs(), 1250);
  music->resume();
  std::this_thread::sleep_for(milliseconds(30));
  EXPECT_GE(music->clockMs(), 1270);

  music->seek(60.0);  // past the end: the end
  for (int i = 0; i < 100 && music->isActive(); ++i) std::this_thread::sleep_for(milliseconds(5));
  EXPECT_FALSE(music->isActive());
  EXPECT_EQ(music->clockMs(), 3000);
  music->seek(0.0);  // and again from the start, as a loop does
  EXPECT_TRUE(music->isActive());
  EXPECT_LT(music->clockMs(), 100);

  music = openTrack(MusicOutput::Mute);  // the playing stream torn down, as Escape during the show does
  ASSERT_TRUE(music->play(1.5));
  EXPECT_GE(music->clockMs(), 1500) << "play from a moment";
  EXPECT_LT(music->clockMs(), 1600);
}

// Right after play, resume or a seek the spectrum is taken at the moment the music was put at, as a
// recording from there takes it, and from the next clock reading on at the heard position.
TEST_F(MusicStreamTest, TheSpectrumIsTakenWhereTheMusicWasPutThenWhereItIsHeard) {
  for (MusicOutput output : {MusicOutput::Mute, MusicOutput::Offline}) {
    MusicStream* music = openTrack(output);
    ASSERT_TRUE(music->play());
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(music->spectrum[i], 0.0f) << "zeros before the first fetch";
    music->seek(1.0);
    music->fetchSpectrum();
    EXPECT_NEAR(music->spectrum[5], 0.4f, 0.01f) << "the sine, at 1 s";
    EXPECT_LT(music->spectrum[50], 0.01f);
    music->seek(2.5);
    music->fetchSpectrum();
    EXPECT_LT(music->spectrum[5], 1e-3f) << "the silence, at 2.5 s";
    music->pause();
    music->seek(1.5);
    music->fetchSpectrum();
    EXPECT_NEAR(music->spectrum[5], 0.4f, 0.01f) << "paused, at 1.5 s";
  }
  MusicStream* music = openTrack(MusicOutput::Mute);
  ASSERT_TRUE(music->play(1.9));
  music->fetchSpectrum();
  EXPECT_NEAR(music->spectrum[5], 0.4f, 0.03f) << "playing from 1.9 s: the sine's last tenth of a second";

  music = openTrack(MusicOutput::Offline);
  ASSERT_TRUE(music->play());
  for (const auto& [heard, level] : {std::pair{1.0, 0.4f}, std::pair{2.5, 0.0f}}) {
    music->setOfflinePosition(heard);
    music->fetchSpectrum();
    EXPECT_NEAR(music->spectrum[5], level, 0.01f) << "heard at " << heard << " s";
  }
}

// Frames from the fade's first on rise from silence over its length; the others are the track's.
TEST(FadeInSource, RisesFromSilenceOverTheFade) {
  class Ones final : public TrackSource {
   public:
    std::size_t frameCount() const override { return 1000; }
    int sampleRate() const override { return 100; }
    std::size_t read(std::size_t first, std::size_t count, float* out) override {
      std::fill(out, out + 2 * count, 1.0f);
      return first < 1000 ? std::min<std::size_t>(count, 1000 - first) : 0;
    }
  } ones;
  FadeInSource fading(ones);
  EXPECT_EQ(fading.frameCount(), 1000u);
  EXPECT_EQ(fading.sampleRate(), 100);
  fading.fadeFrom(100, 9);
  float out[2 * 20];
  EXPECT_EQ(fading.read(95, 20, out), 20u);
  for (int n = 0; n < 20; ++n) {
    const std::size_t frame = 95 + n;
    const float gain = frame < 100 || frame >= 109 ? 1.0f : static_cast<float>(frame - 99) / 10.0f;
    EXPECT_FLOAT_EQ(out[2 * n], gain) << frame;
    EXPECT_FLOAT_EQ(out[2 * n + 1], gain) << frame;
  }
  fading.fadeFrom(0, 0);
  fading.read(0, 5, out);
  EXPECT_FLOAT_EQ(out[0], 1.0f) << "no fade";
}

// The committed soundtrack holds the whole show; cut short or damaged, it says what it holds, with
// the file's path (or, for the intro, its name).
TEST_F(MusicStreamTest, CommittedMusicCutOrDamagedSaysWhatItHolds) {
  const std::string whole = testing::readFile("data/music.ogg");
  ASSERT_GT(whole.size(), 2000000u);
  std::string corrupted = whole;
  for (std::size_t at = 1100000; at < 1100400; ++at) corrupted[at] = static_cast<char>(at * 7);
  struct Case {
    const char* name;
    std::string bytes;
    const char* holds;  // null: the whole show
  };
  const Case cases[] = {
      {"whole.ogg", whole, nullptr},
      {"headers.ogg", whole.substr(0, 5000), "0.0"},
      {"cut-1m.ogg", whole.substr(0, 1000000), "71.1"},
      {"cut-near-end.ogg", whole.substr(0, whole.size() - 20000), "154.0"},
      {"corrupted.ogg", corrupted, "78.1"},  // decoding stops at the damage
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    const std::string path = scratchPath(test.name);
    ASSERT_TRUE(testing::writeFile(path, test.bytes));
    MusicStream* music = fresh();
    music->setOutput(MusicOutput::Offline);
    ASSERT_TRUE(music->open(path.c_str()));
    const char* damage = music->damage(true);
    if (test.holds == nullptr) {
      EXPECT_EQ(damage, nullptr) << damage;
      EXPECT_NEAR(music->lengthSeconds(), kShowSeconds, 0.05);
    } else {
      ASSERT_NE(damage, nullptr);
      const std::string expected = path + " holds " + test.holds;
      EXPECT_EQ(std::string(damage).rfind(expected, 0), 0u) << damage;
      EXPECT_TRUE(std::string(damage).ends_with(" s of the show's 158 s: the file is damaged or cut short")) << damage;
      const std::string intro = music->damage(false, true);
      EXPECT_EQ(intro, std::string(test.name) + std::string(damage).substr(path.size()));
      EXPECT_LT(intro.size() - std::strlen(test.name) + std::strlen("music.ogg"), 80u) << "fits the intro";
    }
    stream.reset();
    std::remove(path.c_str());
  }
}

}  // namespace
}  // namespace glimmer
