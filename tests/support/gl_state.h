// GL state as the tests read it back from the current context.
#pragma once

#include <GLES/gl.h>

#include <array>

namespace glimmer::testing {

using Matrix = std::array<GLfloat, 16>;

inline GLint matrixMode() {
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  return mode;
}

// GL_MODELVIEW_MATRIX or GL_PROJECTION_MATRIX, column by column.
inline Matrix matrix(GLenum which) {
  Matrix values{};
  glGetFloatv(which, values.data());
  return values;
}

// The size of a buffer object's store, in bytes.
inline GLint bufferSize(GLenum target, GLuint buffer) {
  GLint size = -1;
  glBindBuffer(target, buffer);
  glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
  glBindBuffer(target, 0);
  return size;
}

}  // namespace glimmer::testing
