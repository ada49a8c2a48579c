// ImageStore: the show's registry of images by exact file name ("greets.png"). The Demo owns the
// one the show uses and hands it to the scenes.
//
// Image pixels are in FrameBuffer order: word 0x00BBGGRR for files without transparency, and
// 0xAABBGGRR (alpha in the top byte) for files with it. Scenes compare pixels against colour keys
// as whole words, so a pixel of a file with an alpha channel never equals a key such as 0x00FF00FF.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace glimmer {

struct Image {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t* pixels = nullptr;  // width * height words, rows top first, FrameBuffer order
};

class ImageStore {
 public:
  ImageStore() = default;
  ImageStore(const ImageStore&) = delete;
  ImageStore& operator=(const ImageStore&) = delete;
  // Frees every image, in key order.
  ~ImageStore();

  // The image loaded from "data/" + name, loading it on the first request; null when it cannot be
  // loaded (nothing is kept then, so a later call tries again). Prints nothing.
  Image* get(const char* name);

 private:
  // Decodes "data/" + name and enters it under name; null (and no entry) on failure.
  Image* load(const char* name);

  std::map<std::string, Image*> images;  // keys compare as byte strings; values owned
};

}  // namespace glimmer
