// Frustum: plane extraction from the clip-space transform and the eight-corner cube test.
//
// Calls: glGetFloatv (GL_PROJECTION_MATRIX, GL_MODELVIEW_MATRIX).
#include "view/frustum.h"

#include <GLES/gl.h>

#include <cmath>

namespace glimmer {
namespace {

// Plane = row3 + sign * row, then scaled to a unit normal. A plane with no normal at all (a, b and
// c zero) is kept as it is: its sign alone then says whether everything is inside or outside.
Plane combine(const float (&q)[16], int row, float sign) {
  Plane plane;
  plane.a = q[3] + sign * q[row];
  plane.b = q[7] + sign * q[4 + row];
  plane.c = q[11] + sign * q[8 + row];
  plane.d = q[15] + sign * q[12 + row];
  const float length = std::sqrt(plane.a * plane.a + plane.b * plane.b + plane.c * plane.c);
  if (length > 0.0f) {
    const float scale = 1.0f / length;
    plane.a *= scale;
    plane.b *= scale;
    plane.c *= scale;
    plane.d *= scale;
  }
  return plane;
}

}  // namespace

void Frustum::extract() {
  float projection[16];
  float modelView[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  glGetFloatv(GL_MODELVIEW_MATRIX, modelView);

  // q = projection * modelView, column-major: object space to clip space.
  float q[16];
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      q[4 * i + j] = modelView[4 * i] * projection[j] + modelView[4 * i + 1] * projection[4 + j] +
                     modelView[4 * i + 2] * projection[8 + j] + modelView[4 * i + 3] * projection[12 + j];
    }
  }

  planes[kRight] = combine(q, 0, -1.0f);
  planes[kLeft] = combine(q, 0, 1.0f);
  planes[kBottom] = combine(q, 1, 1.0f);
  planes[kTop] = combine(q, 1, -1.0f);
  planes[kFar] = combine(q, 2, -1.0f);
  planes[kNear] = combine(q, 2, 1.0f);
}

bool Frustum::cubeVisible(const CubeBounds& cube) const {
  const float xs[2] = {cube.x - cube.halfSize, cube.x + cube.halfSize};
  const float ys[2] = {cube.y - cube.halfSize, cube.y + cube.halfSize};
  const float zs[2] = {cube.z - cube.halfSize, cube.z + cube.halfSize};
  for (const Plane& plane : planes) {
    bool passed = false;
    for (int corner = 0; corner < 8 && !passed; ++corner) {
      const float value =
          plane.a * xs[corner & 1] + plane.b * ys[(corner >> 1) & 1] + plane.c * zs[corner >> 2] + plane.d;
      passed = value > 0.0f;
    }
    if (!passed) return false;
  }
  return true;
}

}  // namespace glimmer
