// Fuzz target: the PNG decoder must refuse or decode any byte string without a fault or a leak,
// and a decoded image must be as large as it says.
//
// The decoder is tried on the input as given and again with every chunk checksum recomputed, so
// that mutations inside chunks reach the decoding instead of stopping at the checksum test.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "image/png_loader.h"

namespace {

// Walks the chunks after the 8-byte signature and rewrites each complete chunk's checksum.
void repairChecksums(std::vector<std::uint8_t>& file) {
  std::size_t at = 8;
  while (at + 12 <= file.size()) {
    const std::size_t length = std::size_t{file[at]} << 24 | std::size_t{file[at + 1]} << 16 |
                               std::size_t{file[at + 2]} << 8 | std::size_t{file[at + 3]};
    if (length > file.size() - at - 12) break;
    const auto crc = static_cast<std::uint32_t>(crc32(0, file.data() + at + 4, static_cast<uInt>(length + 4)));
    const std::size_t crcAt = at + 8 + length;
    for (int i = 0; i < 4; ++i) file[crcAt + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    at = crcAt + 4;
  }
}

void decodeAndCheck(const std::uint8_t* data, std::size_t size) {
  glimmer::PngImage* image = glimmer::loadPngImageFromMemory(data, size);
  if (image == nullptr) return;
  if (image->width < 1 || image->width > glimmer::kMaxImageSide || image->height < 1 ||
      image->height > glimmer::kMaxImageSide || (image->bitsPerPixel != 24 && image->bitsPerPixel != 32)) {
    std::abort();
  }
  // Touch the first and last byte so that a short pixel buffer shows up under the address sanitizer.
  const std::size_t bytes = static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height) *
                            static_cast<std::size_t>(image->bitsPerPixel / 8);
  volatile std::uint8_t sum = static_cast<std::uint8_t>(image->pixels[0] + image->pixels[bytes - 1]);
  (void)sum;
  glimmer::freePngImage(image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  decodeAndCheck(data, size);
  std::vector<std::uint8_t> repaired(data, data + size);
  repairChecksums(repaired);
  decodeAndCheck(repaired.data(), repaired.size());
  return 0;
}
