// MeshManager: the process-wide registry of meshes by bare file name ("cube.obj").
#pragma once

#include <map>
#include <memory>
#include <string>

namespace glimmer {

class Model;

class MeshManager {
 public:
  // The one registry; created on the first call, and again after the registry was destroyed.
  static MeshManager* instance();

  MeshManager(const MeshManager&) = delete;
  MeshManager& operator=(const MeshManager&) = delete;
  // Destroys the models in key order (the GL context must be current), then forgets the instance.
  virtual ~MeshManager();

  // Loads "data/" + name into a new Model and registers it. False on failure or a name loaded before
  // (the first model stays; the second copy is read, uploaded and thrown away).
  bool load(const char* name);
  // The model registered under name (case-sensitive, no directory), or null. Never loads, never
  // allocates, prints nothing.
  Model* get(const char* name);

 private:
  MeshManager() = default;

  // Byte-wise ordered (std::string compares as unsigned characters); the order is the order of
  // destruction.
  std::map<std::string, std::unique_ptr<Model>, std::less<>> models;
};

}  // namespace glimmer
