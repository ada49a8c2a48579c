// Decoding Ogg Vorbis files the test writes itself: length, content, and damaged files.
#include "music/decoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "support/ogg_files.h"

namespace glimmer {
namespace {

using testing::scratchPath;
using testing::stereoSine;
using testing::writeOggFile;

std::vector<char> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const char* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data, static_cast<std::streamsize>(size));
}

class DecoderTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const std::string& path : paths) std::remove(path.c_str());
  }
  std::string path(const char* name) {
    paths.push_back(scratchPath(name));
    return paths.back();
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
  const std::vector<char> bytes = readBytes(good);

  const std::string headerOnly = path("header_only.ogg");
  writeBytes(headerOnly, bytes.data(), 60);
  const std::string noise = path("noise.ogg");
  std::vector<char> random(bytes.size());
  for (std::size_t i = 0; i < random.size(); ++i) random[i] = static_cast<char>((i * 7919u) >> 3);
  writeBytes(noise, random.data(), random.size());

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

TEST_F(DecoderTest, FileDamagedPartWayDecodesUpToTheDamage) {
  const std::string good = path("whole.ogg");
  // Noise, so that audio pages and not the headers make up most of the file.
  std::vector<float> original(2 * 3 * 44100);
  std::uint32_t state = 1;
  for (float& sample : original) {
    state = state * 1664525u + 1013904223u;
    sample = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
  }
  ASSERT_TRUE(writeOggFile(good, original));
  const std::vector<char> bytes = readBytes(good);
  ASSERT_GT(bytes.size(), 40000u);

  const std::string truncated = path("truncated.ogg");
  writeBytes(truncated, bytes.data(), bytes.size() / 2);

  DecodedAudio decoded;
  ASSERT_TRUE(decodeOggFile(truncated.c_str(), decoded));
  EXPECT_GT(decoded.frameCount, original.size() / 2 / 4);
  EXPECT_LT(decoded.frameCount, original.size() / 2);
  EXPECT_EQ(decoded.samples.size(), 2 * decoded.frameCount);
}

}  // namespace
}  // namespace glimmer
