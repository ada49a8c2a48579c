// The show's images as the store hands them out: the sizes the scenes can draw unclipped, colour
// keys that only the letters and outlines pass, text that keeps whole text cells, and the tiling
// that the greetings picture and the scrolling backdrop need.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "image/image_store.h"

namespace glimmer {
namespace {

constexpr std::uint32_t whiteWord = 0x00FFFFFF;
constexpr std::uint32_t blackWord = 0x00000000;

bool isKeyedIn(std::uint32_t word) { return word == whiteWord || word == blackWord; }

class ImageFilesTest : public ::testing::Test {
 protected:
  const Image& load(const char* name) {
    const Image* image = store.get(name);
    EXPECT_NE(image, nullptr) << name;
    static const Image empty;
    return image != nullptr ? *image : empty;
  }

  ImageStore store;
};

std::uint32_t pixel(const Image& image, int x, int y) { return image.pixels[y * image.width + x]; }

int channelDistance(std::uint32_t a, std::uint32_t b) {
  int sum = 0;
  for (int shift = 0; shift < 24; shift += 8) sum += std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
  return sum;
}

struct TextImageCase {
  const char* name;
  int maxWidth;
  int maxHeight;  // 0: any
  int frameX;     // where the scene draws the image
  int frameY;     // -1: the image scrolls, so rows only come in pairs
};

const TextImageCase textImages[] = {
    {"start1.png", 155, 90, 5, 10},     {"start2.png", 155, 95, 5, 5},     {"start3.png", 155, 85, 5, 15},
    {"greets_txt.png", 35, 0, 125, -1}, {"greets_txt2.png", 36, 0, 4, -1},
};

// Every pixel is letter white, outline black or a key colour with a zero top byte; every 2x2
// block of the frame the image lands on holds one word, so no text cell mixes letter and
// picture; and no letter pixel touches the key colour, so every letter has its outline.
TEST_F(ImageFilesTest, TextImagesKeepWholeOutlinedCells) {
  for (const TextImageCase& test : textImages) {
    SCOPED_TRACE(test.name);
    const Image& image = load(test.name);
    ASSERT_NE(image.pixels, nullptr);
    EXPECT_LE(image.width, test.maxWidth);
    if (test.maxHeight > 0) {
      EXPECT_LE(image.height, test.maxHeight);
    }
    int white = 0, black = 0;
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        const std::uint32_t word = pixel(image, x, y);
        ASSERT_EQ(word >> 24, 0u) << "pixel " << x << "," << y;
        white += word == whiteWord;
        black += word == blackWord;
        // The other pixels of this pixel's frame block, where they lie inside the image.
        const int blockX = x - ((test.frameX + x) & 1);
        const int blockY = test.frameY >= 0 ? y - ((test.frameY + y) & 1) : y - (y & 1);
        for (int by = blockY; by < blockY + 2; ++by) {
          for (int bx = blockX; bx < blockX + 2; ++bx) {
            if (bx < 0 || by < 0 || bx >= image.width || by >= image.height) continue;
            if (isKeyedIn(word) || isKeyedIn(pixel(image, bx, by))) {
              ASSERT_EQ(pixel(image, bx, by), word) << "pixel " << x << "," << y << " splits a text cell";
            }
          }
        }
        if (word != whiteWord) continue;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= image.width || ny >= image.height) continue;
            ASSERT_TRUE(isKeyedIn(pixel(image, nx, ny))) << "letter pixel " << x << "," << y << " has no outline";
          }
        }
      }
    }
    EXPECT_GT(white, 0);
    EXPECT_GT(black, 0);
  }
}

// The scene masks the sampling coordinates with W - 1 and H - 1, so the sides must be powers of
// two; and the wrap from the last row or column to the first must be no harsher than any step
// inside the picture.
TEST_F(ImageFilesTest, GreetsPictureTilesSeamlessly) {
  const Image& image = load("greets.png");
  ASSERT_NE(image.pixels, nullptr);
  EXPECT_EQ(image.width & (image.width - 1), 0);
  EXPECT_EQ(image.height & (image.height - 1), 0);
  int inside = 0, wrap = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      ASSERT_EQ(pixel(image, x, y) >> 24, 0u);
      const int right = channelDistance(pixel(image, x, y), pixel(image, (x + 1) % image.width, y));
      const int down = channelDistance(pixel(image, x, y), pixel(image, x, (y + 1) % image.height));
      int& rightStep = x + 1 == image.width ? wrap : inside;
      rightStep = std::max(rightStep, right);
      int& downStep = y + 1 == image.height ? wrap : inside;
      downStep = std::max(downStep, down);
    }
  }
  EXPECT_GT(inside, 0);
  EXPECT_LE(wrap, inside);
}

// Scene2 draws the backdrop at every second pixel of every second row and scrolls it with a
// period of H - 1 rows: it must fit 80x50 and its last row must repeat its first.
TEST_F(ImageFilesTest, BackdropFitsAndLoops) {
  const Image& image = load("bg.png");
  ASSERT_NE(image.pixels, nullptr);
  EXPECT_LE(image.width, 80);
  EXPECT_LE(image.height, 50);
  ASSERT_GE(image.height, 3);
  for (int x = 0; x < image.width; ++x) {
    EXPECT_EQ(pixel(image, x, image.height - 1), pixel(image, x, 0)) << "column " << x;
    ASSERT_EQ(pixel(image, x, 0) >> 24, 0u);
  }
}

}  // namespace
}  // namespace glimmer
