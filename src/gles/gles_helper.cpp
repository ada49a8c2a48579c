// Placeholder until the render target lands.
#include "gles/gles_helper.h"

#include "demo/report.h"

namespace glimmer {

GLESHelper::~GLESHelper() { delete[] pixels; }

bool GLESHelper::create() {
  pixels = new std::uint32_t[16000]();
  printLine("eglGetDisplay() failed");
  return false;
}

void GLESHelper::setupState() {}
void GLESHelper::setupProjection() {}
void GLESHelper::readBack() {}

}  // namespace glimmer
