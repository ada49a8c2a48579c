// MeshBuilder: triangle collection and OBJ/MTL text output. Positions and normals are printed with
// six decimals and shared by their printed text, so equal input always gives equal bytes.
#include "mesh_builder.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace glimmer {

Vector3 operator+(Vector3 a, Vector3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vector3 operator-(Vector3 a, Vector3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vector3 operator*(Vector3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(Vector3 a, Vector3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vector3 cross(Vector3 a, Vector3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vector3 normalize(Vector3 a) { return a * (1.0 / std::sqrt(dot(a, a))); }

namespace {

// Six decimals; a value that prints as zero is written "0.000000" whatever its sign.
std::string formatNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", value);
  if (std::string(text) == "-0.000000") return "0.000000";
  return text;
}

std::string formatVector(Vector3 value) {
  return formatNumber(value.x) + " " + formatNumber(value.y) + " " + formatNumber(value.z);
}

}  // namespace

int MeshBuilder::indexOf(std::map<std::string, int>& seen, std::vector<std::string>& lines, Vector3 value) {
  const std::string text = formatVector(value);
  const auto found = seen.find(text);
  if (found != seen.end()) return found->second;
  lines.push_back(text);
  const int index = static_cast<int>(lines.size());
  seen.emplace(text, index);
  return index;
}

void MeshBuilder::addTriangle(Vector3 a, Vector3 b, Vector3 c, Vector3 normalA, Vector3 normalB, Vector3 normalC) {
  const Vector3 faceNormal = cross(b - a, c - a);
  if (dot(faceNormal, normalA + normalB + normalC) < 0.0) {
    std::swap(b, c);
    std::swap(normalB, normalC);
  }
  corners.push_back({indexOf(seenVertices, vertexLines, a), indexOf(seenNormals, normalLines, normalize(normalA))});
  corners.push_back({indexOf(seenVertices, vertexLines, b), indexOf(seenNormals, normalLines, normalize(normalB))});
  corners.push_back({indexOf(seenVertices, vertexLines, c), indexOf(seenNormals, normalLines, normalize(normalC))});
}

void MeshBuilder::addFlatTriangle(Vector3 a, Vector3 b, Vector3 c, Vector3 inside) {
  Vector3 normal = normalize(cross(b - a, c - a));
  if (dot(normal, a - inside) < 0.0) normal = normal * -1.0;
  addTriangle(a, b, c, normal, normal, normal);
}

bool MeshBuilder::write(const std::string& directory, const std::string& name, const MeshMaterial& material) const {
  const std::string objPath = directory + "/" + name + ".obj";
  const std::string mtlPath = directory + "/" + name + ".mtl";

  std::FILE* mtl = std::fopen(mtlPath.c_str(), "w");
  if (mtl == nullptr) return false;
  std::fprintf(mtl, "# %s material, written by make_assets\n", name.c_str());
  std::fprintf(mtl, "newmtl %s\n", material.name.c_str());
  std::fprintf(mtl, "Ns %s\n", formatNumber(material.specularExponent).c_str());
  std::fprintf(mtl, "Ka %s\n", formatVector({material.ambient[0], material.ambient[1], material.ambient[2]}).c_str());
  std::fprintf(mtl, "Kd %s\n", formatVector({material.diffuse[0], material.diffuse[1], material.diffuse[2]}).c_str());
  std::fprintf(mtl, "Ks %s\n",
               formatVector({material.specular[0], material.specular[1], material.specular[2]}).c_str());
  const bool mtlWritten = std::ferror(mtl) == 0;
  if (std::fclose(mtl) != 0 || !mtlWritten) return false;

  std::FILE* obj = std::fopen(objPath.c_str(), "w");
  if (obj == nullptr) return false;
  std::fprintf(obj, "# %s: %d triangles, written by make_assets\n", name.c_str(), triangleCount());
  std::fprintf(obj, "mtllib %s.mtl\n", name.c_str());
  for (const std::string& line : vertexLines) std::fprintf(obj, "v %s\n", line.c_str());
  for (const std::string& line : normalLines) std::fprintf(obj, "vn %s\n", line.c_str());
  std::fprintf(obj, "g %s\n", name.c_str());
  std::fprintf(obj, "usemtl %s\n", material.name.c_str());
  for (std::size_t i = 0; i < corners.size(); i += 3) {
    std::fprintf(obj, "f %d//%d %d//%d %d//%d\n", corners[i].vertex, corners[i].normal, corners[i + 1].vertex,
                 corners[i + 1].normal, corners[i + 2].vertex, corners[i + 2].normal);
  }
  const bool objWritten = std::ferror(obj) == 0;
  return std::fclose(obj) == 0 && objWritten;
}

}  // namespace glimmer
