// GLESHelper: the 160x100 OpenGL ES 1.1 render target and the show's fixed GL state.
//
// The context draws into an off-screen surface of its own; pixels is a FrameBuffer owned here that
// holds the picture only after readBack, which whoever drew calls before reading pixels (the
// scenes that work on their own picture are handed the helper for that). EGL, WGL and GL types
// stay in the backend files (gles_helper_egl.cpp with EGL, gles_helper_wgl.cpp with WGL; the state
// both share in gles_state.cpp); the handles are kept as opaque pointers.
#pragma once

#include <cstdint>
#include <memory>

namespace glimmer {

class GLESHelper {
 public:
  GLESHelper() = default;
  GLESHelper(const GLESHelper&) = delete;
  GLESHelper& operator=(const GLESHelper&) = delete;
  // Releases whatever create made, in reverse; accepts a helper that was never created or whose
  // create stopped part-way.
  virtual ~GLESHelper();

  // Allocates pixels, creates the display, context and 160x100 surface, makes them current and
  // loads the fixed state. Each failing step prints its message and returns false, leaving what
  // was made in the fields. Call once.
  bool create();

  // Viewport, identity model-view (mode left at GL_MODELVIEW), depth test, lighting with light 0,
  // back-face culling, smooth shading, no dither, no normalising, black clear colour (0, 0, 0, 0).
  void setupState();

  // Identity projection times the show's 45-degree, 1.6-aspect frustum (near 0.1, far 150); the
  // matrix mode is left at GL_PROJECTION.
  void setupProjection();

  // Clears GL's colour buffer to the clear colour last set and its depth buffer; pixels keeps what
  // it held.
  void clear();

  // Copies what GL has drawn so far into pixels: top row first, word 0x00BBGGRR with the alpha GL
  // holds in the top byte (a pixel cleared with (0, 0, 0, 0) reads 0). Allocates nothing.
  void readBack();

  std::uint32_t* pixels = nullptr;  // the FrameBuffer, 16000 words, owned; null before create

 private:
  std::unique_ptr<std::uint32_t[]> pixelStore;  // the memory pixels points into
  void* display = nullptr;                      // EGLDisplay; under WGL the memory DC (HDC)
  void* context = nullptr;                      // EGLContext; under WGL the HGLRC
  void* surface = nullptr;                      // EGLSurface (a 160x100 pbuffer); under WGL the DIB section
  bool clearAlphaOnRead = false;                // the surface has no alpha channel
};

}  // namespace glimmer
