#include "content/Mesh.h"

#include <utility>

void Mesh::AttachModel(Model model) {
  Geometry = std::move(model);
  for (const Submesh& submesh : Geometry.Submeshes) {
    DrawItems.push_back({submesh.IndexCount, submesh.BaseVertex, submesh.FirstIndex, submesh.Transform, 1});
  }
}
