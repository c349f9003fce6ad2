// The vertex of the character model as the vertex shader reads it, and the importer's per-vertex scratch
// for bone influences.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

// 80 bytes of tightly packed f32, described to the pipeline by ModelInputLayout. Bone indices travel as
// floats: the shader receives them as floats, not integers.
struct SkinnedVertex {
  float Position[3] = {};
  float TexCoord[2] = {};
  float Normal[3] = {};
  float Color[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // never imported; opaque white leaves the texture as it is
  float Weights[4] = {};
  float BoneIndices[4] = {};
};
static_assert(sizeof(SkinnedVertex) == 80 && std::is_standard_layout_v<SkinnedVertex>);
static_assert(offsetof(SkinnedVertex, TexCoord) == 12 && offsetof(SkinnedVertex, Normal) == 20 &&
              offsetof(SkinnedVertex, Color) == 32 && offsetof(SkinnedVertex, Weights) == 48 &&
              offsetof(SkinnedVertex, BoneIndices) == 64);

// Up to four bones acting on one vertex. A slot is free while its weight is exactly 0.0, so an influence
// of weight 0.0 leaves its slot for the next one.
struct VertexInfluences {
  static constexpr int SlotCount = 4;

  uint16_t BoneIndices[SlotCount] = {};
  float BoneWeights[SlotCount] = {};
};
