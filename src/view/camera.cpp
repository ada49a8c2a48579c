// Camera: moves along its own axes, turns with GL's own rotation, loads its view matrix.
//
// Calls: glMatrixMode, glPushMatrix, glLoadMatrixf, glRotatef, glGetFloatv, glPopMatrix,
// glLoadIdentity.
#include "view/camera.h"

#include <GLES/gl.h>

namespace glimmer {

Camera::Camera(float startDepth) : position(matrix + 12), right(matrix), up(matrix + 4), forward(matrix + 8), matrix{} {
  matrix[15] = 1.0f;
  matrix[0] = 1.0f;
  matrix[5] = 1.0f;
  matrix[10] = -1.0f;
  matrix[12] = 0.0f;
  matrix[13] = 0.0f;
  matrix[14] = startDepth;
}

void Camera::move(float distance, float x, float y, float z) {
  for (int i = 0; i < 3; ++i) {
    position[i] = distance * (x * right[i] + y * up[i] + z * forward[i]) + position[i];
  }
}

void Camera::rotate(float angle, float x, float y, float z) {
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadMatrixf(matrix);
  glRotatef(angle, x, y, z);
  glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
  glPopMatrix();
}

void Camera::applyView() {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const float rightDotPosition = right[0] * position[0] + right[1] * position[1] + right[2] * position[2];
  const float upDotPosition = up[0] * position[0] + up[1] * position[1] + up[2] * position[2];
  const float forwardDotPosition = forward[0] * position[0] + forward[1] * position[1] + forward[2] * position[2];
  const float view[16] = {
      right[0], up[0], -forward[0], 0.0f, right[1],          up[1],          -forward[1],        0.0f,
      right[2], up[2], -forward[2], 0.0f, -rightDotPosition, -upDotPosition, forwardDotPosition, 1.0f,
  };
  glLoadMatrixf(view);
}

}  // namespace glimmer
