// Placeholder until the camera lands.
#include "view/camera.h"

namespace glimmer {

Camera::Camera(float startDepth)
    : position(matrix + 12), right(matrix), up(matrix + 4), forward(matrix + 8), matrix{} {
  matrix[0] = 1.0f;
  matrix[5] = 1.0f;
  matrix[10] = -1.0f;
  matrix[14] = startDepth;
  matrix[15] = 1.0f;
}

void Camera::move(float, float, float, float) {}
void Camera::rotate(float, float, float, float) {}
void Camera::applyView() {}

}  // namespace glimmer
