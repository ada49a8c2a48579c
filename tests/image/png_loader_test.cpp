// The PNG decoder: what each kind of file becomes, and refusal of damaged or oversized files.
#include "image/png_loader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "image/png_files.h"

namespace glimmer {
namespace {

using testing::PngDescription;

struct DecodeCase {
  const char* label;
  PngDescription file;
  std::int32_t bitsPerPixel;
  std::vector<std::uint8_t> pixels;  // as the decoder delivers them
};

std::vector<DecodeCase> decodeCases() {
  // Nine distinct pixels over the seven interlace passes must land back in row order.
  std::vector<std::uint8_t> grid;
  for (std::uint8_t k = 0; k < 9; ++k) grid.insert(grid.end(), {k, std::uint8_t(k + 0x10), std::uint8_t(k + 0x20)});
  return {
      {"rgba8 delivered blue first",
       {.colorType = PNG_COLOR_TYPE_RGB_ALPHA, .rows = {0x33, 0x22, 0x11, 0x44}},
       32,
       {0x11, 0x22, 0x33, 0x44}},
      {"grey8",
       {.width = 2, .colorType = PNG_COLOR_TYPE_GRAY, .rows = {0x80, 0x10}},
       24,
       {0x80, 0x80, 0x80, 0x10, 0x10, 0x10}},
      // 16-bit channels are scaled to 8 bits, not cut to their high byte: 0xFF00 is 254.5 of 255.
      {"rgb16 scaled", {.bitDepth = 16, .rows = {0xFF, 0x00, 0x80, 0x80, 0x00, 0xFF}}, 24, {0xFE, 0x80, 0x01}},
      {"rgb with transparent colour",
       {.width = 2,
        .rows = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66},
        .transparentColor = true,
        .transparent = {0, 0x11, 0x22, 0x33, 0}},  // index, red, green, blue, grey
       32,
       {0x33, 0x22, 0x11, 0x00, 0x66, 0x55, 0x44, 0xFF}},
      {"palette",
       {.width = 2, .colorType = PNG_COLOR_TYPE_PALETTE, .rows = {1, 0}, .palette = {{1, 2, 3}, {4, 5, 6}}},
       24,
       {4, 5, 6, 1, 2, 3}},
      {"interlaced rgb", {.width = 3, .height = 3, .interlaced = true, .rows = grid}, 24, grid},
  };
}

TEST(PngLoader, DecodesEveryKindToPackedRgbOrBgra) {
  for (const DecodeCase& entry : decodeCases()) {
    SCOPED_TRACE(entry.label);
    const std::vector<std::uint8_t> file = testing::encodePng(entry.file);
    ASSERT_FALSE(file.empty());
    PngImage* image = loadPngImageFromMemory(file.data(), file.size());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, static_cast<std::int32_t>(entry.file.width));
    EXPECT_EQ(image->height, static_cast<std::int32_t>(entry.file.height));
    EXPECT_EQ(image->bitsPerPixel, entry.bitsPerPixel);
    const std::size_t size = entry.file.width * entry.file.height * static_cast<std::size_t>(entry.bitsPerPixel / 8);
    EXPECT_EQ(std::vector<std::uint8_t>(image->pixels, image->pixels + size), entry.pixels);
    freePngImage(image);
  }
}

TEST(PngLoader, RefusesDamagedAndOversizedFiles) {
  const std::vector<std::uint8_t> good = testing::encodeRgb(4, 4, std::vector<std::uint8_t>(48, 0x5A));
  ASSERT_GT(good.size(), 60u);
  const auto truncated = [&good](std::size_t keep) {
    return std::vector<std::uint8_t>(good.begin(), good.begin() + keep);
  };
  const auto flipped = [&good](std::size_t at) {
    std::vector<std::uint8_t> bytes = good;
    bytes[at] ^= 0xFF;
    return bytes;
  };
  const auto resized = [&good](std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> bytes = good;
    testing::patchSize(bytes, width, height);
    return bytes;
  };
  const std::vector<std::uint8_t> text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'};

  struct BadCase {
    const char* label;
    std::vector<std::uint8_t> bytes;
  };
  const BadCase cases[] = {
      {"not a png", text},
      {"cut inside the pixel data", truncated(good.size() / 2 + 10)},
      {"header checksum wrong", flipped(29)},
      {"one pixel wider than the cap", resized(kMaxImageSide + 1, 4)},
      {"absurd size", resized(0x7FFFFFFF, 0x7FFFFFFF)},
  };
  for (const BadCase& entry : cases) {
    SCOPED_TRACE(entry.label);
    EXPECT_EQ(loadPngImageFromMemory(entry.bytes.data(), entry.bytes.size()), nullptr);
  }
}

// The fuzzing corpus: well-formed seeds decode; the malformed inputs kept from fuzzing are refused.
TEST(PngLoader, FuzzCorpus) {
  const char* source = std::getenv("GLIMMER_SOURCE_DIR");
  const std::filesystem::path folder = std::filesystem::path(source != nullptr ? source : ".") / "fuzz/corpus/png";
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no corpus at " << folder;
  int malformed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const std::string bytes = testing::readFile(entry.path().string());
    PngImage* image = loadPngImageFromMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (name.starts_with("malformed-")) {
      ++malformed;
      EXPECT_EQ(image, nullptr);
    } else {
      EXPECT_NE(image, nullptr);
    }
    freePngImage(image);
  }
  EXPECT_GT(malformed, 0);
}

}  // namespace
}  // namespace glimmer
