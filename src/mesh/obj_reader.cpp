// The OBJ reader's entry points: reading a file through its two passes, reporting what ended a
// read, and the model's lists. See obj_reader.h for the accepted language and what is refused.
//
// Each file is read into memory once and scanned twice (obj_passes.h); the material library is
// read at its line in the counting pass (mtl_reader.cpp).
#include "mesh/obj_reader.h"

#include <cstring>
#include <string>

#include "base/report.h"
#include "mesh/obj_passes.h"
#include "mesh/obj_text.h"

namespace glimmer {

ObjGroup* findGroup(ObjModel* model, const char* name) {
  for (ObjGroup* group = model->groups; group != nullptr; group = group->next) {
    if (std::strcmp(group->name, name) == 0) return group;
  }
  return nullptr;
}

ObjGroup* addGroup(ObjModel* model, const char* name) {
  ObjGroup* group = new ObjGroup;
  group->name = obj::copyText(name);
  group->next = model->groups;
  model->groups = group;
  ++model->groupCount;
  return group;
}

std::uint32_t findMaterial(const ObjModel* model, const char* name) {
  for (std::uint32_t index = 0; index < model->materialCount; ++index) {
    if (model->materials[index].name != nullptr && std::strcmp(model->materials[index].name, name) == 0) {
      return index;
    }
  }
  return 0;
}

ObjModel* readObjFrom(const char* path, ObjFileSource source, void* context, ObjReadFailure& failure) {
  std::string text;
  if (!source(context, path, text)) {
    obj::failOpen(failure, "can't open data file \"%s\".", path);
    return nullptr;
  }
  ObjModel* model = new ObjModel;
  model->path = obj::copyText(path);
  obj::LineReader reader{obj::Scanner(text), "data", path, failure};
  auto readLibrary = [&](const char* name) { return readMtl(model, name, source, context, failure); };
  if (!obj::countObj(reader, model, readLibrary)) {
    freeObj(model);
    return nullptr;
  }
  model->vertices = new float[(std::size_t{model->vertexCount} + 1) * 3]();
  model->triangles = new ObjTriangle[model->triangleCount];
  if (model->normalCount != 0) model->normals = new float[(std::size_t{model->normalCount} + 1) * 3]();
  if (model->texCoordCount != 0) model->texCoords = new float[(std::size_t{model->texCoordCount} + 1) * 2]();
  reader.scanner.rewind();
  if (!obj::fillObj(reader, model)) {
    freeObj(model);
    return nullptr;
  }
  return model;
}

ObjModel* readObj(const char* path) {
  ObjReadFailure failure;
  ObjModel* model = readObjFrom(path, readTextFile, nullptr, failure);
  if (model != nullptr) return model;
  if (failure.toStandardOutput) {
    printLine(failure.message);
  } else {
    std::size_t length = std::strlen(failure.message);
    if (length + 1 < sizeof failure.message) {
      failure.message[length] = '\n';
      failure.message[length + 1] = '\0';
    }
    printError(failure.message);
  }
  if (failure.endsProcess) endProcess(1);
  return nullptr;
}

void freeObj(ObjModel* model) {
  if (model == nullptr) return;
  delete[] model->path;
  delete[] model->materialLibrary;
  delete[] model->vertices;
  delete[] model->normals;
  delete[] model->texCoords;
  delete[] model->facetNormals;
  delete[] model->triangles;
  freeMaterials(model);
  while (model->groups != nullptr) {
    ObjGroup* group = model->groups;
    model->groups = group->next;
    delete[] group->name;
    delete[] group->triangleIndices;
    delete group;
  }
  delete model;
}

}  // namespace glimmer
