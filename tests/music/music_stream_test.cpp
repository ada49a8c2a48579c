// MusicStream on the outputs without a device: the clock (truncation, ms0, never backwards, end of
// track), the spectrum at the heard position, failures to open, and teardown while playing.
#include "music/music_stream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

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

TEST_F(MusicStreamTest, SpectrumFollowsTheHeardPosition) {
  MusicStream* music = openTrack(MusicOutput::Offline);
  ASSERT_TRUE(music->play());
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(music->spectrum[i], 0.0f) << "zeros before the first fetch";

  music->setOfflinePosition(1.0);
  music->fetchSpectrum();
  EXPECT_NEAR(music->spectrum[5], 0.4f, 0.01f);
  EXPECT_LT(music->spectrum[50], 0.01f);

  music->setOfflinePosition(2.5);
  music->fetchSpectrum();
  EXPECT_LT(music->spectrum[5], 1e-3f) << "the silent part";
}

TEST_F(MusicStreamTest, ShortTrackEndsAndTeardownWhilePlayingReturns) {
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

  // Escape during the show: the stream still plays when the Demo tears it down.
  music = openTrack(MusicOutput::Mute);
  ASSERT_TRUE(music->play());
  EXPECT_TRUE(music->isActive());
  stream.reset();
  std::remove(shortTrack.c_str());
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
      {"cut-100k.ogg", whole.substr(0, 100000), "7.2"},
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
