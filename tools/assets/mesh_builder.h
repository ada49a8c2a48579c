// MeshBuilder: collects triangles with per-corner normals and writes them as an OBJ mesh with its
// own one-material MTL library, in the subset the show's reader accepts ("v", "vn", "f v//vn").
#pragma once

#include <map>
#include <string>
#include <vector>

namespace glimmer {

struct Vector3 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

Vector3 operator+(Vector3 a, Vector3 b);
Vector3 operator-(Vector3 a, Vector3 b);
Vector3 operator*(Vector3 a, double s);
double dot(Vector3 a, Vector3 b);
Vector3 cross(Vector3 a, Vector3 b);
// a scaled to length 1; a must not be the zero vector.
Vector3 normalize(Vector3 a);

struct MeshMaterial {
  std::string name;
  double diffuse[3] = {0.8, 0.8, 0.8};
  double ambient[3] = {0.2, 0.2, 0.2};
  double specular[3] = {0.0, 0.0, 0.0};
  double specularExponent = 250.0;  // "Ns", 0..1000
};

class MeshBuilder {
 public:
  // Adds one triangle. Its corners are reordered if needed so that the winding is counter-clockwise
  // seen from the side the corner normals point to. Normals are stored scaled to unit length.
  void addTriangle(Vector3 a, Vector3 b, Vector3 c, Vector3 normalA, Vector3 normalB, Vector3 normalC);
  // Adds one flat triangle whose normal points away from inside (winding follows from it).
  void addFlatTriangle(Vector3 a, Vector3 b, Vector3 c, Vector3 inside);

  int triangleCount() const { return static_cast<int>(corners.size() / 3); }

  // Writes directory/name.obj and directory/name.mtl (one group, one material). False when a
  // file cannot be written.
  bool write(const std::string& directory, const std::string& name, const MeshMaterial& material) const;

 private:
  struct Corner {
    int vertex;
    int normal;
  };
  int indexOf(std::map<std::string, int>& seen, std::vector<std::string>& lines, Vector3 value);

  std::map<std::string, int> seenVertices;
  std::map<std::string, int> seenNormals;
  std::vector<std::string> vertexLines;  // "x y z" in file order
  std::vector<std::string> normalLines;
  std::vector<Corner> corners;  // three per triangle, 1-based indices as written
};

}  // namespace glimmer
