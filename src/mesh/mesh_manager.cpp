// The mesh registry: models keyed by bare file name, loaded from "data/".
#include "mesh/mesh_manager.h"

#include <string_view>

#include "mesh/model.h"

namespace glimmer {
MeshManager::MeshManager() = default;

MeshManager::~MeshManager() {
  for (auto& entry : models) entry.second.reset();
  models.clear();
}

bool MeshManager::load(const char* name) {
  auto model = std::make_unique<Model>();
  std::string path = "data/";
  path += name;
  if (!model->load(path.c_str())) return false;
  // Deliberate: a name loaded before keeps its first model; the fresh copy is dropped with its buffers.
  return models.try_emplace(name, std::move(model)).second;
}

Model* MeshManager::get(const char* name) {
  auto found = models.find(std::string_view(name));
  return found == models.end() ? nullptr : found->second.get();
}

}  // namespace glimmer
