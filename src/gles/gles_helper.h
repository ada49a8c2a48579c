// GLESHelper: the 160x100 OpenGL ES 1.1 render target and the show's fixed GL state.
#pragma once

#include <cstdint>

namespace glimmer {

class GLESHelper {
 public:
  GLESHelper() = default;
  GLESHelper(const GLESHelper&) = delete;
  GLESHelper& operator=(const GLESHelper&) = delete;
  virtual ~GLESHelper();

  // Creates the context and surface, makes them current and loads the fixed state. Each failing
  // step prints its message and returns false, leaving what was made in the fields.
  bool create();
  void setupState();
  void setupProjection();

  // Copies what GL has drawn so far into pixels (top row first, FrameBuffer word order).
  void readBack();

  std::uint32_t* pixels = nullptr;  // the FrameBuffer, 16000 words, owned
};

}  // namespace glimmer
