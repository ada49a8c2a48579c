// The OBJ and MTL reader: one Wavefront OBJ file and the material library it names, read into
// plain records with every array sized exactly by a counting pass before a filling pass.
//
// Accepted language: words dispatched on their first character ("v" and "K" also on the second),
// faces split into fans, the face form decided by its first corner, groups named by the whole rest
// of their line minus its last character, materials looked up by name with entry 0 "default".
//
// Failures. A file that cannot be opened and an unknown "v" word end the process with status 1
// (through endProcess, which puts the terminal back first). Malformed input that the format leaves
// undefined is refused instead: readObj prints one line naming the file and the line number on
// standard error and returns null. Refused are: a word of more than 127 characters; a missing or
// malformed number after "v", "vn", "vt", "Ka", "Kd", "Ks" or "Ns"; a face with fewer than three
// corners, a corner that does not scan completely in the face's form; a vertex, texture or normal
// index that is 0, negative or beyond its count; an "mtllib" line without a name; and values
// followed on their line by a keyword that makes the two passes disagree (more entries, triangles
// or materials than were counted, or a group that was never counted). Lines longer than 127
// characters are not refused: 127 of them are taken as the rest of the line, the remainder is read
// as further words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace glimmer {

// One triangle; indices 1-based as written in the file. Fields the face's form does not supply
// stay 0.
struct ObjTriangle {
  std::uint32_t vertexIndex[3] = {};
  std::uint32_t normalIndex[3] = {};
  std::uint32_t texCoordIndex[3] = {};
  std::uint32_t facetNormalIndex = 0;  // never written
};

struct ObjMaterial {
  char* name = nullptr;  // owned
  float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
  float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
  float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  float emissive[4] = {};   // never set, never read
  float shininess = 65.0f;  // 0..128
};

struct ObjGroup {
  char* name = nullptr;  // owned; the rest of the "g" line without its last character
  std::uint32_t triangleCount = 0;
  std::uint32_t* triangleIndices = nullptr;  // owned; indices into ObjModel::triangles
  std::uint32_t material = 0;                // index into ObjModel::materials
  ObjGroup* next = nullptr;                  // owned
  std::uint32_t triangleCapacity = 0;        // room in triangleIndices, as counted
};

// Arrays are 1-based: entry 0 of vertices, normals and texCoords is never written.
struct ObjModel {
  char* path = nullptr;             // owned copy of the path given to readObj
  char* materialLibrary = nullptr;  // owned; null without an "mtllib" line
  std::uint32_t vertexCount = 0;
  float* vertices = nullptr;  // (vertexCount + 1) * 3
  std::uint32_t normalCount = 0;
  float* normals = nullptr;  // (normalCount + 1) * 3, null when normalCount is 0
  std::uint32_t texCoordCount = 0;
  float* texCoords = nullptr;          // (texCoordCount + 1) * 2, null when texCoordCount is 0
  std::uint32_t facetNormalCount = 0;  // always 0
  float* facetNormals = nullptr;       // always null
  std::uint32_t triangleCount = 0;
  ObjTriangle* triangles = nullptr;  // triangleCount, in file order
  std::uint32_t materialCount = 0;   // 0 without a library, else 1 + the "newmtl" lines
  ObjMaterial* materials = nullptr;  // entry 0 is "default"
  std::uint32_t groupCount = 0;
  ObjGroup* groups = nullptr;  // newest first; "default" is always present (and last)
  float position[3] = {};      // nothing reads it
};

// Reads the OBJ file at path and the material library it names. Ends the process (status 1) when a
// file cannot be opened or on an unknown "v" word; returns null, with its line on standard error,
// on the malformed input listed above. The caller frees the result with freeObj.
ObjModel* readObj(const char* path);

// Frees the model and everything it owns; null is ignored.
void freeObj(ObjModel* model);

// Frees the model's materials and their names; materialCount becomes 0.
void freeMaterials(ObjModel* model);

// The first group, from the head of the list, whose name equals name byte for byte; or null.
ObjGroup* findGroup(ObjModel* model, const char* name);
// Puts a new empty group with a copy of name at the head of the list.
ObjGroup* addGroup(ObjModel* model, const char* name);
// The index of the first material named name, from 0 up; 0 when none is.
std::uint32_t findMaterial(const ObjModel* model, const char* name);

// What ended a read. endsProcess marks the failures the program ends on (files that cannot be
// opened, unknown "v" words); message holds the one line, without its line end.
struct ObjReadFailure {
  bool endsProcess = false;
  bool toStandardOutput = false;  // "Unknown token" goes to standard output, the rest to standard error
  char message[512] = {};
};

// Fills text with the whole file at path; false when it cannot be opened or read.
using ObjFileSource = bool (*)(void* context, const char* path, std::string& text);

// Reads the whole file into text, line ends "\r\n" turned into "\n" as text mode would.
bool readTextFile(void* context, const char* path, std::string& text);

// readObj with the files taken from source and every failure returned instead of acted on:
// null with failure filled, or the model. Never prints, never ends the process.
ObjModel* readObjFrom(const char* path, ObjFileSource source, void* context, ObjReadFailure& failure);

// Reads the library name (beside the model's path) into model, replacing its materials. False with
// failure filled when it cannot.
bool readMtl(ObjModel* model, const char* name, ObjFileSource source, void* context, ObjReadFailure& failure);

}  // namespace glimmer
