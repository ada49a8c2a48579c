// MeshManager: the process-wide registry of meshes by bare file name ("cube.obj").
#pragma once

namespace glimmer {

class Model;

class MeshManager {
 public:
  // The one registry; created on the first call, and again after the registry was destroyed.
  static MeshManager* instance();

  MeshManager(const MeshManager&) = delete;
  MeshManager& operator=(const MeshManager&) = delete;
  virtual ~MeshManager();

  // Loads "data/" + name into a new Model and registers it. False on failure or a name loaded before.
  bool load(const char* name);
  // The model registered under name, or null. Never loads.
  Model* get(const char* name);

 private:
  MeshManager() = default;
};

}  // namespace glimmer
