// The ALSA output on ALSA's null device (configured through ALSA_CONFIG_PATH), which takes
// samples as fast as they come: the writer thread runs the track to its end and drains, twice.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "music/audio_linux.h"
#include "music/track.h"
#include "support/ogg_files.h"

namespace glimmer {
namespace {

TEST(AlsaOutput, NullDeviceTrackRunsToItsEndAndRestarts) {
  const std::string config = testing::scratchPath("asound.conf");
  ASSERT_TRUE(testing::writeFile(config, "pcm.!default { type null }\n"));
  setenv("ALSA_CONFIG_PATH", config.c_str(), 1);

  auto output = createAlsaOutput();
  std::remove(config.c_str());
  if (output == nullptr) GTEST_SKIP() << "ALSA's null device is not available";

  const std::string file = testing::scratchPath("alsa_track.ogg");
  // Longer than the second the track keeps behind its reader, so the second round needs a rewind.
  ASSERT_TRUE(testing::writeOggFile(file, testing::stereoSine(440.0, 1.5, 0.25f)));
  Track track;
  ASSERT_TRUE(track.open(file.c_str()));
  ASSERT_TRUE(track.waitUntilMeasured());
  ASSERT_EQ(track.frameCount(), 66150u);
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(output->start(track)) << "round " << round;
    for (int i = 0; i < 200 && !output->finished(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(output->finished());
    EXPECT_DOUBLE_EQ(output->heardSeconds(), 1.5);
    track.rewind();
  }
  // From a frame on (a pause or a seek): the clock starts there and the track ends as before.
  track.seek(44100);
  ASSERT_TRUE(output->start(track, 44100));
  EXPECT_GE(output->heardSeconds(), 1.0);
  for (int i = 0; i < 200 && !output->finished(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(output->finished());
  EXPECT_DOUBLE_EQ(output->heardSeconds(), 1.5);
  output->stop();
  output->stop();
}

}  // namespace
}  // namespace glimmer
