// The viewer's own pipelines, added to the Renderer's library under "viewer" names: one root signature
// whose texture is sampled through a table of the nine wrap-mode samplers, and an opaque and a blended
// pipeline state, each culled and double-sided.
#pragma once

#include "viewer/ViewerMaterials.h"

#include <windows.h>

#include "core/Direct3D12.h"

#include <cstdint>

class PipelineLibrary;

// Root parameters of the "viewer" root signature: the object root signature's four, then the sampler table
// and the material's constants.
enum ViewerRootParameter : UINT {
  ViewerPassTable = 0,
  ViewerObjectTable = 1,
  ViewerTextureTable = 2,
  ViewerBoneTable = 3,
  ViewerSamplerTable = 4,
  ViewerMaterialConstants = 5,
};

// What the pixel shader reads from register b3, as root constants.
struct MaterialConstants {
  float BaseColourFactor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  float AlphaCutoff = -1.0f;
  float Blended = 0.0f;
};
inline constexpr UINT MaterialConstantCount = sizeof(MaterialConstants) / 4;

MaterialConstants ConstantsOf(const MaterialLook& look);

struct ViewerPipelines {
  ID3D12RootSignature* RootSignature = nullptr;
  ID3D12PipelineState* Opaque = nullptr;
  ID3D12PipelineState* OpaqueDoubleSided = nullptr;
  ID3D12PipelineState* Blended = nullptr;
  ID3D12PipelineState* BlendedDoubleSided = nullptr;
  ID3D12DescriptorHeap* SamplerHeap = nullptr;  // shader visible, MaterialSamplerCount samplers
  uint32_t SamplerDescriptorSize = 0;

  // Compiles the viewer shaders, makes the root signature, the four states and the sampler table. Throws
  // ShaderCompileError for a shader that does not compile and stops when the heap cannot be made.
  void Build(PipelineLibrary& library, ID3D12Device* device);

  ID3D12PipelineState* For(const MaterialLook& look) const;
  D3D12_GPU_DESCRIPTOR_HANDLE Sampler(const MaterialLook& look) const;
};
