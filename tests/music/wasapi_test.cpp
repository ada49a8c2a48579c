// The Windows sound output. With a device (a real one, or Wine's with a PulseAudio sink) a short
// track plays through: the heard position only grows, the end is reported, and stopping early
// returns. Without one the device is refused fast and the show's audio falls back to the silent
// clock with its notice.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "music/audio.h"
#include "music/audio_output.h"
#include "music/decoder.h"

namespace glimmer {
namespace {

using Clock = std::chrono::steady_clock;

DecodedAudio quietTrack(double seconds) {
  DecodedAudio audio;
  audio.sampleRate = 44100;
  audio.frameCount = static_cast<std::size_t>(seconds * audio.sampleRate);
  audio.samples.assign(2 * audio.frameCount, 0.0f);
  return audio;
}

TEST(WasapiOutput, AnswersFastAndFallsBackToSilenceWithoutADevice) {
  const auto start = Clock::now();
  std::unique_ptr<AudioOutput> device = createDeviceOutput();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  if (device) GTEST_SKIP() << "a sound device answered; the fallback is not taken here";
  setAudioMode(AudioMode::Automatic);
  ASSERT_TRUE(audioInit(44100));
  ASSERT_NE(audioNotice(), nullptr);
  EXPECT_STREQ(audioNotice(), "No sound device answered: the show plays silently.");
  audioFree();
}

TEST(WasapiOutput, PlaysATrackToItsEndOnTheAudioClock) {
  std::unique_ptr<AudioOutput> device = createDeviceOutput();
  if (!device) GTEST_SKIP() << "no sound device";
  const DecodedAudio track = quietTrack(0.4);
  ASSERT_TRUE(device->start(track));
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
  std::unique_ptr<AudioOutput> device = createDeviceOutput();
  if (!device) GTEST_SKIP() << "no sound device";
  const DecodedAudio track = quietTrack(10.0);
  ASSERT_TRUE(device->start(track));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto stopStart = Clock::now();
  device->stop();
  EXPECT_LT(Clock::now() - stopStart, std::chrono::seconds(2));
  EXPECT_FALSE(device->finished());
  ASSERT_TRUE(device->start(track));
  EXPECT_LT(device->heardSeconds(), 1.0);
  device->stop();
}

}  // namespace
}  // namespace glimmer
