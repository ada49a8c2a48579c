// Model: one mesh in two GL buffers (64-byte interleaved vertices, 16-bit identity indices), drawn
// with one glDrawElements. Every operation needs the GL context to be current.
//
// Unsupported meshes are refused by load with one line naming the file: more than 21845 triangles
// (the 16-bit indices would overflow) and a face corner without a normal. A mesh without a material
// library takes the default diffuse colour (0.8, 0.8, 0.8, 1).
#pragma once

#include <cstddef>
#include <cstdint>

namespace glimmer {

struct ObjModel;

// One vertex as uploaded: 64 bytes, the stride of every array pointer.
struct MeshVertex {
  float position[3];  // moved so the bounding box is centred on the origin
  float normal[3];    // as read, not normalised
  float color[4];     // the group material's diffuse as blue, green, red, alpha
  float unused[6];    // written as zeros, read by nothing
};
static_assert(sizeof(MeshVertex) == 64);
static_assert(offsetof(MeshVertex, normal) == 12 && offsetof(MeshVertex, color) == 24);

// The most triangles whose identity indices fit 16 bits (0..65534).
constexpr std::uint32_t kMaxModelTriangles = 21845;

// Why the parsed mesh cannot become a Model, or null when it can.
const char* unsupportedMeshReason(const ObjModel& mesh);

// Writes 3 * mesh.triangleCount vertices and identity indices, groups from the head of the list,
// positions centred on the bounding box. The mesh must have passed unsupportedMeshReason.
void buildMeshVertices(const ObjModel& mesh, MeshVertex* vertices, std::uint16_t* indices);

class Model {
 public:
  Model() = default;
  Model(const Model&) = delete;
  Model& operator=(const Model&) = delete;
  // Deletes both buffers; names still 0 (never loaded) are ignored by GL.
  virtual ~Model();

  // Reads the OBJ file at path (already "data/"-prefixed) and fills the buffers. False, with
  // "unable to load <path>" on standard output, when it cannot.
  bool load(const char* path);
  // Draws every triangle with the current matrices, lights and material. Allocates nothing.
  void draw();

  std::uint32_t vertexBuffer = 0;
  std::uint32_t indexBuffer = 0;
  std::uint32_t triangleCount = 0;
  std::uint32_t drawMode = 4;  // GL_TRIANGLES
};

}  // namespace glimmer
