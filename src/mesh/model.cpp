// Model on OpenGL ES 1.1 buffer objects.
//
// Calls: glGenBuffers, glBindBuffer, glBufferData, glDeleteBuffers, glEnableClientState,
// glDisableClientState, glVertexPointer, glNormalPointer, glDrawElements.
//
// LIMITATIONS: the colour array is left disabled; under the show's lighting (no colour material)
// the vertex colours would not show anyway.
#include "mesh/model.h"

#include <GLES/gl.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "base/report.h"
#include "mesh/obj_reader.h"

namespace glimmer {
namespace {

static_assert(GL_TRIANGLES == 4);

constexpr float kDefaultDiffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};

void printFailure(const char* path, const char* reason) {
  char message[512];
  if (reason == nullptr) {
    std::snprintf(message, sizeof message, "unable to load %s", path);
  } else {
    std::snprintf(message, sizeof message, "unable to load %s: %s", path, reason);
  }
  printLine(message);
}

}  // namespace

const char* unsupportedMeshReason(const ObjModel& mesh) {
  if (mesh.triangleCount > kMaxModelTriangles) return "more than 21845 triangles";
  for (std::uint32_t index = 0; index < mesh.triangleCount; ++index) {
    for (std::uint32_t normal : mesh.triangles[index].normalIndex) {
      if (normal == 0) return "a face corner without a normal";
    }
  }
  return nullptr;
}

void buildMeshVertices(const ObjModel& mesh, MeshVertex* vertices, std::uint16_t* indices) {
  std::uint32_t output = 0;
  for (const ObjGroup* group = mesh.groups; group != nullptr; group = group->next) {
    if (group->triangleCount == 0) continue;
    const float* diffuse = mesh.materials != nullptr ? mesh.materials[group->material].diffuse : kDefaultDiffuse;
    for (std::uint32_t entry = 0; entry < group->triangleCount; ++entry) {
      const ObjTriangle& triangle = mesh.triangles[group->triangleIndices[entry]];
      for (int corner = 0; corner < 3; ++corner) {
        MeshVertex& vertex = vertices[output];
        std::memcpy(vertex.position, mesh.vertices + 3 * std::size_t{triangle.vertexIndex[corner]}, 3 * sizeof(float));
        std::memcpy(vertex.normal, mesh.normals + 3 * std::size_t{triangle.normalIndex[corner]}, 3 * sizeof(float));
        vertex.color[0] = diffuse[2];
        vertex.color[1] = diffuse[1];
        vertex.color[2] = diffuse[0];
        vertex.color[3] = diffuse[3];
        std::memset(vertex.unused, 0, sizeof vertex.unused);
        indices[output] = static_cast<std::uint16_t>(output);
        ++output;
      }
    }
  }

  if (output == 0) return;
  float minimum[3];
  float maximum[3];
  for (int axis = 0; axis < 3; ++axis) minimum[axis] = maximum[axis] = vertices[0].position[axis];
  for (std::uint32_t index = 1; index < output; ++index) {
    for (int axis = 0; axis < 3; ++axis) {
      float value = vertices[index].position[axis];
      if (value < minimum[axis]) minimum[axis] = value;
      if (value > maximum[axis]) maximum[axis] = value;
    }
  }
  float centre[3];
  for (int axis = 0; axis < 3; ++axis) centre[axis] = (minimum[axis] + maximum[axis]) * 0.5f;
  for (std::uint32_t index = 0; index < output; ++index) {
    for (int axis = 0; axis < 3; ++axis) vertices[index].position[axis] -= centre[axis];
  }
}

Model::~Model() {
  // A name of 0 would be ignored by GL; skipping it also lets a never-loaded model go without a context.
  if (indexBuffer != 0) glDeleteBuffers(1, &indexBuffer);
  if (vertexBuffer != 0) glDeleteBuffers(1, &vertexBuffer);
}

bool Model::load(const char* path) {
  ObjModel* mesh = readObj(path);
  if (mesh == nullptr) {
    printFailure(path, nullptr);
    return false;
  }
  if (const char* reason = unsupportedMeshReason(*mesh); reason != nullptr) {
    printFailure(path, reason);
    freeObj(mesh);
    return false;
  }

  const std::uint32_t triangles = mesh->triangleCount;
  const std::size_t vertexCount = 3 * std::size_t{triangles};
  auto vertices = std::make_unique<MeshVertex[]>(vertexCount);
  auto indices = std::make_unique<std::uint16_t[]>(vertexCount);
  buildMeshVertices(*mesh, vertices.get(), indices.get());
  freeObj(mesh);

  glGenBuffers(1, &vertexBuffer);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexCount * sizeof(MeshVertex)), vertices.get(),
               GL_STATIC_DRAW);
  glGenBuffers(1, &indexBuffer);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexCount * sizeof(std::uint16_t)), indices.get(),
               GL_STATIC_DRAW);
  triangleCount = triangles;
  return true;
}

void Model::draw() {
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
  glVertexPointer(3, GL_FLOAT, sizeof(MeshVertex), reinterpret_cast<const void*>(offsetof(MeshVertex, position)));
  glNormalPointer(GL_FLOAT, sizeof(MeshVertex), reinterpret_cast<const void*>(offsetof(MeshVertex, normal)));
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
  glDrawElements(static_cast<GLenum>(drawMode), static_cast<GLsizei>(triangleCount * 3), GL_UNSIGNED_SHORT, nullptr);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
}

}  // namespace glimmer
