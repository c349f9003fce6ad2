// How each material of a viewed model wants its surface drawn, beyond its base-colour image: the colour
// factor over the texture, how its alpha counts, whether both sides show, and how its texture repeats.
#pragma once

#include "math/Vector.h"

#include <windows.h>

#include "core/Direct3D12.h"

#include <cstdint>
#include <vector>

struct aiMaterial;
struct aiScene;

enum class AlphaMode { Opaque, Mask, Blend };

struct MaterialLook {
  // Multiplies the texture. A material without a texture keeps 1 here: its colour is its 1 x 1 image.
  float4 BaseColourFactor = {1.0f, 1.0f, 1.0f, 1.0f};
  AlphaMode Alpha = AlphaMode::Opaque;
  float AlphaCutoff = 0.5f;  // Mask: fragments below it are dropped
  bool DoubleSided = false;
  D3D12_TEXTURE_ADDRESS_MODE WrapU = D3D12_TEXTURE_ADDRESS_MODE_WRAP;
  D3D12_TEXTURE_ADDRESS_MODE WrapV = D3D12_TEXTURE_ADDRESS_MODE_WRAP;
};

// The three address modes a material may ask for, in the order of the sampler table.
inline constexpr D3D12_TEXTURE_ADDRESS_MODE MaterialAddressModes[] = {
    D3D12_TEXTURE_ADDRESS_MODE_WRAP, D3D12_TEXTURE_ADDRESS_MODE_CLAMP, D3D12_TEXTURE_ADDRESS_MODE_MIRROR};
inline constexpr uint32_t MaterialSamplerCount = 9;

// The slot of the sampler table with the look's modes in U and V.
uint32_t SamplerIndex(const MaterialLook& look);

MaterialLook ReadMaterialLook(const aiMaterial& material);

// One look per material of the scene, in material order (a missing material gets the defaults).
std::vector<MaterialLook> ReadMaterialLooks(const aiScene& scene);
