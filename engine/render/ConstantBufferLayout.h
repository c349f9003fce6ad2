// What the object shaders read from their three constant buffers, and where the buffers' views sit in the
// shader-visible descriptor heap.
#pragma once

#include "content/Mesh.h"
#include "math/Matrix.h"
#include "math/Vector.h"

#include <cstdint>
#include <vector>

// Constant-buffer views cover whole 256-byte blocks, so every slot and buffer is a multiple of that.
inline constexpr uint32_t ConstantSlotSize = 256;
inline constexpr uint32_t PassConstantsSize = ConstantSlotSize;
inline constexpr uint32_t BonePaletteSize = 96 * sizeof(float4x4);

// The camera constants (register b0). Matrices are transposed on the way in, so the shaders read them as
// column-vector matrices stored row by row.
struct PassConstantsRecord {
  float4x4 View;
  float4x4 Proj;
  float4x4 ViewProj;
  float3 EyePosW;
};
static_assert(sizeof(PassConstantsRecord) == 204 && sizeof(PassConstantsRecord) <= PassConstantsSize);

// Byte offset of a per-object slot (register b1) in the object buffer.
inline constexpr uint32_t ObjectSlotOffset(uint32_t slot) { return slot * ConstantSlotSize; }

// The shader-visible heap, with T texture views first and N per-object slots: the pass view at T, the
// object views at T + 1 ... T + N, the bone view at T + N + 1.
struct ConstantDescriptorLayout {
  uint32_t TextureCount = 0;
  uint32_t ObjectSlotCount = 0;

  constexpr uint32_t PassIndex() const { return TextureCount; }
  constexpr uint32_t ObjectIndex(uint32_t slot) const { return TextureCount + 1 + slot; }
  constexpr uint32_t BoneIndex() const { return TextureCount + ObjectSlotCount + 1; }
  // Descriptors the layout occupies from the start of the heap.
  constexpr uint32_t DescriptorCount() const { return TextureCount + ObjectSlotCount + 2; }
};

// One per-object slot per draw item, over all meshes.
inline uint32_t CountDrawItems(const std::vector<Mesh>& meshes) {
  uint32_t count = 0;
  for (const Mesh& mesh : meshes) {
    count += static_cast<uint32_t>(mesh.DrawItems.size());
  }
  return count;
}

inline ConstantDescriptorLayout DescriptorLayoutFor(int32_t textureCount, const std::vector<Mesh>& meshes) {
  return {static_cast<uint32_t>(textureCount), CountDrawItems(meshes)};
}
