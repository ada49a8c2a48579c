// Camera: a viewer kept as one column-major 4x4 frame matrix (right, up, forward, position).
//
// The four vector fields point into matrix, so what rotate writes there is at once the new axes.
// rotate and applyView need the render target's GL context current; move makes no GL call.
#pragma once

namespace glimmer {

class Camera {
 public:
  // right (1, 0, 0), up (0, 1, 0), forward (0, 0, -1), position (0, 0, startDepth).
  explicit Camera(float startDepth);
  Camera(const Camera&) = delete;
  Camera& operator=(const Camera&) = delete;
  virtual ~Camera() = default;

  // position += distance * (x * right + y * up + z * forward); the direction is not normalised.
  void move(float distance, float x, float y, float z);

  // matrix := matrix * R(angle degrees about (x, y, z) in the camera's own axes), computed by GL.
  // The position stays; GL's model-view matrix is as before; the mode is left at GL_MODELVIEW.
  void rotate(float angle, float x, float y, float z);

  // Replaces GL's model-view matrix with the view of this camera (rows right, up, -forward and
  // the matching translation); the mode is left at GL_MODELVIEW.
  void applyView();

  float* position;  // matrix[12..14]
  float* right;     // matrix[0..2]
  float* up;        // matrix[4..6]
  float* forward;   // matrix[8..10]
  float matrix[16];
};

}  // namespace glimmer
