#include "viewer/ViewerPipelines.h"

#include "core/ErrorText.h"
#include "render/PipelineLibrary.h"
#include "render/StructGetters.h"

#include "core/Direct3D12.h"

#include <iterator>

namespace {

CD3DX12_DESCRIPTOR_RANGE SingleDescriptor(D3D12_DESCRIPTOR_RANGE_TYPE type, UINT shaderRegister) {
  return CD3DX12_DESCRIPTOR_RANGE(type, 1, shaderRegister, 0, D3D12_DESCRIPTOR_RANGE_OFFSET_APPEND);
}

HRESULT CreateViewerRootSignature(PipelineLibrary& library) {
  const CD3DX12_DESCRIPTOR_RANGE passConstants = SingleDescriptor(D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 0);
  const CD3DX12_DESCRIPTOR_RANGE objectConstants = SingleDescriptor(D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1);
  const CD3DX12_DESCRIPTOR_RANGE texture = SingleDescriptor(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 0);
  const CD3DX12_DESCRIPTOR_RANGE bonePalette = SingleDescriptor(D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 2);
  const CD3DX12_DESCRIPTOR_RANGE sampler = SingleDescriptor(D3D12_DESCRIPTOR_RANGE_TYPE_SAMPLER, 0);
  CD3DX12_ROOT_PARAMETER parameters[6];
  parameters[ViewerPassTable].InitAsDescriptorTable(1, &passConstants);
  parameters[ViewerObjectTable].InitAsDescriptorTable(1, &objectConstants);
  parameters[ViewerTextureTable].InitAsDescriptorTable(1, &texture);
  parameters[ViewerBoneTable].InitAsDescriptorTable(1, &bonePalette);
  parameters[ViewerSamplerTable].InitAsDescriptorTable(1, &sampler, D3D12_SHADER_VISIBILITY_PIXEL);
  parameters[ViewerMaterialConstants].InitAsConstants(MaterialConstantCount, 3, 0, D3D12_SHADER_VISIBILITY_PIXEL);
  return library.CreateRootSignature(
      "viewer", CD3DX12_ROOT_SIGNATURE_DESC(static_cast<UINT>(std::size(parameters)), parameters, 0, nullptr,
                                            D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT));
}

// Blended surfaces are composited over what is behind them and leave the depth buffer to the opaque ones.
void MakeBlended(D3D12_GRAPHICS_PIPELINE_STATE_DESC& description) {
  description.DepthStencilState.DepthWriteMask = D3D12_DEPTH_WRITE_MASK_ZERO;
  D3D12_RENDER_TARGET_BLEND_DESC& target = description.BlendState.RenderTarget[0];
  target.BlendEnable = TRUE;
  target.SrcBlend = D3D12_BLEND_SRC_ALPHA;
  target.DestBlend = D3D12_BLEND_INV_SRC_ALPHA;
  target.BlendOp = D3D12_BLEND_OP_ADD;
  target.SrcBlendAlpha = D3D12_BLEND_ONE;
  target.DestBlendAlpha = D3D12_BLEND_INV_SRC_ALPHA;
  target.BlendOpAlpha = D3D12_BLEND_OP_ADD;
}

ID3D12PipelineState* CreateState(PipelineLibrary& library, const char* name,
                                 D3D12_GRAPHICS_PIPELINE_STATE_DESC description, bool blended, bool doubleSided) {
  if (blended) {
    MakeBlended(description);
  }
  if (doubleSided) {
    description.RasterizerState.CullMode = D3D12_CULL_MODE_NONE;
  }
  StopIfFailed(library.CreatePipelineState(name, description), "ID3D12Device::CreateGraphicsPipelineState",
               "cannot create the viewer's pipeline state");
  return library.GetPipelineState(name);
}

void CreateSamplers(ViewerPipelines& pipelines, ID3D12Device* device) {
  const D3D12_DESCRIPTOR_HEAP_DESC heap = {D3D12_DESCRIPTOR_HEAP_TYPE_SAMPLER, MaterialSamplerCount,
                                           D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, 0};
  StopIfFailed(device->CreateDescriptorHeap(&heap, IID_PPV_ARGS(&pipelines.SamplerHeap)),
               "ID3D12Device::CreateDescriptorHeap", "cannot create the viewer's sampler heap");
  pipelines.SamplerDescriptorSize = device->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_SAMPLER);
  D3D12_CPU_DESCRIPTOR_HANDLE handle = CpuHeapStart(pipelines.SamplerHeap);
  // The same filter as the program's static sampler, in every combination of the modes.
  for (const D3D12_TEXTURE_ADDRESS_MODE u : MaterialAddressModes) {
    for (const D3D12_TEXTURE_ADDRESS_MODE v : MaterialAddressModes) {
      D3D12_SAMPLER_DESC sampler = {};
      sampler.Filter = D3D12_FILTER_MIN_MAG_LINEAR_MIP_POINT;
      sampler.AddressU = u;
      sampler.AddressV = v;
      sampler.AddressW = D3D12_TEXTURE_ADDRESS_MODE_WRAP;
      sampler.MaxAnisotropy = 16;
      sampler.ComparisonFunc = D3D12_COMPARISON_FUNC_LESS_EQUAL;
      sampler.MaxLOD = D3D12_FLOAT32_MAX;
      device->CreateSampler(&sampler, handle);
      handle.ptr += pipelines.SamplerDescriptorSize;
    }
  }
}

}  // namespace

MaterialConstants ConstantsOf(const MaterialLook& look) {
  MaterialConstants constants;
  constants.BaseColourFactor[0] = look.BaseColourFactor.x;
  constants.BaseColourFactor[1] = look.BaseColourFactor.y;
  constants.BaseColourFactor[2] = look.BaseColourFactor.z;
  constants.BaseColourFactor[3] = look.BaseColourFactor.w;
  constants.AlphaCutoff = look.Alpha == AlphaMode::Mask ? look.AlphaCutoff : -1.0f;
  constants.Blended = look.Alpha == AlphaMode::Blend ? 1.0f : 0.0f;
  return constants;
}

void ViewerPipelines::Build(PipelineLibrary& library, ID3D12Device* device) {
  library.CompileShader("ViewerVS", L"Shaders/viewerVS.hlsl", "vs_5_0", nullptr);
  library.CompileShader("ViewerPS", L"Shaders/viewerPS.hlsl", "ps_5_0", nullptr);
  StopIfFailed(CreateViewerRootSignature(library), "ID3D12Device::CreateRootSignature",
               "cannot create the viewer's root signature");
  RootSignature = library.GetRootSignature("viewer");
  const D3D12_GRAPHICS_PIPELINE_STATE_DESC base =
      library.Description("viewer", "ViewerVS", "ViewerPS", library.ModelInputElements);
  Opaque = CreateState(library, "viewer-opaque", base, false, false);
  OpaqueDoubleSided = CreateState(library, "viewer-opaque-double-sided", base, false, true);
  Blended = CreateState(library, "viewer-blended", base, true, false);
  BlendedDoubleSided = CreateState(library, "viewer-blended-double-sided", base, true, true);
  CreateSamplers(*this, device);
}

ID3D12PipelineState* ViewerPipelines::For(const MaterialLook& look) const {
  if (look.Alpha == AlphaMode::Blend) {
    return look.DoubleSided ? BlendedDoubleSided : Blended;
  }
  return look.DoubleSided ? OpaqueDoubleSided : Opaque;
}

D3D12_GPU_DESCRIPTOR_HANDLE ViewerPipelines::Sampler(const MaterialLook& look) const {
  D3D12_GPU_DESCRIPTOR_HANDLE handle = GpuHeapStart(SamplerHeap);
  handle.ptr += uint64_t{SamplerIndex(look)} * SamplerDescriptorSize;
  return handle;
}
