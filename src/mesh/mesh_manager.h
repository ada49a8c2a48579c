// MeshManager: the show's registry of meshes by bare file name ("cube.obj"). The Demo owns the one
// the show uses and hands it to the scenes.
#pragma once

#include <map>
#include <memory>
#include <string>

namespace glimmer {

class Model;

class MeshManager {
 public:
  MeshManager();
  MeshManager(const MeshManager&) = delete;
  MeshManager& operator=(const MeshManager&) = delete;
  // Destroys the models in key order (the GL context must be current).
  virtual ~MeshManager();

  // Loads "data/" + name into a new Model and registers it. False on failure or a name loaded before
  // (the first model stays; the second copy is read, uploaded and thrown away).
  bool load(const char* name);
  // The model registered under name (case-sensitive, no directory), or null. Never loads, never
  // allocates, prints nothing.
  Model* get(const char* name);

 private:
  // Byte-wise ordered (std::string compares as unsigned characters); the order is the order of
  // destruction.
  std::map<std::string, std::unique_ptr<Model>, std::less<>> models;
};

}  // namespace glimmer
