// The counting and filling passes over an OBJ file; see obj_passes.h.
#include "mesh/obj_passes.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace glimmer::obj {
namespace {

// The four corner forms, decided by the first corner of each face.
enum class Form { VertexNormal, VertexTexCoordNormal, VertexTexCoord, Vertex };

struct Corner {
  std::int64_t vertex = 0;
  std::int64_t texCoord = 0;
  std::int64_t normal = 0;
};

int valuesOf(Form form) {
  switch (form) {
    case Form::VertexNormal:
      return 2;
    case Form::VertexTexCoordNormal:
      return 3;
    case Form::VertexTexCoord:
      return 2;
    case Form::Vertex:
      return 1;
  }
  return 1;
}

// Scans one corner at the cursor in the given form; returns how many values were read.
int scanCorner(Scanner& scanner, Form form, Corner& corner) {
  if (!scanner.readInteger(corner.vertex)) return 0;
  switch (form) {
    case Form::Vertex:
      return 1;
    case Form::VertexNormal:
      if (!scanner.readCharacter('/') || !scanner.readCharacter('/')) return 1;
      return scanner.readInteger(corner.normal) ? 2 : 1;
    case Form::VertexTexCoord:
      if (!scanner.readCharacter('/') || !scanner.readInteger(corner.texCoord)) return 1;
      return 2;
    case Form::VertexTexCoordNormal:
      if (!scanner.readCharacter('/') || !scanner.readInteger(corner.texCoord)) return 1;
      if (!scanner.readCharacter('/') || !scanner.readInteger(corner.normal)) return 2;
      return 3;
  }
  return 0;
}

// Scans a whole word as one corner; false unless the form's values fill the word exactly.
bool scanCornerWord(const char* word, Form form, Corner& corner) {
  std::string text(word);
  Scanner scanner(text);
  return scanCorner(scanner, form, corner) == valuesOf(form) && scanner.atWordEnd();
}

Form decideForm(const char* word) {
  if (std::strstr(word, "//") != nullptr) return Form::VertexNormal;
  Corner corner;
  std::string text(word);
  Scanner scanner(text);
  if (scanCorner(scanner, Form::VertexTexCoordNormal, corner) == 3) return Form::VertexTexCoordNormal;
  scanner.rewind();
  if (scanCorner(scanner, Form::VertexTexCoord, corner) >= 2) return Form::VertexTexCoord;
  return Form::Vertex;
}

// Reads the corners of one face after its "f" word and calls addTriangle(first, previousLast, newest)
// for each triangle of the fan. False (failure filled) on a malformed face.
template <typename AddTriangle>
bool readFace(LineReader& reader, Form& form, AddTriangle addTriangle) {
  bool ok = true;
  if (!reader.nextWord(ok)) return ok ? reader.fail("face with fewer than three corners") : false;
  form = decideForm(reader.buffer);
  Corner corners[3];
  if (!scanCornerWord(reader.buffer, form, corners[0])) return reader.fail("malformed face corner");
  int wanted = valuesOf(form);
  for (int index = 1; index < 3; ++index) {
    if (!reader.scanner.atNumber()) return reader.fail("face with fewer than three corners");
    if (scanCorner(reader.scanner, form, corners[index]) != wanted || !reader.scanner.atWordEnd()) {
      return reader.fail("malformed face corner");
    }
  }
  if (!addTriangle(corners[0], corners[1], corners[2])) return false;
  Corner previous = corners[2];
  while (reader.scanner.atNumber()) {
    Corner next;
    if (scanCorner(reader.scanner, form, next) != wanted || !reader.scanner.atWordEnd()) {
      return reader.fail("malformed face corner");
    }
    if (!addTriangle(corners[0], previous, next)) return false;
    previous = next;
  }
  return true;
}

// Stores one corner's indices into triangle corner k, checking each against its count.
bool storeCorner(LineReader& reader, const ObjModel& model, Form form, const Corner& corner, ObjTriangle& triangle,
                 int k) {
  auto inRange = [](std::int64_t index, std::uint32_t count) { return index >= 1 && index <= count; };
  if (!inRange(corner.vertex, model.vertexCount)) return reader.fail("vertex index out of range");
  triangle.vertexIndex[k] = static_cast<std::uint32_t>(corner.vertex);
  if (form == Form::VertexTexCoordNormal || form == Form::VertexTexCoord) {
    if (!inRange(corner.texCoord, model.texCoordCount)) return reader.fail("texture index out of range");
    triangle.texCoordIndex[k] = static_cast<std::uint32_t>(corner.texCoord);
  }
  if (form == Form::VertexTexCoordNormal || form == Form::VertexNormal) {
    if (!inRange(corner.normal, model.normalCount)) return reader.fail("normal index out of range");
    triangle.normalIndex[k] = static_cast<std::uint32_t>(corner.normal);
  }
  return true;
}

}  // namespace

bool countObj(LineReader& reader, ObjModel* model, const LibraryLine& onLibrary) {
  ObjGroup* group = addGroup(model, "default");
  std::uint32_t vertexCount = 0;
  std::uint32_t normalCount = 0;
  std::uint32_t texCoordCount = 0;
  std::uint32_t triangleCount = 0;
  bool ok = true;
  while (reader.nextWord(ok)) {
    char* word = reader.buffer;
    switch (word[0]) {
      case 'f': {
        Form form;
        auto count = [&](const Corner&, const Corner&, const Corner&) {
          ++triangleCount;
          ++group->triangleCount;
          return true;
        };
        if (!readFace(reader, form, count)) return false;
        break;
      }
      case 'g': {
        reader.scanner.readRest(reader.buffer);
        takeGroupName(reader.buffer);
        group = findGroup(model, reader.buffer);
        if (group == nullptr) group = addGroup(model, reader.buffer);
        break;
      }
      case 'm': {
        reader.scanner.readRest(reader.buffer);
        char name[kBufferSize];
        if (!takeName(reader.buffer, name)) return reader.fail("material library without a name");
        delete[] model->materialLibrary;
        model->materialLibrary = copyText(name);
        if (!onLibrary(name)) return false;
        break;
      }
      case 'v':
        if (word[1] == '\0') {
          ++vertexCount;
        } else if (word[1] == 'n') {
          ++normalCount;
        } else if (word[1] == 't') {
          ++texCoordCount;
        } else {
          reader.failure.endsProcess = true;
          reader.failure.toStandardOutput = true;
          std::snprintf(reader.failure.message, sizeof reader.failure.message, "Unknown token \"%s\".", word);
          return false;
        }
        reader.eatLine();
        break;
      default:  // "#", "u" and everything without a rule
        reader.eatLine();
        break;
    }
  }
  if (!ok) return false;
  model->vertexCount = vertexCount;
  model->normalCount = normalCount;
  model->texCoordCount = texCoordCount;
  model->triangleCount = triangleCount;
  for (ObjGroup* each = model->groups; each != nullptr; each = each->next) {
    each->triangleIndices = new std::uint32_t[each->triangleCount];
    each->triangleCapacity = each->triangleCount;
    each->triangleCount = 0;
  }
  return true;
}

bool fillObj(LineReader& reader, ObjModel* model) {
  ObjGroup* group = findGroup(model, "default");
  std::uint32_t material = 0;
  std::uint32_t triangle = 0;
  std::uint32_t nextVertex = 1;
  std::uint32_t nextNormal = 1;
  std::uint32_t nextTexCoord = 1;
  const char* mismatch = "values followed by a keyword on their line";
  bool ok = true;
  while (reader.nextWord(ok)) {
    char* word = reader.buffer;
    switch (word[0]) {
      case 'v':
        if (word[1] == '\0') {
          if (nextVertex > model->vertexCount) return reader.fail(mismatch);
          if (!reader.readFloats(model->vertices + 3 * std::size_t{nextVertex}, 3)) return false;
          ++nextVertex;
        } else if (word[1] == 'n') {
          if (nextNormal > model->normalCount) return reader.fail(mismatch);
          if (!reader.readFloats(model->normals + 3 * std::size_t{nextNormal}, 3)) return false;
          ++nextNormal;
        } else if (word[1] == 't') {
          if (nextTexCoord > model->texCoordCount) return reader.fail(mismatch);
          if (!reader.readFloats(model->texCoords + 2 * std::size_t{nextTexCoord}, 2)) return false;
          ++nextTexCoord;
        }
        // Deliberate: the rest of the line is not eaten; a fourth number is read as a word of its own.
        break;
      case 'g':
        reader.scanner.readRest(reader.buffer);
        takeGroupName(reader.buffer);
        group = findGroup(model, reader.buffer);
        if (group == nullptr) return reader.fail(mismatch);
        group->material = material;
        break;
      case 'u': {
        reader.scanner.readRest(reader.buffer);
        char name[kBufferSize];
        material = takeName(reader.buffer, name) ? findMaterial(model, name) : 0;
        group->material = material;
        break;
      }
      case 'f': {
        Form form;
        auto fill = [&](const Corner& first, const Corner& second, const Corner& third) {
          if (triangle >= model->triangleCount || group->triangleCount >= group->triangleCapacity) {
            return reader.fail(mismatch);
          }
          ObjTriangle& stored = model->triangles[triangle];
          if (!storeCorner(reader, *model, form, first, stored, 0) ||
              !storeCorner(reader, *model, form, second, stored, 1) ||
              !storeCorner(reader, *model, form, third, stored, 2)) {
            return false;
          }
          group->triangleIndices[group->triangleCount++] = triangle++;
          return true;
        };
        if (!readFace(reader, form, fill)) return false;
        break;
      }
      default:  // "#", "m" and everything without a rule
        reader.eatLine();
        break;
    }
  }
  return ok;
}

}  // namespace glimmer::obj
