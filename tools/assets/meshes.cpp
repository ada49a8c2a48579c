// The six meshes of the show. Every shape is centred on the origin (the loader centres the
// bounding box anyway) and sized for how the scenes place and cull it:
//   cube     spans -1..1 (culled as a cube of half-size 1), flat faces;
//   isphere  geodesic sphere one unit across, smooth;
//   cone     one unit high and across, smooth side, flat base;
//   torus3   one unit across, smooth;
//   spike    smooth ball with twelve fat faceted spikes, about 2.4 units across (tip to tip 2.84);
//   spike2   faceted ball with twelve long and twenty short needles, about 2.4 units across (tip to tip 2.84).
#include <cmath>
#include <cstdio>
#include <vector>

#include "generators.h"
#include "mesh_builder.h"

namespace glimmer {
namespace {

constexpr double pi = 3.14159265358979323846;

// The twelve icosahedron corners (edge length 2) and its twenty faces, found as the triples of
// corners that are pairwise one edge apart.
struct Icosahedron {
  std::vector<Vector3> corners;
  std::vector<int> faces;  // three corner numbers per face
};

Icosahedron makeIcosahedron() {
  const double phi = (1.0 + std::sqrt(5.0)) / 2.0;
  Icosahedron shape;
  for (const double a : {-1.0, 1.0}) {
    for (const double b : {-phi, phi}) {
      shape.corners.push_back({0.0, a, b});
      shape.corners.push_back({a, b, 0.0});
      shape.corners.push_back({b, 0.0, a});
    }
  }
  const auto adjacent = [&](int i, int j) {
    const Vector3 d = shape.corners[i] - shape.corners[j];
    return std::fabs(dot(d, d) - 4.0) < 1e-9;
  };
  const int count = static_cast<int>(shape.corners.size());
  for (int i = 0; i < count; ++i) {
    for (int j = i + 1; j < count; ++j) {
      for (int k = j + 1; k < count; ++k) {
        if (adjacent(i, j) && adjacent(j, k) && adjacent(i, k)) shape.faces.insert(shape.faces.end(), {i, j, k});
      }
    }
  }
  return shape;
}

// Geodesic sphere: each icosahedron face split into frequency^2 triangles, pushed onto the sphere.
// Smooth spheres take the radial direction as normal, faceted ones the face normal.
void addGeodesicSphere(MeshBuilder& mesh, double radius, int frequency, bool smooth) {
  const Icosahedron shape = makeIcosahedron();
  for (std::size_t f = 0; f < shape.faces.size(); f += 3) {
    const Vector3 a = shape.corners[shape.faces[f]];
    const Vector3 b = shape.corners[shape.faces[f + 1]];
    const Vector3 c = shape.corners[shape.faces[f + 2]];
    const auto point = [&](int i, int j) {
      const Vector3 onFace = a + (b - a) * (double(i) / frequency) + (c - a) * (double(j) / frequency);
      return normalize(onFace);
    };
    const auto add = [&](Vector3 p, Vector3 q, Vector3 r) {
      if (smooth) {
        mesh.addTriangle(p * radius, q * radius, r * radius, p, q, r);
      } else {
        mesh.addFlatTriangle(p * radius, q * radius, r * radius, {});
      }
    };
    for (int i = 0; i < frequency; ++i) {
      for (int j = 0; i + j < frequency; ++j) {
        add(point(i, j), point(i + 1, j), point(i, j + 1));
        if (i + j < frequency - 1) add(point(i + 1, j), point(i + 1, j + 1), point(i, j + 1));
      }
    }
  }
}

// A faceted pyramid along the unit direction axis: a ring of sides corners at baseDistance from
// the origin with baseRadius, and the tip at tipDistance. The ring lies inside the ball it grows
// from, so the pyramid needs no floor.
void addSpike(MeshBuilder& mesh, Vector3 axis, double baseDistance, double baseRadius, double tipDistance, int sides) {
  const Vector3 reference = std::fabs(axis.y) > 0.9 ? Vector3{1.0, 0.0, 0.0} : Vector3{0.0, 1.0, 0.0};
  const Vector3 across = normalize(cross(axis, reference));
  const Vector3 across2 = cross(axis, across);
  const Vector3 centre = axis * baseDistance;
  const Vector3 tip = axis * tipDistance;
  const auto ring = [&](int i) {
    const double angle = 2.0 * pi * i / sides;
    return centre + across * (baseRadius * std::cos(angle)) + across2 * (baseRadius * std::sin(angle));
  };
  for (int i = 0; i < sides; ++i) mesh.addFlatTriangle(ring(i), ring(i + 1), tip, centre);
}

MeshBuilder makeCube() {
  MeshBuilder mesh;
  // Two triangles per face; the face's corners are its centre +- the two in-plane axes.
  const Vector3 axes[3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
  for (int axis = 0; axis < 3; ++axis) {
    for (const double side : {1.0, -1.0}) {
      const Vector3 normal = axes[axis] * side;
      const Vector3 u = axes[(axis + 1) % 3];
      const Vector3 v = axes[(axis + 2) % 3];
      const Vector3 p00 = normal - u - v, p10 = normal + u - v, p11 = normal + u + v, p01 = normal - u + v;
      mesh.addTriangle(p00, p10, p11, normal, normal, normal);
      mesh.addTriangle(p00, p11, p01, normal, normal, normal);
    }
  }
  return mesh;
}

MeshBuilder makeSphere() {
  MeshBuilder mesh;
  addGeodesicSphere(mesh, 0.5, 5, true);
  return mesh;
}

// Side normals lean up by the slope of the side; the tip takes the normal of its segment's middle.
MeshBuilder makeCone() {
  constexpr int segments = 48;
  constexpr double radius = 0.5;
  constexpr double height = 1.0;
  MeshBuilder mesh;
  const Vector3 tip{0.0, height / 2.0, 0.0};
  const Vector3 floorCentre{0.0, -height / 2.0, 0.0};
  const auto rim = [&](double angle) {
    return Vector3{radius * std::cos(angle), -height / 2.0, radius * std::sin(angle)};
  };
  const auto sideNormal = [&](double angle) {
    return normalize({height * std::cos(angle), radius, height * std::sin(angle)});
  };
  for (int i = 0; i < segments; ++i) {
    const double angle0 = 2.0 * pi * i / segments;
    const double angle1 = 2.0 * pi * (i + 1) / segments;
    mesh.addTriangle(rim(angle0), rim(angle1), tip, sideNormal(angle0), sideNormal(angle1),
                     sideNormal((angle0 + angle1) / 2.0));
    const Vector3 down{0.0, -1.0, 0.0};
    mesh.addTriangle(floorCentre, rim(angle1), rim(angle0), down, down, down);
  }
  return mesh;
}

MeshBuilder makeTorus() {
  constexpr int ringSegments = 32;
  constexpr int tubeSegments = 16;
  constexpr double ringRadius = 0.35;
  constexpr double tubeRadius = 0.15;
  MeshBuilder mesh;
  const auto point = [&](int i, int j, Vector3& normal) {
    const double u = 2.0 * pi * i / ringSegments;
    const double v = 2.0 * pi * j / tubeSegments;
    normal = {std::cos(u) * std::cos(v), std::sin(v), std::sin(u) * std::cos(v)};
    const Vector3 ringPoint{ringRadius * std::cos(u), 0.0, ringRadius * std::sin(u)};
    return ringPoint + normal * tubeRadius;
  };
  for (int i = 0; i < ringSegments; ++i) {
    for (int j = 0; j < tubeSegments; ++j) {
      Vector3 n00, n10, n11, n01;
      const Vector3 p00 = point(i, j, n00), p10 = point(i + 1, j, n10);
      const Vector3 p11 = point(i + 1, j + 1, n11), p01 = point(i, j + 1, n01);
      mesh.addTriangle(p00, p10, p11, n00, n10, n11);
      mesh.addTriangle(p00, p11, p01, n00, n11, n01);
    }
  }
  return mesh;
}

// A mine: smooth ball, one fat eight-sided spike on each icosahedron corner.
MeshBuilder makeSpikeBall() {
  constexpr double ballRadius = 0.62;
  constexpr double spikeRadius = 0.3;
  MeshBuilder mesh;
  addGeodesicSphere(mesh, ballRadius, 5, true);
  const double baseDistance = std::sqrt(0.97 * 0.97 * ballRadius * ballRadius - spikeRadius * spikeRadius);
  for (const Vector3 corner : makeIcosahedron().corners) {
    addSpike(mesh, normalize(corner), baseDistance, spikeRadius, 1.42, 8);
  }
  return mesh;
}

// An urchin: faceted ball, long thin needles on the icosahedron corners and shorter ones on the
// face centres.
MeshBuilder makeNeedleBall() {
  constexpr double ballRadius = 0.55;
  MeshBuilder mesh;
  addGeodesicSphere(mesh, ballRadius, 2, false);
  const auto baseDistance = [&](double spikeRadius) {
    return std::sqrt(0.88 * 0.88 * ballRadius * ballRadius - spikeRadius * spikeRadius);
  };
  const Icosahedron shape = makeIcosahedron();
  for (const Vector3 corner : shape.corners) {
    addSpike(mesh, normalize(corner), baseDistance(0.13), 0.13, 1.42, 6);
  }
  for (std::size_t f = 0; f < shape.faces.size(); f += 3) {
    const Vector3 centre =
        shape.corners[shape.faces[f]] + shape.corners[shape.faces[f + 1]] + shape.corners[shape.faces[f + 2]];
    addSpike(mesh, normalize(centre), baseDistance(0.17), 0.17, 1.05, 6);
  }
  return mesh;
}

MeshMaterial material(const char* name, double red, double green, double blue) {
  MeshMaterial result;
  result.name = name;
  result.diffuse[0] = red;
  result.diffuse[1] = green;
  result.diffuse[2] = blue;
  result.specular[0] = result.specular[1] = result.specular[2] = 0.1;
  return result;
}

}  // namespace

bool writeMeshes(const std::string& directory) {
  struct Entry {
    const char* name;
    MeshBuilder mesh;
    MeshMaterial material;
  };
  const Entry entries[] = {
      {"cube", makeCube(), material("teal", 0.3, 0.8, 0.8)},
      {"isphere", makeSphere(), material("lilac", 0.4, 0.4, 0.8)},
      {"cone", makeCone(), material("brick", 0.8, 0.4, 0.4)},
      {"torus3", makeTorus(), material("moss", 0.4, 0.8, 0.4)},
      {"spike", makeSpikeBall(), material("amber", 1.0, 0.8, 0.4)},
      {"spike2", makeNeedleBall(), material("cobalt", 0.4, 0.4, 1.0)},
  };
  for (const Entry& entry : entries) {
    if (!entry.mesh.write(directory, entry.name, entry.material)) {
      std::fprintf(stderr, "cannot write mesh \"%s/%s.obj\"\n", directory.c_str(), entry.name);
      return false;
    }
  }
  return true;
}

}  // namespace glimmer
