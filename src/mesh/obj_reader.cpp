// The OBJ and MTL reader; see obj_reader.h for the accepted language and what is refused.
//
// Each file is read into memory once and scanned twice. The scanner reproduces the formatted
// input the format was defined by: words run to the next white space, "the rest of the line" is
// at most 127 characters up to and including the newline, numbers skip white space (newlines
// included) before them.
#include "mesh/obj_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "demo/data_folder.h"
#include "demo/report.h"

namespace glimmer {
namespace {

constexpr std::size_t kBufferSize = 128;  // one word or one rest of a line, with its zero

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }

char* copyText(const char* text) {
  std::size_t length = std::strlen(text);
  char* copy = new char[length + 1];
  std::memcpy(copy, text, length + 1);
  return copy;
}

enum class WordResult { Word, End, TooLong };

// A cursor over a file's text. The text always ends in a zero byte (std::string guarantees it), so
// strtof never reads past it.
class Scanner {
 public:
  explicit Scanner(const std::string& text) : text_(text.c_str()), length_(text.size()) {}

  void rewind() { position_ = wordStart_ = 0; }

  // Skips white space and reads one word into buffer.
  WordResult readWord(char (&buffer)[kBufferSize]) {
    skipBlanks();
    if (position_ >= length_) return WordResult::End;
    std::size_t start = position_;
    wordStart_ = start;
    while (position_ < length_ && !isBlank(text_[position_])) ++position_;
    std::size_t length = position_ - start;
    if (length >= kBufferSize) {
      position_ = start;
      return WordResult::TooLong;
    }
    std::memcpy(buffer, text_ + start, length);
    buffer[length] = '\0';
    return WordResult::Word;
  }

  // Reads the rest of the line, at most 127 characters, up to and including its newline.
  void readRest(char (&buffer)[kBufferSize]) {
    std::size_t length = 0;
    while (position_ < length_ && length < kBufferSize - 1) {
      char c = text_[position_++];
      buffer[length++] = c;
      if (c == '\n') break;
    }
    buffer[length] = '\0';
  }

  // Skips white space and reads one floating-point number; false when none is there.
  bool readFloat(float& value) {
    skipBlanks();
    if (position_ >= length_) return false;
    const char* start = text_ + position_;
    char* end = nullptr;
    float read = std::strtof(start, &end);
    if (end == start) return false;
    position_ += static_cast<std::size_t>(end - start);
    value = read;
    return true;
  }

  // True when the next word starts like a whole number (a digit, or a sign and a digit).
  bool atNumber() {
    skipBlanks();
    return numberStartsAt(position_);
  }

  // Reads a whole number at the cursor (no white space skipped); saturates far beyond any count.
  bool readInteger(std::int64_t& value) {
    if (!numberStartsAt(position_)) return false;
    bool negative = text_[position_] == '-';
    if (text_[position_] == '-' || text_[position_] == '+') ++position_;
    std::int64_t magnitude = 0;
    while (position_ < length_ && isDigit(text_[position_])) {
      if (magnitude < (std::int64_t{1} << 40)) magnitude = magnitude * 10 + (text_[position_] - '0');
      ++position_;
    }
    value = negative ? -magnitude : magnitude;
    return true;
  }

  bool readCharacter(char expected) {
    if (position_ < length_ && text_[position_] == expected) {
      ++position_;
      return true;
    }
    return false;
  }

  bool atWordEnd() const { return position_ >= length_ || isBlank(text_[position_]); }

  // The 1-based number of the line on which the last word began.
  unsigned line() const {
    unsigned line = 1;
    for (std::size_t index = 0; index < wordStart_ && index < length_; ++index) {
      if (text_[index] == '\n') ++line;
    }
    return line;
  }

 private:
  void skipBlanks() {
    while (position_ < length_ && isBlank(text_[position_])) ++position_;
  }
  bool numberStartsAt(std::size_t at) const {
    if (at >= length_) return false;
    if (isDigit(text_[at])) return true;
    return (text_[at] == '-' || text_[at] == '+') && at + 1 < length_ && isDigit(text_[at + 1]);
  }

  const char* text_;
  std::size_t length_;
  std::size_t position_ = 0;
  std::size_t wordStart_ = 0;
};

// The name on an "mtllib", "usemtl" or "newmtl" line: the first word of the rest of the line,
// replaced by the second word when there is one. False when the rest holds no word.
bool takeName(const char* rest, char (&name)[kBufferSize]) {
  char first[kBufferSize];
  char second[kBufferSize];
  int found = std::sscanf(rest, "%127s %127s", first, second);
  if (found < 1) return false;
  std::strcpy(name, found == 2 ? second : first);
  return true;
}

// The group name of a "g" line: the rest of the line with its last character (the newline) removed.
// Deliberate: the last character goes even when it is not a newline (a "g" line that ends the file,
// a line cut at 127 characters); both passes cut the same way, so the name still matches itself.
void takeGroupName(char (&rest)[kBufferSize]) {
  std::size_t length = std::strlen(rest);
  if (length > 0) rest[length - 1] = '\0';
}

// The four corner forms, decided by the first corner of each face.
enum class Form { VertexNormal, VertexTexCoordNormal, VertexTexCoord, Vertex };

struct Corner {
  std::int64_t vertex = 0;
  std::int64_t texCoord = 0;
  std::int64_t normal = 0;
};

int valuesOf(Form form) {
  switch (form) {
    case Form::VertexNormal: return 2;
    case Form::VertexTexCoordNormal: return 3;
    case Form::VertexTexCoord: return 2;
    case Form::Vertex: return 1;
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

// Reading state shared by the passes over one file.
struct Reader {
  Scanner scanner;
  const char* fileKind;  // "data" or "material"
  const char* fileName;
  ObjReadFailure& failure;
  char buffer[kBufferSize] = {};

  // Fills failure with "<what> in <kind> file "<name>", line <n>." and returns false.
  bool fail(const char* what) {
    std::snprintf(failure.message, sizeof failure.message, "%s in %s file \"%s\", line %u.", what, fileKind,
                  fileName, scanner.line());
    return false;
  }

  // Reads the next keyword word; false at the end or (with failure filled) on a word too long.
  bool nextWord(bool& ok) {
    WordResult result = scanner.readWord(buffer);
    ok = result != WordResult::TooLong;
    if (!ok) fail("word longer than 127 characters");
    return result == WordResult::Word;
  }

  void eatLine() { scanner.readRest(buffer); }

  bool readFloats(float* values, int count) {
    for (int index = 0; index < count; ++index) {
      if (!scanner.readFloat(values[index])) return fail("missing or malformed number");
    }
    return true;
  }
};

// Reads the corners of one face after its "f" word and calls addTriangle(first, previousLast, newest)
// for each triangle of the fan. False (failure filled) on a malformed face.
template <typename AddTriangle>
bool readFace(Reader& reader, Form& form, AddTriangle addTriangle) {
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
bool storeCorner(Reader& reader, const ObjModel& model, Form form, const Corner& corner, ObjTriangle& triangle,
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

void freeMaterials(ObjModel* model) {
  if (model->materials != nullptr) {
    for (std::uint32_t index = 0; index < model->materialCount; ++index) delete[] model->materials[index].name;
    delete[] model->materials;
  }
  model->materials = nullptr;
  model->materialCount = 0;
}

bool failOpen(ObjReadFailure& failure, const char* format, const char* path) {
  failure.endsProcess = true;
  failure.toStandardOutput = false;
  std::snprintf(failure.message, sizeof failure.message, format, path);
  return false;
}

// The counting pass over an OBJ file: counts, groups with their room, and the material library.
bool countObj(Reader& reader, ObjModel* model, ObjFileSource source, void* context) {
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
        if (!readMtl(model, name, source, context, reader.failure)) return false;
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

// The filling pass over an OBJ file, into arrays sized by the counting pass.
bool fillObj(Reader& reader, ObjModel* model) {
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

}  // namespace

bool readTextFile(void*, const char* path, std::string& text) {
  std::FILE* file = std::fopen(dataFilePath(path).c_str(), "rb");
  if (file == nullptr) return false;
  text.clear();
  char chunk[4096];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
  bool readable = std::ferror(file) == 0;
  std::fclose(file);
  if (!readable) return false;
  std::size_t kept = 0;
  for (std::size_t index = 0; index < text.size(); ++index) {
    if (text[index] == '\r' && index + 1 < text.size() && text[index + 1] == '\n') continue;
    text[kept++] = text[index];
  }
  text.resize(kept);
  return true;
}

ObjGroup* findGroup(ObjModel* model, const char* name) {
  for (ObjGroup* group = model->groups; group != nullptr; group = group->next) {
    if (std::strcmp(group->name, name) == 0) return group;
  }
  return nullptr;
}

ObjGroup* addGroup(ObjModel* model, const char* name) {
  ObjGroup* group = new ObjGroup;
  group->name = copyText(name);
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

bool readMtl(ObjModel* model, const char* name, ObjFileSource source, void* context, ObjReadFailure& failure) {
  std::string fileName;
  if (const char* slash = std::strrchr(model->path, '/'); slash != nullptr) {
    fileName.assign(model->path, static_cast<std::size_t>(slash - model->path + 1));
  }
  fileName += name;
  std::string text;
  if (!source(context, fileName.c_str(), text)) {
    return failOpen(failure, "can't open material file \"%s\".", fileName.c_str());
  }
  Reader reader{Scanner(text), "material", fileName.c_str(), failure};

  std::uint32_t count = 1;
  bool ok = true;
  while (reader.nextWord(ok)) {
    if (reader.buffer[0] == 'n') ++count;
    reader.eatLine();
  }
  if (!ok) return false;

  freeMaterials(model);
  model->materials = new ObjMaterial[count];
  model->materials[0].name = copyText("default");
  model->materialCount = count;

  reader.scanner.rewind();
  std::uint32_t current = 0;
  while (reader.nextWord(ok)) {
    ObjMaterial& material = model->materials[current];
    switch (reader.buffer[0]) {
      case 'n': {
        reader.scanner.readRest(reader.buffer);
        char materialName[kBufferSize] = {};
        takeName(reader.buffer, materialName);
        if (current + 1 >= count) return reader.fail("values followed by a keyword on their line");
        ++current;
        model->materials[current].name = copyText(materialName);
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

ObjModel* readObjFrom(const char* path, ObjFileSource source, void* context, ObjReadFailure& failure) {
  std::string text;
  if (!source(context, path, text)) {
    failOpen(failure, "can't open data file \"%s\".", path);
    return nullptr;
  }
  ObjModel* model = new ObjModel;
  model->path = copyText(path);
  Reader reader{Scanner(text), "data", path, failure};
  if (!countObj(reader, model, source, context)) {
    freeObj(model);
    return nullptr;
  }
  model->vertices = new float[(std::size_t{model->vertexCount} + 1) * 3]();
  model->triangles = new ObjTriangle[model->triangleCount];
  if (model->normalCount != 0) model->normals = new float[(std::size_t{model->normalCount} + 1) * 3]();
  if (model->texCoordCount != 0) model->texCoords = new float[(std::size_t{model->texCoordCount} + 1) * 2]();
  reader.scanner.rewind();
  if (!fillObj(reader, model)) {
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
