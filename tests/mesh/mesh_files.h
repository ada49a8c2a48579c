// Small mesh files for the mesh tests.
#pragma once

#include <string>

#include "support/temporary_folder.h"

namespace glimmer {

// A box 2 x 4 x 6 from (1, -5, 2) to (3, -1, 8), away from the origin so that centring it shows:
// 8 corners, 6 normals, 6 quads (12 triangles), the front faces in group "front" with material
// "red", the rest in "default".
inline std::string boxObj(const char* library = "box.mtl") {
  std::string text = "# box\n";
  if (library != nullptr) text += std::string("mtllib ") + library + "\n";
  text +=
      "v 1 -5 2\nv 3 -5 2\nv 3 -1 2\nv 1 -1 2\nv 1 -5 8\nv 3 -5 8\nv 3 -1 8\nv 1 -1 8\n"
      "vn 0 0 -1\nvn 0 0 1\nvn 0 -1 0\nvn 0 1 0\nvn -1 0 0\nvn 1 0 0\n"
      "f 1//1 4//1 3//1 2//1\nf 1//3 2//3 6//3 5//3\nf 4//4 8//4 7//4 3//4\n"
      "f 1//5 5//5 8//5 4//5\nf 2//6 3//6 7//6 6//6\n"
      "g front\nusemtl red\nf 5//2 6//2 7//2 8//2\n";
  return text;
}

inline const char* kBoxMtl = "newmtl red\nKd 1 0.5 0\nNs 500\n";

}  // namespace glimmer
