// The MTL reader: the material library an OBJ file names, read into the model's materials.
//
// Two passes over the file: one counts the "newmtl" lines, the other fills the materials, entry 0
// being "default".
#include <cstring>
#include <filesystem>
#include <string>

#include "mesh/obj_reader.h"
#include "mesh/obj_text.h"

namespace glimmer {

using obj::LineReader;
using obj::Scanner;

void freeMaterials(ObjModel* model) {
  if (model->materials != nullptr) {
    for (std::uint32_t index = 0; index < model->materialCount; ++index) delete[] model->materials[index].name;
    delete[] model->materials;
  }
  model->materials = nullptr;
  model->materialCount = 0;
}

bool readMtl(ObjModel* model, const char* name, ObjFileSource source, void* context, ObjReadFailure& failure) {
  std::string fileName;
  const char* slash = std::strrchr(model->path, '/');
  if constexpr (std::filesystem::path::preferred_separator == '\\') {
    // Windows paths may separate folders with backslashes too.
    const char* backslash = std::strrchr(model->path, '\\');
    if (backslash != nullptr && (slash == nullptr || backslash > slash)) slash = backslash;
  }
  if (slash != nullptr) {
    fileName.assign(model->path, static_cast<std::size_t>(slash - model->path + 1));
  }
  fileName += name;
  std::string text;
  if (!source(context, fileName.c_str(), text)) {
    return obj::failOpen(failure, "can't open material file \"%s\".", fileName.c_str());
  }
  LineReader reader{Scanner(text), "material", fileName.c_str(), failure};

  std::uint32_t count = 1;
  bool ok = true;
  while (reader.nextWord(ok)) {
    if (reader.buffer[0] == 'n') ++count;
    reader.eatLine();
  }
  if (!ok) return false;

  freeMaterials(model);
  model->materials = new ObjMaterial[count];
  model->materials[0].name = obj::copyText("default");
  model->materialCount = count;

  reader.scanner.rewind();
  std::uint32_t current = 0;
  while (reader.nextWord(ok)) {
    ObjMaterial& material = model->materials[current];
    switch (reader.buffer[0]) {
      case 'n': {
        reader.scanner.readRest(reader.buffer);
        char materialName[obj::kBufferSize] = {};
        obj::takeName(reader.buffer, materialName);
        if (current + 1 >= count) return reader.fail("values followed by a keyword on their line");
        ++current;
        model->materials[current].name = obj::copyText(materialName);
        break;
      }
      case 'N':
        // Every "N" word, "Ni" too, sets the shininess: 0..1000 scaled to 0..128.
        if (!reader.readFloats(&material.shininess, 1)) return false;
        material.shininess = static_cast<float>(material.shininess * 0.001);
        material.shininess *= 128.0f;
        break;
      case 'K':
        if (reader.buffer[1] == 'a') {
          if (!reader.readFloats(material.ambient, 3)) return false;
        } else if (reader.buffer[1] == 'd') {
          if (!reader.readFloats(material.diffuse, 3)) return false;
        } else if (reader.buffer[1] == 's') {
          if (!reader.readFloats(material.specular, 3)) return false;
        } else {
          reader.eatLine();
        }
        break;
      default:
        reader.eatLine();
        break;
    }
  }
  return ok;
}

}  // namespace glimmer
