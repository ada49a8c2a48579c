// ScaledPicture: a frame's picture (cell_picture.h) enlarged for a capture to share, each pixel an
// NxN block (nearest neighbour), so the glyphs' dot patterns stay as crisp as at 640x400: as RGB
// for PNG frames, and as planar Y'CbCr for the video encoder.
//
// The video planes are made here rather than by the encoder: the picture is converted at 640x400
// (256,000 pixels) and the planes are then enlarged, which gives the same planes as converting the
// enlarged picture, for a fraction of the work (ffmpeg's own conversion of a 3840x2400 picture
// took some 45 ms a frame, on the one thread that also feeds the encoder). Y'CbCr is BT.709 in
// limited range, the encoding of HD video; with half chroma (4:2:0, at even scales only) each chroma sample covers a
// 2x2 block of one pixel of the picture, so it is that pixel's colour exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace glimmer {

// The scales a capture is made at: 1 (640x400) to 6 (3840x2400).
inline constexpr int kMinPictureScale = 1;
inline constexpr int kMaxPictureScale = 6;

// Enlarges rgb (width x height pixels, 3 bytes each, rows top first) into out, each pixel a
// scale x scale block: width*scale x height*scale pixels, out holding width*height*3*scale*scale
// bytes.
void enlargeRgb(const std::uint8_t* rgb, int width, int height, int scale, std::uint8_t* out);

// The Y'CbCr of one RGB colour, BT.709 in limited range (Y' 16..235, Cb and Cr 16..240).
struct YCbCr {
  std::uint8_t y, cb, cr;
  bool operator==(const YCbCr&) const = default;
};
YCbCr yCbCrOf(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

enum class Chroma {
  Full,  // 4:4:4: Cb and Cr planes as large as Y'
  Half,  // 4:2:0: Cb and Cr planes half as wide and half as tall, at even scales
};

// Planar Y'CbCr pictures of one size, made from RGB pictures: the Y' plane, then Cb, then Cr, rows
// top first, as a raw video frame of yuv444p or yuv420p. Its memory is taken once, when made.
class YCbCrPicture {
 public:
  // width x height: the RGB picture's pixels; scale 1 to kMaxPictureScale (even with Half chroma).
  YCbCrPicture(int width, int height, int scale, Chroma chroma);

  // Converts rgb (width x height, 3 bytes a pixel) and enlarges it into the planes.
  void convert(const std::uint8_t* rgb);

  const std::uint8_t* data() const { return planes_.get(); }
  std::size_t bytes() const { return lumaBytes_ + 2 * chromaBytes_; }
  int width() const { return width_ * scale_; }
  int height() const { return height_ * scale_; }

 private:
  int width_, height_, scale_;
  int chromaScale_;  // how many times a pixel's chroma sample is repeated across and down
  std::size_t lumaBytes_, chromaBytes_;
  std::unique_ptr<std::uint8_t[]> small_;   // the picture's own Y', Cb and Cr planes, before enlarging
  std::unique_ptr<std::uint8_t[]> planes_;  // the enlarged planes
};

}  // namespace glimmer
