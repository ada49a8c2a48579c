// Frustum: the six clip planes of the current GL view volume and a conservative cube test.
//
// Built once per frame after the view matrix is loaded: construct, extract, then test any number
// of cubes. The planes are held by value, so a frustum on the stack allocates nothing.
#pragma once

namespace glimmer {

// A point (x, y, z) is on the inner side when a * x + b * y + c * z + d > 0. After extraction
// (a, b, c) has unit length, so the value is the signed distance.
struct Plane {
  float a = 0.0f;
  float b = 0.0f;
  float c = 0.0f;
  float d = 0.0f;
};

// An axis-aligned cube: centre (x, y, z), spanning halfSize to each side on every axis.
struct CubeBounds {
  float x;
  float y;
  float z;
  float halfSize;
};

class Frustum {
 public:
  static constexpr int kRight = 0;
  static constexpr int kLeft = 1;
  static constexpr int kBottom = 2;
  static constexpr int kTop = 3;
  static constexpr int kFar = 4;
  static constexpr int kNear = 5;

  // All six planes zero: every cube is judged not visible until extract.
  Frustum() = default;

  // Reads GL's projection and model-view matrices and computes the planes in the model-view's
  // object space. Needs the GL context current; changes no GL state.
  void extract();

  // False when all eight corners lie on or outside one plane (value <= 0); otherwise true, so a
  // cube near an edge of the volume may pass although none of it shows.
  bool cubeVisible(const CubeBounds& cube) const;

  Plane planes[6];  // right, left, bottom, top, far, near
};

}  // namespace glimmer
