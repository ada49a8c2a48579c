// The parts of GLESHelper that are plain GL and the same on every platform: the fixed state, the
// projection, the clear and the read-back. The backends (gles_helper_egl.cpp with EGL,
// gles_helper_wgl.cpp with WGL) make the context these run in.
#include <GLES/gl.h>

#include <cmath>
#include <cstdint>

#include "base/frame_buffer.h"
#include "gles/gles_helper.h"

namespace glimmer {

void GLESHelper::setupState() {
  glViewport(0, 0, kFrameWidth, kFrameHeight);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_NORMALIZE);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_CULL_FACE);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
  glShadeModel(GL_SMOOTH);
  glDisable(GL_DITHER);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

void GLESHelper::setupProjection() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // Deliberate: the angle is the single-precision 22.5 degrees widened to double, times 0.1f.
  const float h = static_cast<float>(std::tan(static_cast<double>(0.39269954f)) * 0.1f);
  glFrustumf(-1.6f * h, 1.6f * h, -h, h, 0.1f, 150.0f);
}

void GLESHelper::clear() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }

void GLESHelper::readBack() {
  if (pixels == nullptr) return;
  glReadPixels(0, 0, kFrameWidth, kFrameHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  // GL returns the bottom row first; swap rows so the top row is row 0.
  for (int top = 0, bottom = kFrameHeight - 1; top < bottom; ++top, --bottom) {
    std::uint32_t* upper = pixels + top * kFrameWidth;
    std::uint32_t* lower = pixels + bottom * kFrameWidth;
    for (int x = 0; x < kFrameWidth; ++x) {
      const std::uint32_t word = upper[x];
      upper[x] = lower[x];
      lower[x] = word;
    }
  }
  if (clearAlphaOnRead) {
    // GL reads a missing alpha channel as 1.0; the cleared colour's alpha is 0.
    for (int index = 0; index < kFramePixels; ++index) pixels[index] &= 0x00FFFFFFu;
  }
}

}  // namespace glimmer
