// Fuzz target for the OBJ and MTL reader and the vertex building of Model.
//
// Input: the OBJ text, then optionally a zero byte and the text of every material library it names.
// Without the zero byte no material library can be opened.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "mesh/model.h"
#include "mesh/obj_reader.h"

namespace {

struct FuzzFiles {
  std::string obj;
  std::string mtl;
  bool hasMtl = false;
};

bool readFuzzFile(void* context, const char* path, std::string& text) {
  auto* files = static_cast<FuzzFiles*>(context);
  if (std::string(path) == "fuzz/model.obj") {
    text = files->obj;
    return true;
  }
  if (!files->hasMtl) return false;
  text = files->mtl;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzFiles files;
  std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t split = input.find('\0');
  files.obj = input.substr(0, split);
  if (split != std::string::npos) {
    files.hasMtl = true;
    files.mtl = input.substr(split + 1);
  }
  glimmer::ObjReadFailure failure;
  glimmer::ObjModel* mesh = glimmer::readObjFrom("fuzz/model.obj", readFuzzFile, &files, failure);
  if (mesh == nullptr) return 0;
  if (glimmer::unsupportedMeshReason(*mesh) == nullptr) {
    std::size_t count = 3 * std::size_t{mesh->triangleCount};
    auto vertices = std::make_unique<glimmer::MeshVertex[]>(count);
    auto indices = std::make_unique<std::uint16_t[]>(count);
    glimmer::buildMeshVertices(*mesh, vertices.get(), indices.get());
  }
  glimmer::freeObj(mesh);
  return 0;
}
