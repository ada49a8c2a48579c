// Placeholder until the image store lands.
#include "image/image_store.h"

namespace glimmer {
namespace {
ImageStore* single = nullptr;
}

ImageStore* ImageStore::instance() {
  if (single == nullptr) single = new ImageStore();
  return single;
}

ImageStore::~ImageStore() { single = nullptr; }
Image* ImageStore::get(const char*) { return nullptr; }

}  // namespace glimmer
