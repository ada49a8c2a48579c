// The image store: word order of stored pixels, the name-keyed cache, failed loads, teardown.
#include "image/image_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "image/png_files.h"
#include "image/png_loader.h"
#include "support/temporary_folder.h"

namespace glimmer {
namespace {

// Every test starts with an empty store and a scratch data/ folder.
class ImageStoreTest : public ::testing::Test {
 protected:
  void write(const char* name, const std::vector<std::uint8_t>& bytes) {
    ASSERT_FALSE(bytes.empty());
    ASSERT_FALSE(folder.write(std::string("data/") + name, std::string(bytes.begin(), bytes.end())).empty());
  }

  testing::TemporaryFolder folder;  // the data/ folder is made inside it, the current directory
  testing::WorkingFolder working{folder.path()};
  ImageStore store;
};

TEST_F(ImageStoreTest, StoresWordsInFrameOrder) {
  struct OrderCase {
    const char* label;
    std::vector<std::uint8_t> file;
    std::vector<std::uint32_t> words;
  };
  const OrderCase cases[] = {
      {"rgb 11 22 33", testing::encodeRgb(1, 1, {0x11, 0x22, 0x33}), {0x00332211}},
      // The decoder hands this file over as the bytes 11 22 33 44 (blue, green, red, alpha).
      {"bgra bytes 11 22 33 44", testing::encodeRgb(1, 1, {0x33, 0x22, 0x11, 0x44}, true), {0x44112233}},
  };
  int index = 0;
  for (const OrderCase& entry : cases) {
    SCOPED_TRACE(entry.label);
    const std::string name = "order" + std::to_string(index++) + ".png";
    write(name.c_str(), entry.file);
    Image* image = store.get(name.c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(std::vector<std::uint32_t>(image->pixels, image->pixels + image->width * image->height), entry.words);
    // Kept by name: asked again, the same image, though the file is gone.
    std::filesystem::remove(folder.file("data/" + name));
    EXPECT_EQ(store.get(name.c_str()), image);
  }
}

TEST_F(ImageStoreTest, NamesDifferingInCaseAreSeparateFiles) {
  write("logo.png", testing::encodeRgb(1, 1, {1, 2, 3}));
  if (std::filesystem::exists("data/Logo.png")) GTEST_SKIP() << "file names ignore case here (Windows)";
  write("Logo.png", testing::encodeRgb(1, 1, {4, 5, 6}));
  Image* lower = store.get("logo.png");
  Image* upper = store.get("Logo.png");
  ASSERT_NE(lower, nullptr);
  ASSERT_NE(upper, nullptr);
  EXPECT_NE(lower, upper);
  EXPECT_EQ(lower->pixels[0], 0x00030201u);
  EXPECT_EQ(upper->pixels[0], 0x00060504u);
}

TEST_F(ImageStoreTest, FailedLoadKeepsNothingAndIsTriedAgain) {
  const std::vector<std::uint8_t> good = testing::encodeRgb(2, 1, {1, 2, 3, 4, 5, 6});
  std::vector<std::uint8_t> oversized = good;
  testing::patchSize(oversized, 100000, 100000);
  // Missing, truncated and too large (the decoder's other refusals are its own tests').
  const std::vector<std::uint8_t> bad[] = {
      {}, std::vector<std::uint8_t>(good.begin(), good.begin() + good.size() / 2), oversized};
  int index = 0;
  for (const std::vector<std::uint8_t>& bytes : bad) {
    SCOPED_TRACE(index);
    const std::string name = "bad" + std::to_string(index++) + ".png";
    if (!bytes.empty()) {
      ASSERT_FALSE(folder.write(std::string("data/") + name, std::string(bytes.begin(), bytes.end())).empty());
    }
    EXPECT_EQ(store.get(name.c_str()), nullptr);
    EXPECT_EQ(store.get(name.c_str()), nullptr);
    write(name.c_str(), good);
    Image* image = store.get(name.c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(std::pair(image->width, image->height), std::pair(2, 1));
    EXPECT_EQ(image->pixels[1], 0x00060504u);
  }
}

}  // namespace
}  // namespace glimmer
