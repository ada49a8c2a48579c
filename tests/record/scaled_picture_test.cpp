// Pictures enlarged for captures: every pixel a square block in the Y'CbCr planes a video encoder
// takes, whose colours are those every BT.709 decoder turns back into the picture's. The RGB
// pictures of PNG frames, enlarged the same way, are checked through the program in
// scaled_capture_test.cpp.
#include "record/scaled_picture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

namespace glimmer {

void PrintTo(const YCbCr& c, std::ostream* out) { *out << int{c.y} << "," << int{c.cb} << "," << int{c.cr}; }

namespace {

// An odd-sized picture of distinct pixels (no two neighbours alike, every byte of a pixel different),
// so a pixel taken from the wrong place shows.
std::vector<std::uint8_t> distinctPicture(int width, int height) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t n = 0; n < rgb.size(); ++n) rgb[n] = static_cast<std::uint8_t>(n * 7 + n / 3);
  return rgb;
}

// The colours as BT.709 in limited range gives them (the values video tools and test charts show),
// so a decoder that reads the video as tagged shows the picture's own colours.
TEST(ScaledPicture, ColoursAreBt709InLimitedRange) {
  EXPECT_EQ(yCbCrOf(0, 0, 0), (YCbCr{16, 128, 128}));
  EXPECT_EQ(yCbCrOf(255, 255, 255), (YCbCr{235, 128, 128}));
  EXPECT_EQ(yCbCrOf(128, 128, 128), (YCbCr{126, 128, 128}));
  EXPECT_EQ(yCbCrOf(255, 0, 0), (YCbCr{63, 102, 240}));
  EXPECT_EQ(yCbCrOf(0, 255, 0), (YCbCr{173, 42, 26}));
  EXPECT_EQ(yCbCrOf(0, 0, 255), (YCbCr{32, 240, 118}));
  EXPECT_EQ(yCbCrOf(255, 255, 0), (YCbCr{219, 16, 138}));
}

// The planes hold each pixel's Y'CbCr as a block: Y' scale x scale, Cb and Cr as large with full
// chroma and half as large across and down with half chroma, one after the other and nothing
// more; a picture converted after another shows nothing of it.
TEST(ScaledPicture, PlanesHoldEveryPixelsColourAsABlock) {
  constexpr int kWidth = 5;
  constexpr int kHeight = 3;
  struct Case {
    int scale;
    Chroma chroma;
    int chromaScale;
  };
  for (const Case c : {Case{1, Chroma::Full, 1}, Case{2, Chroma::Full, 2}, Case{3, Chroma::Full, 3},
                       Case{4, Chroma::Half, 2}, Case{6, Chroma::Half, 3}}) {
    SCOPED_TRACE(::testing::Message() << "scale " << c.scale << (c.chroma == Chroma::Half ? ", half" : ", full"));
    YCbCrPicture planes(kWidth, kHeight, c.scale, c.chroma);
    ASSERT_EQ(planes.width(), kWidth * c.scale);
    ASSERT_EQ(planes.height(), kHeight * c.scale);
    const std::size_t luma = static_cast<std::size_t>(planes.width()) * planes.height();
    const int chromaWidth = kWidth * c.chromaScale;
    const std::size_t chroma = static_cast<std::size_t>(chromaWidth) * kHeight * c.chromaScale;
    ASSERT_EQ(planes.bytes(), luma + 2 * chroma);

    const std::vector<std::uint8_t> other(kWidth * kHeight * 3, 0);
    planes.convert(other.data());
    const std::vector<std::uint8_t> picture = distinctPicture(kWidth, kHeight);
    planes.convert(picture.data());
    const auto colourAt = [&](int x, int y) {
      const std::uint8_t* pixel = &picture[3 * (y * kWidth + x)];
      return yCbCrOf(pixel[0], pixel[1], pixel[2]);
    };
    const std::uint8_t* data = planes.data();
    int wrong = 0;
    for (int y = 0; y < planes.height(); ++y) {
      for (int x = 0; x < planes.width(); ++x)
        wrong += data[y * planes.width() + x] != colourAt(x / c.scale, y / c.scale).y;
    }
    for (int y = 0; y < kHeight * c.chromaScale; ++y) {
      for (int x = 0; x < chromaWidth; ++x) {
        const YCbCr colour = colourAt(x / c.chromaScale, y / c.chromaScale);
        wrong += data[luma + y * chromaWidth + x] != colour.cb;
        wrong += data[luma + chroma + y * chromaWidth + x] != colour.cr;
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

}  // namespace
}  // namespace glimmer
