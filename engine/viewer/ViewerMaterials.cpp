#include "viewer/ViewerMaterials.h"

#include <assimp/GltfMaterial.h>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <cstring>

namespace {

uint32_t AddressModeIndex(D3D12_TEXTURE_ADDRESS_MODE mode) {
  for (uint32_t i = 0; i < 3; ++i) {
    if (MaterialAddressModes[i] == mode) {
      return i;
    }
  }
  return 0;
}

// Decal has no border colour to fall back on here; clamping keeps the texture's edge instead.
D3D12_TEXTURE_ADDRESS_MODE AddressMode(int mapping) {
  switch (mapping) {
    case aiTextureMapMode_Clamp:
    case aiTextureMapMode_Decal:
      return D3D12_TEXTURE_ADDRESS_MODE_CLAMP;
    case aiTextureMapMode_Mirror:
      return D3D12_TEXTURE_ADDRESS_MODE_MIRROR;
    default:
      return D3D12_TEXTURE_ADDRESS_MODE_WRAP;
  }
}

// The base-colour texture's type (glTF's base colour first, then the classic diffuse), or NONE.
aiTextureType BaseColourTextureType(const aiMaterial& material) {
  for (const aiTextureType type : {aiTextureType_BASE_COLOR, aiTextureType_DIFFUSE}) {
    aiString path;
    if (material.GetTextureCount(type) > 0 && material.GetTexture(type, 0, &path) == aiReturn_SUCCESS &&
        path.length > 0) {
      return type;
    }
  }
  return aiTextureType_NONE;
}

void ReadAlpha(const aiMaterial& material, MaterialLook& look) {
  // glTF says how its alpha counts; other formats give an opacity, and anything below 1 blends.
  aiString mode;
  if (material.Get(AI_MATKEY_GLTF_ALPHAMODE, mode) == aiReturn_SUCCESS) {
    if (std::strcmp(mode.C_Str(), "MASK") == 0) {
      look.Alpha = AlphaMode::Mask;
      material.Get(AI_MATKEY_GLTF_ALPHACUTOFF, look.AlphaCutoff);
    } else if (std::strcmp(mode.C_Str(), "BLEND") == 0) {
      look.Alpha = AlphaMode::Blend;
    }
    return;
  }
  float opacity = 1.0f;
  if (material.Get(AI_MATKEY_OPACITY, opacity) == aiReturn_SUCCESS && opacity < 1.0f && opacity >= 0.0f) {
    look.Alpha = AlphaMode::Blend;
    look.BaseColourFactor.w *= opacity;
  }
}

}  // namespace

uint32_t SamplerIndex(const MaterialLook& look) {
  return 3 * AddressModeIndex(look.WrapU) + AddressModeIndex(look.WrapV);
}

MaterialLook ReadMaterialLook(const aiMaterial& material) {
  MaterialLook look;
  const aiTextureType texture = BaseColourTextureType(material);
  if (texture != aiTextureType_NONE) {
    aiColor4D colour(1.0f, 1.0f, 1.0f, 1.0f);
    if (material.Get(AI_MATKEY_BASE_COLOR, colour) != aiReturn_SUCCESS) {
      material.Get(AI_MATKEY_COLOR_DIFFUSE, colour);
    }
    look.BaseColourFactor = {colour.r, colour.g, colour.b, colour.a};
    int mapping = aiTextureMapMode_Wrap;
    if (material.Get(AI_MATKEY_MAPPINGMODE_U(texture, 0), mapping) == aiReturn_SUCCESS) {
      look.WrapU = AddressMode(mapping);
    }
    mapping = aiTextureMapMode_Wrap;
    if (material.Get(AI_MATKEY_MAPPINGMODE_V(texture, 0), mapping) == aiReturn_SUCCESS) {
      look.WrapV = AddressMode(mapping);
    }
  }
  int twoSided = 0;
  look.DoubleSided = material.Get(AI_MATKEY_TWOSIDED, twoSided) == aiReturn_SUCCESS && twoSided != 0;
  ReadAlpha(material, look);
  return look;
}

std::vector<MaterialLook> ReadMaterialLooks(const aiScene& scene) {
  std::vector<MaterialLook> looks;
  for (unsigned int m = 0; scene.mMaterials != nullptr && m < scene.mNumMaterials; ++m) {
    looks.push_back(scene.mMaterials[m] != nullptr ? ReadMaterialLook(*scene.mMaterials[m]) : MaterialLook());
  }
  return looks;
}
