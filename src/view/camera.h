// Camera: a viewer kept as one column-major 4x4 frame matrix (right, up, forward, position).
#pragma once

namespace glimmer {

class Camera {
 public:
  explicit Camera(float startDepth);
  Camera(const Camera&) = delete;
  Camera& operator=(const Camera&) = delete;
  virtual ~Camera() = default;

  void move(float distance, float x, float y, float z);
  void rotate(float angle, float x, float y, float z);
  void applyView();

  float* position;
  float* right;
  float* up;
  float* forward;
  float matrix[16];
};

}  // namespace glimmer
