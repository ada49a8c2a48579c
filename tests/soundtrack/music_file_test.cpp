// The committed soundtrack: it decodes with the show's own decoder, has the length, rate, channels
// and headroom the show expects, and gives the scenes levels that pulse on the beat without
// washing the picture out. First the per-beat pump measure those checks rest on, on made-up levels.
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "levels.h"
#include "music/decoder.h"
#include "soundtrack.h"

namespace glimmer {
namespace {

constexpr const char* kMusicPath = "data/music.ogg";

TEST(BeatPumps, EachFrameBelongsToOneBeatAndAPumpNeedsItsPeakAndItsRun) {
  // Levels from 10.0 s; the beat at 10.5 s owns frames 23 to 52 (10.375 s up to 10.875 s).
  std::vector<float> levels(90, 0.1f);
  levels[0] = 1.6f;  // too bright, though the level stays up long enough
  for (int frame = 1; frame < 8; ++frame) levels[frame] = 0.6f;
  levels[22] = 0.9f;  // the last frame of the first beat
  for (int frame = 23; frame < 27; ++frame) levels[frame] = 0.8f;
  levels[28] = 0.55f;                                              // a shorter run after a gap
  for (int frame = 56; frame < 59; ++frame) levels[frame] = 1.0f;  // three frames: a blink
  const std::vector<soundtrack::BeatPump> beats = soundtrack::beatPumps(levels, 10.0, 10.0, 11.5);
  ASSERT_EQ(beats.size(), 3u) << "the first beat's frames are clipped to the levels, not dropped";
  EXPECT_DOUBLE_EQ(beats[0].seconds, 10.0);
  const struct {
    float peak;
    int run;
    bool pumps;
  } expected[] = {{1.6f, 8, false}, {0.8f, 4, true}, {1.0f, 3, false}};
  for (std::size_t beat = 0; beat < beats.size(); ++beat) {
    EXPECT_FLOAT_EQ(beats[beat].peak, expected[beat].peak) << beat;
    EXPECT_EQ(beats[beat].run, expected[beat].run) << beat;
    EXPECT_EQ(soundtrack::pumps(beats[beat]), expected[beat].pumps) << beat;
  }
  EXPECT_FLOAT_EQ(soundtrack::pumpShare(beats), 1.0f / 3.0f);
  EXPECT_FLOAT_EQ(soundtrack::pumpShare({}), 0.0f);
}

class MusicFile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    audio = new DecodedAudio();
    decoded = decodeOggFile(kMusicPath, *audio);
  }
  static void TearDownTestSuite() {
    delete audio;
    audio = nullptr;
  }
  static DecodedAudio* audio;
  static bool decoded;
};

DecodedAudio* MusicFile::audio = nullptr;
bool MusicFile::decoded = false;

TEST_F(MusicFile, DecodesAsStereoAt44100WithThePiecesLengthAndHeadroom) {
  ASSERT_TRUE(decoded) << kMusicPath;
  EXPECT_EQ(audio->sampleRate, 44100);
  // The show's cuts are set on the piece's own clock, so the file must end where the score does.
  EXPECT_NEAR(static_cast<double>(audio->frameCount) / audio->sampleRate, soundtrack::kLengthSeconds, 0.01);
  float peak = 0.0f;
  for (float sample : audio->samples) peak = std::max(peak, std::fabs(sample));
  EXPECT_LE(20.0 * std::log10(peak), -1.0) << "peak above -1 dBFS";

  OggVorbis_File file;
  ASSERT_EQ(ov_fopen(kMusicPath, &file), 0);
  EXPECT_EQ(ov_info(&file, -1)->channels, 2);
  ov_clear(&file);
}

TEST_F(MusicFile, SpikeLevelPumpsOnTheBeatAndIsDarkBetween) {
  ASSERT_TRUE(decoded);
  for (const soundtrack::LevelWindow& window : {soundtrack::kSpikeWindowFirst, soundtrack::kSpikeWindowSecond}) {
    const std::vector<float> levels = soundtrack::measureLevels(*audio, window);
    ASSERT_FALSE(levels.empty()) << window.name;
    EXPECT_LT(soundtrack::describe(levels).median, 0.3f) << window.name << ": the flash washes the picture out";
    const std::vector<soundtrack::BeatPump> beats =
        soundtrack::beatPumps(levels, window.startSeconds, window.beatsFrom, window.beatsTo);
    EXPECT_EQ(beats.size(), static_cast<std::size_t>((window.beatsTo - window.beatsFrom) * 2.0)) << window.name;
    EXPECT_GE(soundtrack::pumpShare(beats), 0.8f) << window.name;
  }
}

TEST_F(MusicFile, ClusterLevelPulsesAndSwingsOnEveryBeatOfTheDrop) {
  ASSERT_TRUE(decoded);
  const soundtrack::LevelWindow& window = soundtrack::kClusterWindow;
  const std::vector<float> levels = soundtrack::measureLevels(*audio, window);
  // The level turns the cubes' sizes through the sine table in radians: a median about 0.4 and a
  // 90th percentile about 0.9 keep them moving through the whole drop.
  const soundtrack::Distribution distribution = soundtrack::describe(levels);
  EXPECT_GE(distribution.median, 0.39f);
  EXPECT_GE(distribution.ninetieth, 0.89f);
  const std::vector<float> swings =
      soundtrack::beatSwings(levels, window.startSeconds, window.beatsFrom, window.beatsTo);
  ASSERT_EQ(swings.size(), 46u);
  // A swing of half a radian moves every cube's size through the sine table visibly.
  const auto visible = std::count_if(swings.begin(), swings.end(), [](float swing) { return swing >= 0.5f; });
  EXPECT_GE(visible, 44) << "of " << swings.size() << " beats";
}

}  // namespace
}  // namespace glimmer
