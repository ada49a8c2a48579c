// The committed soundtrack: it decodes with the show's own decoder, has the length, rate, channels
// and headroom the show expects, and gives the scenes levels that pulse on the beat without
// washing the picture out.
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

TEST_F(MusicFile, DecodesAsStereoAt44100WithTheShowsLengthAndHeadroom) {
  ASSERT_TRUE(decoded) << kMusicPath;
  EXPECT_EQ(audio->sampleRate, 44100);
  const double seconds = static_cast<double>(audio->frameCount) / audio->sampleRate;
  EXPECT_GE(seconds, 150.0);
  EXPECT_LE(seconds, 165.0);
  float peak = 0.0f;
  for (float sample : audio->samples) peak = std::max(peak, std::fabs(sample));
  EXPECT_LE(20.0 * std::log10(peak), -1.0) << "peak above -1 dBFS";

  OggVorbis_File file;
  ASSERT_EQ(ov_fopen(kMusicPath, &file), 0);
  EXPECT_EQ(ov_info(&file, -1)->channels, 2);
  ov_clear(&file);
}

TEST_F(MusicFile, SpikeLevelFlashesOnTheBeatAndIsDarkBetween) {
  ASSERT_TRUE(decoded);
  struct Stretch {
    soundtrack::LevelWindow window;
    double kickFrom, kickTo;  // where the kick plays four to the floor
  };
  const Stretch stretches[] = {{soundtrack::kSpikeWindowFirst, 87.0, 114.0},
                               {soundtrack::kSpikeWindowSecond, 136.0, 148.0}};
  for (const Stretch& stretch : stretches) {
    const std::vector<float> levels = soundtrack::measureLevels(*audio, stretch.window);
    ASSERT_FALSE(levels.empty()) << stretch.window.name;
    EXPECT_GE(soundtrack::fractionBelow(levels, 0.3f), 0.75f) << stretch.window.name;
    const std::vector<float> peaks =
        soundtrack::beatPeaks(levels, stretch.window.startSeconds, stretch.kickFrom, stretch.kickTo);
    EXPECT_GE(peaks.size(), static_cast<std::size_t>((stretch.kickTo - stretch.kickFrom) * 2.0 - 1.0));
    for (std::size_t beat = 0; beat < peaks.size(); ++beat) {
      EXPECT_GE(peaks[beat], 0.7f) << stretch.window.name << " beat " << beat;
      EXPECT_LE(peaks[beat], 1.5f) << stretch.window.name << " beat " << beat;
    }
  }
}

TEST_F(MusicFile, ClusterLevelSwingsOnEveryBeatOfTheDrop) {
  ASSERT_TRUE(decoded);
  const std::vector<float> levels = soundtrack::measureLevels(*audio, soundtrack::kClusterWindow);
  const std::vector<float> swings = soundtrack::beatSwings(levels, soundtrack::kClusterWindow.startSeconds, 60.0, 83.0);
  ASSERT_EQ(swings.size(), 46u);
  // A swing of half a radian moves every cube's size through the sine table visibly.
  const auto visible = std::count_if(swings.begin(), swings.end(), [](float swing) { return swing >= 0.5f; });
  EXPECT_GE(visible, 44) << "of " << swings.size() << " beats";
}

}  // namespace
}  // namespace glimmer
