// ImageStore: decodes each image once and keeps it, converted to FrameBuffer words, by name.
#include "image/image_store.h"

#include "base/data_folder.h"
#include "image/png_loader.h"

namespace glimmer {
namespace {

// 24 bits, bytes s = red, green, blue:        word i = s[3i] | s[3i+1] << 8 | s[3i+2] << 16
// 32 bits, bytes s = blue, green, red, alpha: word i = s[4i+2] | s[4i+1] << 8 | s[4i] << 16 | s[4i+3] << 24
void convertPixels(const PngImage& source, std::uint32_t* words) {
  const std::size_t count = static_cast<std::size_t>(source.width) * static_cast<std::size_t>(source.height);
  const std::uint8_t* s = source.pixels;
  if (source.bitsPerPixel == 24) {
    for (std::size_t i = 0; i < count; ++i) {
      words[i] = std::uint32_t{s[3 * i]} | std::uint32_t{s[3 * i + 1]} << 8 | std::uint32_t{s[3 * i + 2]} << 16;
    }
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      words[i] = std::uint32_t{s[4 * i + 2]} | std::uint32_t{s[4 * i + 1]} << 8 | std::uint32_t{s[4 * i]} << 16 |
                 std::uint32_t{s[4 * i + 3]} << 24;
    }
  }
}

}  // namespace

ImageStore::~ImageStore() {
  for (auto& [name, image] : images) {
    if (image != nullptr) {
      delete[] image->pixels;
      delete image;
      image = nullptr;
    }
  }
}

Image* ImageStore::get(const char* name) {
  const auto found = images.find(name);
  if (found != images.end()) return found->second;
  return load(name);
}

Image* ImageStore::load(const char* name) {
  std::string path = "data/";
  path += name;
  PngImage* decoded = loadPngImage(dataFilePath(path.c_str()).c_str());
  if (decoded == nullptr) return nullptr;
  // The decoder yields only these two depths; anything else is refused rather than left unfilled.
  if (decoded->bitsPerPixel != 24 && decoded->bitsPerPixel != 32) {
    freePngImage(decoded);
    return nullptr;
  }

  const std::size_t count = static_cast<std::size_t>(decoded->width) * static_cast<std::size_t>(decoded->height);
  auto* image = new Image;
  image->width = decoded->width;
  image->height = decoded->height;
  image->pixels = new std::uint32_t[count];
  convertPixels(*decoded, image->pixels);
  freePngImage(decoded);

  images.emplace(name, image);
  return image;
}

}  // namespace glimmer
