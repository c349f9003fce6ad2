// A drawable mesh: one imported model, its world matrix, its place in the per-object constants, and one
// indexed draw per submesh of the model.
#pragma once

#include "content/Model.h"
#include "math/Matrix.h"

#include <cstdint>
#include <vector>

// One indexed draw of a mesh, made from the submesh of the same position.
struct DrawItem {
  uint32_t IndexCount = 0;
  int32_t BaseVertex = 0;
  uint32_t FirstIndex = 0;
  float4x4 Transform = Identity();
  // The shader-visible slot of the texture the item wears: the character's (slot 1) unless viewer mode
  // gives each material a texture of its own.
  uint32_t TextureDescriptor = 1;
  // Viewer mode: the item's rigid mesh hangs under an animated node, so Transform is rewritten every frame.
  bool FollowsAnimation = false;
};

struct Mesh {
  // Draw item k uses per-object constant slot ConstantSlot + k; -1 until the mesh is placed.
  int32_t ConstantSlot = -1;
  bool Dirty = true;  // the per-object constants still have to be written
  float4x4 World = Identity();
  Model Geometry;  // shares its GPU buffers and scene with the model it was copied from
  std::vector<DrawItem> DrawItems;

  // Takes the model and appends one draw item per submesh, in submesh order. Called once, on a fresh mesh.
  void AttachModel(Model model);
};
