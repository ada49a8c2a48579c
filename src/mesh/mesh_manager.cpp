// Placeholder until the mesh reader lands.
#include "mesh/mesh_manager.h"

namespace glimmer {
namespace {
MeshManager* single = nullptr;
}

MeshManager* MeshManager::instance() {
  if (single == nullptr) single = new MeshManager();
  return single;
}

MeshManager::~MeshManager() { single = nullptr; }
bool MeshManager::load(const char*) { return false; }
Model* MeshManager::get(const char*) { return nullptr; }

}  // namespace glimmer
