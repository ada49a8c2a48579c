// The two passes over an OBJ file's text: counting, which sizes every array exactly and hands
// each material library line to the caller at once, and filling, which stores the values into
// the arrays counted. Faces are split into fans; the corner form is decided by a face's first
// corner.
#pragma once

#include <functional>

#include "mesh/obj_reader.h"
#include "mesh/obj_text.h"

namespace glimmer::obj {

// Called at each "mtllib" line with its library name, before the pass goes on, so the materials
// exist before any "usemtl" line is looked up (one that comes first included). False stops the
// pass; the callee has filled the failure.
using LibraryLine = std::function<bool(const char* name)>;

// The counting pass: the four counts, every group with room for its triangles, materialLibrary.
// False with reader.failure filled on malformed input or when onLibrary fails.
bool countObj(LineReader& reader, ObjModel* model, const LibraryLine& onLibrary);

// The filling pass over the rewound reader, into the arrays the counting pass sized. False with
// reader.failure filled on malformed input, and where the passes disagree.
bool fillObj(LineReader& reader, ObjModel* model);

}  // namespace glimmer::obj
