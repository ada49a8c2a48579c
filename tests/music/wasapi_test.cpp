// The Windows sound output. With a device (a real one, or Wine's with a PulseAudio sink) a short
// track plays through: the heard position only grows, the end is reported, and stopping early
// returns. Without one the device is refused fast and the show's audio falls back to the silent
// clock with its notice.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "music/audio_output.h"
#include "music/music_stream.h"
#include "music/track.h"
#include "support/ogg_files.h"

namespace glimmer {
namespace {

using Clock = std::chrono::steady_clock;

// A quiet track of the given length, written once per length and opened.
std::unique_ptr<Track> quietTrack(double seconds) {
  const std::string path =
      testing::scratchPath(("quiet" + std::to_string(static_cast<int>(seconds * 10)) + ".ogg").c_str());
  testing::writeOggFile(path, testing::stereoSine(440.0, seconds, 0.0f));
  auto track = std::make_unique<Track>();
  if (!track->open(path.c_str()) || !track->waitUntilMeasured()) return nullptr;
  return track;
}

TEST(WasapiOutput, AnswersFastAndFallsBackToSilenceWithoutADevice) {
  const auto start = Clock::now();
  std::unique_ptr<AudioOutput> device = openDeviceOutput();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  if (device) GTEST_SKIP() << "a sound device answered; the fallback is not taken here";
  const std::string path = testing::scratchPath("fallback.ogg");
  ASSERT_TRUE(testing::writeOggFile(path, testing::stereoSine(440.0, 0.2, 0.0f)));
  MusicStream* music = new MusicStream();
  ASSERT_TRUE(music->open(path.c_str()));
  ASSERT_NE(music->notice(), nullptr);
  EXPECT_STREQ(music->notice(), "No sound device answered: the show plays silently.");
  EXPECT_TRUE(music->play());
  delete music;
}

TEST(WasapiOutput, PlaysATrackToItsEndOnTheAudioClock) {
  std::unique_ptr<AudioOutput> device = openDeviceOutput();
  if (!device) GTEST_SKIP() << "no sound device";
  const std::unique_ptr<Track> track = quietTrack(0.4);
  ASSERT_NE(track, nullptr);
  ASSERT_TRUE(device->start(*track));
  double previous = 0.0;
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (!device->finished() && Clock::now() < deadline) {
    const double heard = device->heardSeconds();
    EXPECT_GE(heard, previous);
    previous = heard;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(device->finished());
  EXPECT_NEAR(device->heardSeconds(), 0.4, 0.05);
  device->stop();
}

TEST(WasapiOutput, StopsEarlyAndCanStartAgain) {
  std::unique_ptr<AudioOutput> device = openDeviceOutput();
  if (!device) GTEST_SKIP() << "no sound device";
  const std::unique_ptr<Track> track = quietTrack(10.0);
  ASSERT_NE(track, nullptr);
  ASSERT_TRUE(device->start(*track));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto stopStart = Clock::now();
  device->stop();
  EXPECT_LT(Clock::now() - stopStart, std::chrono::seconds(2));
  EXPECT_FALSE(device->finished());
  track->rewind();
  ASSERT_TRUE(device->start(*track));
  EXPECT_LT(device->heardSeconds(), 1.0);
  device->stop();
}

}  // namespace
}  // namespace glimmer
