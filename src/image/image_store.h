// ImageStore: the process-wide registry of images by exact file name ("greets.png").
#pragma once

#include <cstdint>

namespace glimmer {

struct Image {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t* pixels = nullptr;  // width * height words, rows top first, FrameBuffer order
};

class ImageStore {
 public:
  static ImageStore* instance();

  ImageStore(const ImageStore&) = delete;
  ImageStore& operator=(const ImageStore&) = delete;
  ~ImageStore();

  // The image loaded from "data/" + name, loading it on the first request; null when it cannot be
  // loaded (nothing is kept then, so a later call tries again). Prints nothing.
  Image* get(const char* name);

 private:
  ImageStore() = default;
};

}  // namespace glimmer
