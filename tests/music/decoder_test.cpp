// Decoding Ogg Vorbis files the test writes itself: length, content, damaged files, and the
// decode-ahead track.
#include "music/decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "music/track.h"
#include "support/ogg_files.h"

namespace glimmer {
namespace {

using testing::readFile;
using testing::scratchPath;
using testing::stereoSine;
using testing::writeFile;
using testing::writeOggFile;

class DecoderTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const std::string& path : paths) std::remove(path.c_str());
  }
  std::string path(const char* name) {
    paths.push_back(scratchPath(name));
    return paths.back();
  }
  // A 330 Hz sine with noise (from seed) over it, so no two stretches are alike, written as the
  // file name and decoded whole into whole.
  std::string writeNoisySine(const char* name, double seconds, std::uint32_t seed, DecodedAudio& whole) {
    std::vector<float> original = stereoSine(330.0, seconds, 0.4f);
    for (float& sample : original) {
      seed = seed * 1664525u + 1013904223u;
      sample += static_cast<float>(seed >> 8) / 167772160.0f;
    }
    const std::string file = path(name);
    EXPECT_TRUE(writeOggFile(file, original));
    EXPECT_TRUE(decodeOggFile(file.c_str(), whole));
    return file;
  }
  std::vector<std::string> paths;
};

TEST_F(DecoderTest, StereoFileDecodesToItsLengthAndContent) {
  const double hertz = 5.0 * 44100.0 / 2048.0;
  const auto original = stereoSine(hertz, 1.5, 0.8f);
  const std::string file = path("stereo.ogg");
  ASSERT_TRUE(writeOggFile(file, original));

  DecodedAudio decoded;
  ASSERT_TRUE(decodeOggFile(file.c_str(), decoded));
  EXPECT_EQ(decoded.sampleRate, 44100);
  EXPECT_EQ(decoded.frameCount, original.size() / 2);
  ASSERT_EQ(decoded.samples.size(), 2 * decoded.frameCount);

  double errorPower = 0.0;
  for (std::size_t i = 0; i < original.size(); ++i) {
    const double difference = decoded.samples[i] - original[i];
    errorPower += difference * difference;
  }
  EXPECT_LT(std::sqrt(errorPower / original.size()), 0.02) << "lossy, but close to the sine";
}

TEST_F(DecoderTest, UnusableFilesAreRefusedAndLeaveNothingBehind) {
  const std::string good = path("good.ogg");
  ASSERT_TRUE(writeOggFile(good, stereoSine(440.0, 1.0, 0.5f)));
  const std::string bytes = readFile(good);

  const std::string headerOnly = path("header_only.ogg");
  ASSERT_TRUE(writeFile(headerOnly, bytes.substr(0, 60)));
  const std::string noise = path("noise.ogg");
  std::string random(bytes.size(), '\0');
  for (std::size_t i = 0; i < random.size(); ++i) random[i] = static_cast<char>((i * 7919u) >> 3);
  ASSERT_TRUE(writeFile(noise, random));

  for (const std::string& file : {path("missing.ogg"), headerOnly, noise, std::string("/tmp")}) {
    DecodedAudio decoded;
    decoded.frameCount = 99;
    EXPECT_FALSE(decodeOggFile(file.c_str(), decoded)) << file;
    EXPECT_EQ(decoded.frameCount, 0u) << file;
    EXPECT_TRUE(decoded.samples.empty()) << file;
  }
  DecodedAudio decoded;
  EXPECT_FALSE(decodeOggFile(nullptr, decoded));
}

// The spectrum's window behind playback, which has just read from playedFrom: a second behind it
// is still the whole decode's, from the first frame to the track's end and across the point where
// the ring wraps (frame 6 * 44100), both for the recording (read) and the live show
// (readIfReady); one frame further back is gone.
void readsBehind(Track& track, const DecodedAudio& whole, std::size_t playedFrom) {
  SCOPED_TRACE(playedFrom);
  // Gives the worker time to fill the ring as far ahead as it may (six seconds decode in a few
  // tens of milliseconds): a frame it overwrote too early then shows, and so does a worker that
  // stops at a full ring instead of waiting for room.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::size_t oldest = playedFrom > 44100 ? playedFrom - 44100 : 0;
  std::vector<std::size_t> starts = {oldest, (oldest + playedFrom) / 2};
  if (playedFrom + 1000 >= whole.frameCount) starts.push_back(whole.frameCount - 100);  // in the last piece played
  std::vector<float> window(2 * 2048);
  for (std::size_t start : starts) {
    const std::size_t inside = std::min<std::size_t>(2048, whole.frameCount - start);
    std::fill(window.begin(), window.end(), -2.0f);
    ASSERT_EQ(track.read(start, 2048, window.data()), inside) << start;
    EXPECT_EQ(std::memcmp(window.data(), whole.samples.data() + 2 * start, inside * 2 * sizeof(float)), 0) << start;
    EXPECT_EQ(std::count(window.begin() + 2 * inside, window.end(), 0.0f), 2 * (2048 - inside)) << start;
    std::fill(window.begin(), window.end(), -2.0f);
    ASSERT_TRUE(track.readIfReady(start, 2048, window.data())) << start;
    EXPECT_EQ(std::memcmp(window.data(), whole.samples.data() + 2 * start, inside * 2 * sizeof(float)), 0) << start;
  }
  if (oldest == 0) return;
  window.assign(window.size(), -2.0f);
  EXPECT_EQ(track.read(oldest - 1, 2048, window.data()), 0u) << "a second and a frame behind";
  EXPECT_EQ(window[0], 0.0f);
  EXPECT_FALSE(track.readIfReady(oldest - 1, 2048, window.data()));
}

// The decode-ahead track against a whole decode: the same floats, bit for bit, for a reader that
// plays in order past the ring's room (with the spectrum's reads behind it) and for one that jumps
// ahead; reads behind the second of history kept come back empty; a file cut half way decodes up
// to the damage, and the track is as long as that decode.
TEST_F(DecoderTest, TrackReadsTheFloatsOfAWholeDecodeWithinItsRing) {
  DecodedAudio whole;
  const std::string file = writeNoisySine("long.ogg", 9.0, 7, whole);
  ASSERT_FALSE(HasFailure());

  Track played;
  ASSERT_TRUE(played.open(file.c_str()));
  ASSERT_TRUE(played.waitUntilMeasured());
  ASSERT_EQ(played.frameCount(), whole.frameCount);
  std::vector<float> piece(2 * 1000);
  for (std::size_t first = 0; first < whole.frameCount; first += 1000) {
    const std::size_t inside = std::min<std::size_t>(1000, whole.frameCount - first);
    ASSERT_EQ(played.read(first, 1000, piece.data()), inside) << first;
    ASSERT_EQ(std::memcmp(piece.data(), whole.samples.data() + 2 * first, inside * 2 * sizeof(float)), 0) << first;
    for (std::size_t n = 2 * inside; n < piece.size(); ++n) ASSERT_EQ(piece[n], 0.0f) << "silence past the end";
    if (first == 3000 || first == 308000 || first == 396000) readsBehind(played, whole, first);
  }
  EXPECT_EQ(played.read(whole.frameCount - 3 * 44100, 10, piece.data()), 0u) << "dropped long ago";
  EXPECT_EQ(piece[0], 0.0f);

  Track jumped;
  ASSERT_TRUE(jumped.open(file.c_str()));
  ASSERT_TRUE(jumped.waitUntilMeasured());
  for (std::size_t first : {std::size_t{44100}, std::size_t{6 * 44100 + 17}, whole.frameCount - 100}) {
    const std::size_t inside = std::min<std::size_t>(1000, whole.frameCount - first);
    ASSERT_EQ(jumped.read(first, 1000, piece.data()), inside) << first;
    EXPECT_EQ(std::memcmp(piece.data(), whole.samples.data() + 2 * first, inside * 2 * sizeof(float)), 0) << first;
  }

  const std::string bytes = readFile(file);
  const std::string truncated = path("long_truncated.ogg");
  ASSERT_TRUE(writeFile(truncated, bytes.substr(0, bytes.size() / 2)));
  DecodedAudio damaged;
  ASSERT_TRUE(decodeOggFile(truncated.c_str(), damaged)) << "decodes up to the damage";
  EXPECT_GT(damaged.frameCount, whole.frameCount / 4);
  EXPECT_LT(damaged.frameCount, whole.frameCount);
  EXPECT_EQ(damaged.samples.size(), 2 * damaged.frameCount);
  Track cut;
  ASSERT_TRUE(cut.open(truncated.c_str()));
  ASSERT_TRUE(cut.waitUntilMeasured());
  EXPECT_EQ(cut.frameCount(), damaged.frameCount);
}

// A track sought anywhere reads the floats of a whole decode from there: inside the ring (nothing
// starts over), outside it forward and back (the decoding starts over there, through the file's own
// seek), at its very end (silence); and a file that can only be read in order (cut short) is sought
// by decoding up to the frame.
TEST_F(DecoderTest, ASoughtTrackReadsTheFloatsOfAWholeDecodeFromThere) {
  DecodedAudio whole;
  const std::string file = writeNoisySine("sought.ogg", 12.0, 11, whole);
  ASSERT_FALSE(HasFailure());

  Track track;
  ASSERT_TRUE(track.open(file.c_str()));
  std::vector<float> piece(2 * 3000);
  const std::size_t moments[] = {44100 * 2,        44100 * 10 + 17, 44100 / 2 + 3, 0,
                                 44100 * 11 + 123, 44100 * 11,      44100 * 3 + 1, whole.frameCount - 1000};
  for (std::size_t first : moments) {
    SCOPED_TRACE(first);
    track.seek(first);
    const std::size_t inside = std::min<std::size_t>(3000, whole.frameCount - first);
    ASSERT_EQ(track.read(first, 3000, piece.data()), inside);
    EXPECT_EQ(std::memcmp(piece.data(), whole.samples.data() + 2 * first, inside * 2 * sizeof(float)), 0);
    // Playing on from there, as an output does, past the ring's room.
    for (std::size_t at = first + 3000; at < std::min(first + 8 * 44100, whole.frameCount); at += 3000) {
      const std::size_t more = std::min<std::size_t>(3000, whole.frameCount - at);
      ASSERT_EQ(track.read(at, 3000, piece.data()), more) << at;
      ASSERT_EQ(std::memcmp(piece.data(), whole.samples.data() + 2 * at, more * 2 * sizeof(float)), 0) << at;
    }
  }
  track.seek(whole.frameCount);
  EXPECT_EQ(track.read(whole.frameCount, 10, piece.data()), 0u) << "the end: silence";
  EXPECT_EQ(piece[0], 0.0f);

  // Cut short, the file is read as a plain stream: the reader decodes up to the frame.
  const std::string bytes = readFile(file);
  const std::string truncated = path("sought_truncated.ogg");
  ASSERT_TRUE(writeFile(truncated, bytes.substr(0, bytes.size() / 2)));
  DecodedAudio cut;
  ASSERT_TRUE(decodeOggFile(truncated.c_str(), cut));
  for (std::size_t first : {std::size_t{4096 * 3 + 5}, cut.frameCount / 2}) {
    OggReader reader;
    ASSERT_TRUE(reader.open(truncated.c_str()));
    ASSERT_TRUE(reader.seek(first)) << first;
    std::vector<float> decoded;
    reader.decodeEach(4096, [&](const float* interleaved, std::size_t frames) {
      decoded.insert(decoded.end(), interleaved, interleaved + 2 * frames);
      return decoded.size() < 2 * 5000;
    });
    ASSERT_GE(decoded.size(), 2u * 5000) << first;
    EXPECT_EQ(std::memcmp(decoded.data(), cut.samples.data() + 2 * first, 2 * 5000 * sizeof(float)), 0) << first;
  }
  OggReader past;
  ASSERT_TRUE(past.open(truncated.c_str()));
  EXPECT_FALSE(past.seek(cut.frameCount + 44100)) << "past what the file holds";
}

}  // namespace
}  // namespace glimmer
