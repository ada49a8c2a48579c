// Small mesh files for the mesh tests, and a scratch folder to write them into.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace glimmer {

// A cube of side 2 from (0, 0, 0) to (2, 4, 6) stretched per axis: 8 corners, 6 normals, 6 quads
// (12 triangles), the front faces in group "front" with material "red", the rest in "default".
inline std::string boxObj(const char* library = "box.mtl") {
  std::string text = "# box\n";
  if (library != nullptr) text += std::string("mtllib ") + library + "\n";
  text += "v 0 0 0\nv 2 0 0\nv 2 4 0\nv 0 4 0\nv 0 0 6\nv 2 0 6\nv 2 4 6\nv 0 4 6\n"
          "vn 0 0 -1\nvn 0 0 1\nvn 0 -1 0\nvn 0 1 0\nvn -1 0 0\nvn 1 0 0\n"
          "f 1//1 4//1 3//1 2//1\nf 1//3 2//3 6//3 5//3\nf 4//4 8//4 7//4 3//4\n"
          "f 1//5 5//5 8//5 4//5\nf 2//6 3//6 7//6 6//6\n"
          "g front\nusemtl red\nf 5//2 6//2 7//2 8//2\n";
  return text;
}

inline const char* kBoxMtl = "newmtl red\nKd 1 0.5 0\nNs 500\n";

// A folder of its own under the test temp folder, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    path = std::filesystem::path(testing::TempDir()) /
           ("glimmer_mesh_" + std::to_string(getpid()) + "_" + test->test_suite_name() + "_" + test->name());
    std::filesystem::create_directories(path);
  }
  ~ScratchFolder() { std::filesystem::remove_all(path); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Writes text to name inside the folder; returns the full path.
  std::string write(const std::string& name, const std::string& text) const {
    std::filesystem::path file = path / name;
    std::filesystem::create_directories(file.parent_path());
    std::FILE* handle = std::fopen(file.string().c_str(), "wb");
    EXPECT_NE(handle, nullptr) << file;
    if (handle != nullptr) {
      std::fwrite(text.data(), 1, text.size(), handle);
      std::fclose(handle);
    }
    return file.string();
  }

  std::filesystem::path path;
};

}  // namespace glimmer
