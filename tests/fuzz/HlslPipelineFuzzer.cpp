// HLSL text through the compiler and into a pipeline: the text's VSMain and PSMain are compiled (vs_5_0,
// ps_5_0) by D3DCompile, whose front end runs in its helper process, and a pair that compiles becomes a
// graphics pipeline on a real device. Any source must end in byte code or a failing HRESULT, never a
// crash of this process, and what the layer hands Vulkan must not upset its validation layer.
#include <d3d12.h>
#include <d3d12_vk_diagnostics.h>
#include <d3dcompiler.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using Microsoft::WRL::ComPtr;

namespace {

// What the vertex shaders of the corpus read; a shader reading anything else is refused, which is fine.
const D3D12_INPUT_ELEMENT_DESC InputLayout[] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0},
    {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 12, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0},
    {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 20, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0},
};

struct Device {
  ComPtr<ID3D12Device> Device;
  ComPtr<ID3D12RootSignature> Root;
};

// A root signature with one constant buffer, one texture and one sampler at register 0 of space 0: enough
// for shaders like the engine's, while others are refused for reading what it lacks.
ComPtr<ID3D12RootSignature> CreateRoot(ID3D12Device* device) {
  const D3D12_DESCRIPTOR_RANGE texture{D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 1, 0, 0, 0};
  D3D12_ROOT_PARAMETER parameters[2] = {};
  parameters[0].ParameterType = D3D12_ROOT_PARAMETER_TYPE_CBV;
  parameters[0].ShaderVisibility = D3D12_SHADER_VISIBILITY_ALL;
  parameters[1].ParameterType = D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE;
  parameters[1].DescriptorTable = {1, &texture};
  parameters[1].ShaderVisibility = D3D12_SHADER_VISIBILITY_PIXEL;
  D3D12_STATIC_SAMPLER_DESC sampler{};
  sampler.Filter = D3D12_FILTER_MIN_MAG_MIP_LINEAR;
  sampler.AddressU = sampler.AddressV = sampler.AddressW = D3D12_TEXTURE_ADDRESS_MODE_WRAP;
  sampler.MaxLOD = D3D12_FLOAT32_MAX;
  sampler.ShaderVisibility = D3D12_SHADER_VISIBILITY_PIXEL;
  const D3D12_ROOT_SIGNATURE_DESC desc{2, parameters, 1, &sampler,
                                       D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT};
  ComPtr<ID3DBlob> blob, errors;
  ComPtr<ID3D12RootSignature> root;
  if (FAILED(D3D12SerializeRootSignature(&desc, D3D_ROOT_SIGNATURE_VERSION_1, &blob, &errors)) ||
      FAILED(device->CreateRootSignature(0, blob->GetBufferPointer(), blob->GetBufferSize(), IID_PPV_ARGS(&root)))) {
    std::fprintf(stderr, "hlsl_pipeline fuzzer: cannot create its root signature\n");
    std::abort();
  }
  return root;
}

Device& SharedDevice() {
  static Device* device = [] {
    auto* made = new Device;
    if (FAILED(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&made->Device)))) {
      std::fprintf(stderr, "hlsl_pipeline fuzzer: no Direct3D 12 device\n");
      std::abort();
    }
    made->Root = CreateRoot(made->Device.Get());
    return made;
  }();
  return *device;
}

ComPtr<ID3DBlob> Compile(const std::string& source, const char* entry, const char* target) {
  ComPtr<ID3DBlob> code, errors;
  const HRESULT result = D3DCompile(source.data(), source.size(), "fuzz.hlsl", nullptr, nullptr, entry, target, 0, 0,
                                    &code, &errors);
  if (SUCCEEDED(result) == (code == nullptr) || (FAILED(result) && errors == nullptr)) {
    std::fprintf(stderr, "hlsl_pipeline fuzzer: D3DCompile returned 0x%08x without %s\n", unsigned(result),
                 SUCCEEDED(result) ? "code" : "an error blob");
    std::abort();
  }
  return code;
}

void CreatePipeline(ID3DBlob* vs, ID3DBlob* ps) {
  Device& device = SharedDevice();
  D3D12_GRAPHICS_PIPELINE_STATE_DESC desc{};
  desc.pRootSignature = device.Root.Get();
  desc.VS = {vs->GetBufferPointer(), vs->GetBufferSize()};
  desc.PS = {ps->GetBufferPointer(), ps->GetBufferSize()};
  desc.InputLayout = {InputLayout, 3};
  desc.BlendState.RenderTarget[0].RenderTargetWriteMask = D3D12_COLOR_WRITE_ENABLE_ALL;
  desc.SampleMask = UINT_MAX;
  desc.RasterizerState.FillMode = D3D12_FILL_MODE_SOLID;
  desc.RasterizerState.CullMode = D3D12_CULL_MODE_NONE;
  desc.RasterizerState.DepthClipEnable = TRUE;
  desc.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
  desc.NumRenderTargets = 1;
  desc.RTVFormats[0] = DXGI_FORMAT_R8G8B8A8_UNORM;
  desc.SampleDesc.Count = 1;
  const uint32_t messagesBefore = d3d12_vk::ValidationMessageCount();
  ComPtr<ID3D12PipelineState> pipeline;
  device.Device->CreateGraphicsPipelineState(&desc, IID_PPV_ARGS(&pipeline));
  if (d3d12_vk::ValidationMessageCount() != messagesBefore) {
    std::fprintf(stderr, "hlsl_pipeline fuzzer: the pipeline upset the Vulkan validation layer (see above)\n");
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Every input is new: keeping their code would only fill the disk.
  static const bool uncached = setenv("D3DCOMPILER_CACHE", "off", 1) == 0;
  (void)uncached;
  const std::string source(reinterpret_cast<const char*>(data), size);
  const ComPtr<ID3DBlob> vs = Compile(source, "VSMain", "vs_5_0");
  const ComPtr<ID3DBlob> ps = Compile(source, "PSMain", "ps_5_0");
  if (vs != nullptr && ps != nullptr) CreatePipeline(vs.Get(), ps.Get());
  return 0;
}
