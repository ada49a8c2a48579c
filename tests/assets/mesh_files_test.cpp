// The show's meshes as the reader sees them: sizes for the scenes' culling and camera distances,
// unit normals, outward winding and triangle budgets.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "mesh/obj_reader.h"

namespace glimmer {
namespace {

using Vector = std::array<double, 3>;

Vector sub(Vector a, Vector b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double dot(Vector a, Vector b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vector cross(Vector a, Vector b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

struct MeshCase {
  const char* name;
  unsigned maxTriangles;  // what the scene can afford per copy
  double minExtent;       // every side of the bounding box at least this
  double maxExtent;       // and at most this
  bool convex;            // every face looks away from the centre
};

const MeshCase meshCases[] = {
    {"cube.obj", 12, 2.0, 2.0, true},     {"isphere.obj", 1000, 0.95, 1.0, true},
    {"cone.obj", 200, 0.95, 1.0, true},   {"torus3.obj", 1200, 0.3, 1.0, false},
    {"spike.obj", 3000, 2.2, 2.6, false}, {"spike2.obj", 3000, 2.2, 2.6, false},
};

class MeshFileTest : public ::testing::TestWithParam<MeshCase> {
 protected:
  void SetUp() override {
    model = readObj((std::string("data/") + GetParam().name).c_str());
    ASSERT_NE(model, nullptr);
  }
  void TearDown() override { freeObj(model); }

  // Entry index of the model's vertices or normals, three floats each.
  static Vector entry(const float* values, std::uint32_t index) {
    return {values[3 * index], values[3 * index + 1], values[3 * index + 2]};
  }

  ObjModel* model = nullptr;
};

TEST_P(MeshFileTest, FitsTheBudget) {
  EXPECT_GT(model->triangleCount, 0u);
  EXPECT_LE(model->triangleCount, GetParam().maxTriangles);
}

TEST_P(MeshFileTest, BoundingBoxIsCentredAndSized) {
  Vector low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
  for (std::uint32_t k = 1; k <= model->vertexCount; ++k) {
    for (int axis = 0; axis < 3; ++axis) {
      low[axis] = std::min(low[axis], double{model->vertices[3 * k + axis]});
      high[axis] = std::max(high[axis], double{model->vertices[3 * k + axis]});
    }
  }
  double largest = 0.0;
  for (int axis = 0; axis < 3; ++axis) {
    SCOPED_TRACE(axis);
    const double extent = high[axis] - low[axis];
    largest = std::max(largest, extent);
    EXPECT_NEAR(low[axis] + high[axis], 0.0, 1e-5);
    if (GetParam().convex || axis != 1) {
      EXPECT_GE(extent, GetParam().minExtent - 1e-5);
    }
    EXPECT_LE(extent, GetParam().maxExtent + 1e-5);
  }
  EXPECT_GE(largest, GetParam().maxExtent * 0.9);
}

// Winding and normals agree on every triangle, and the closed surface they bound has a positive
// volume, so both point outwards.
TEST_P(MeshFileTest, NormalsAreUnitAndOutward) {
  for (std::uint32_t k = 1; k <= model->normalCount; ++k) {
    const float* n = model->normals + 3 * k;
    ASSERT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0, 1e-3) << "normal " << k;
  }
  double volume = 0.0;
  for (std::uint32_t t = 0; t < model->triangleCount; ++t) {
    const ObjTriangle& triangle = model->triangles[t];
    const Vector a = entry(model->vertices, triangle.vertexIndex[0]);
    const Vector b = entry(model->vertices, triangle.vertexIndex[1]);
    const Vector c = entry(model->vertices, triangle.vertexIndex[2]);
    const Vector face = cross(sub(b, a), sub(c, a));
    ASSERT_GT(dot(face, face), 0.0) << "degenerate triangle " << t;
    for (int corner = 0; corner < 3; ++corner) {
      ASSERT_GT(dot(face, entry(model->normals, triangle.normalIndex[corner])), 0.0)
          << "triangle " << t << " corner " << corner;
    }
    if (GetParam().convex) {
      const Vector centroid{(a[0] + b[0] + c[0]) / 3, (a[1] + b[1] + c[1]) / 3, (a[2] + b[2] + c[2]) / 3};
      ASSERT_GT(dot(face, centroid), 0.0) << "triangle " << t << " faces inwards";
    }
    volume += dot(a, cross(b, c)) / 6.0;
  }
  EXPECT_GT(volume, 0.0);
}

INSTANTIATE_TEST_SUITE_P(ShowMeshes, MeshFileTest, ::testing::ValuesIn(meshCases),
                         [](const ::testing::TestParamInfo<MeshCase>& info) {
                           std::string name = info.param.name;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace glimmer
