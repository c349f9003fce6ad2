#include "render/PipelineLibrary.h"

#include "core/Direct3D12.h"
#include "core/ErrorText.h"
#include "core/Log.h"
#include "render/ShaderCompileError.h"

#include <wrl/client.h>

#include <iterator>
#include <string_view>

using Microsoft::WRL::ComPtr;

namespace {

struct ShaderSource {
  const char* Name;
  const wchar_t* File;
  const char* Target;
  bool Skinned;
};

// Both variants of the object shaders come from the same two files; only the SKINNED macro differs.
constexpr ShaderSource ShaderSources[] = {
    {"FontVS", L"Shaders/FontVS.hlsl", "vs_5_0", false},  {"FontPS", L"Shaders/FontPS.hlsl", "ps_5_0", false},
    {"SkinnedVS", L"Shaders/objVS.hlsl", "vs_5_0", true}, {"SkinnedPS", L"Shaders/objPS.hlsl", "ps_5_0", true},
    {"ObjVS", L"Shaders/objVS.hlsl", "vs_5_0", false},    {"ObjPS", L"Shaders/objPS.hlsl", "ps_5_0", false},
};

constexpr D3D_SHADER_MACRO SkinnedDefines[] = {{"SKINNED", "1"}, {nullptr, nullptr}};

// The first error line of the compiler's messages (they may open with warnings), else their first line.
std::string FirstErrorLine(std::string_view messages) {
  const size_t error = messages.find(": error");
  const size_t lineStart = error == std::string_view::npos ? 0 : messages.rfind('\n', error) + 1;  // npos + 1 == 0
  const std::string_view rest = messages.substr(lineStart);
  return std::string(rest.substr(0, rest.find_first_of("\r\n")));
}

std::string CompileFailureLine(const wchar_t* file, HRESULT result, ID3DBlob* errors) {
  if (errors != nullptr && errors->GetBufferSize() > 0) {
    const std::string_view messages(static_cast<const char*>(errors->GetBufferPointer()), errors->GetBufferSize());
    const std::string line = FirstErrorLine(messages);
    if (!line.empty() && line.front() != '\0') {
      return line;
    }
  }
  return FileNameText(file) + ": error: the shader does not compile (" + HexCode(result) + ")";
}

// The one sampler both root signatures carry: the font atlas and the model texture are sampled alike.
CD3DX12_STATIC_SAMPLER_DESC TextureSampler() {
  return CD3DX12_STATIC_SAMPLER_DESC(0, D3D12_FILTER_MIN_MAG_LINEAR_MIP_POINT, D3D12_TEXTURE_ADDRESS_MODE_WRAP,
                                     D3D12_TEXTURE_ADDRESS_MODE_WRAP, D3D12_TEXTURE_ADDRESS_MODE_WRAP, 0.0f, 16,
                                     D3D12_COMPARISON_FUNC_LESS_EQUAL, D3D12_STATIC_BORDER_COLOR_OPAQUE_WHITE, 0.0f,
                                     D3D12_FLOAT32_MAX, D3D12_SHADER_VISIBILITY_ALL, 0);
}

// Every root parameter is a table of one descriptor, so each can point anywhere in the heap on its own.
CD3DX12_DESCRIPTOR_RANGE SingleDescriptor(D3D12_DESCRIPTOR_RANGE_TYPE type, UINT shaderRegister) {
  return CD3DX12_DESCRIPTOR_RANGE(type, 1, shaderRegister, 0, D3D12_DESCRIPTOR_RANGE_OFFSET_APPEND);
}

D3D12_GRAPHICS_PIPELINE_STATE_DESC BasePipelineDescription() {
  D3D12_GRAPHICS_PIPELINE_STATE_DESC description = {};
  description.SampleMask = 0xFFFFFFFF;
  description.RasterizerState = CD3DX12_RASTERIZER_DESC(D3D12_DEFAULT);
  description.BlendState = CD3DX12_BLEND_DESC(D3D12_DEFAULT);
  description.DepthStencilState = CD3DX12_DEPTH_STENCIL_DESC(D3D12_DEFAULT);
  description.IBStripCutValue = D3D12_INDEX_BUFFER_STRIP_CUT_VALUE_DISABLED;
  description.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
  description.NumRenderTargets = 1;
  description.RTVFormats[0] = DXGI_FORMAT_R8G8B8A8_UNORM;
  description.DSVFormat = DXGI_FORMAT_D24_UNORM_S8_UINT;
  description.SampleDesc = {1, 0};
  return description;
}

// Text is composited over the scene by its alpha and ignores depth.
void MakeTranslucentOverlay(D3D12_GRAPHICS_PIPELINE_STATE_DESC& description) {
  description.DepthStencilState.DepthEnable = FALSE;
  D3D12_RENDER_TARGET_BLEND_DESC& target = description.BlendState.RenderTarget[0];
  target.BlendEnable = TRUE;
  target.SrcBlend = D3D12_BLEND_SRC_ALPHA;
  target.DestBlend = D3D12_BLEND_INV_SRC_ALPHA;
  target.BlendOp = D3D12_BLEND_OP_ADD;
  target.SrcBlendAlpha = D3D12_BLEND_ONE;
  target.DestBlendAlpha = D3D12_BLEND_ZERO;
  target.BlendOpAlpha = D3D12_BLEND_OP_ADD;
}

// The failure line of a creation the start-up reports; the program goes on without the object.
void LogFailure(HRESULT result) {
  if (FAILED(result)) {
    LogResult(L"test", result);
  }
}

}  // namespace

PipelineLibrary::PipelineLibrary() {
  // Every GPU-side object asks for the device itself and receives the one device of the default adapter.
  D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&Device));
}

void PipelineLibrary::BuildShaders() {
  for (const ShaderSource& source : ShaderSources) {
    CompileShader(source.Name, source.File, source.Target, source.Skinned ? SkinnedDefines : nullptr);
  }
}

void PipelineLibrary::CompileShader(const char* name, const wchar_t* file, const char* target,
                                    const D3D_SHADER_MACRO* defines) {
  ComPtr<ID3DBlob> code;
  ComPtr<ID3DBlob> errors;  // warnings only, when the compile succeeds
  const HRESULT result = D3DCompileFromFile(file, defines, D3D_COMPILE_STANDARD_FILE_INCLUDE, "main", target,
                                            D3DCOMPILE_DEBUG, 0, &code, &errors);
  if (FAILED(result) || code == nullptr) {
    throw ShaderCompileError(CompileFailureLine(file, result, errors.Get()));
  }
  Shaders[name] = code.Detach();
}

void PipelineLibrary::BuildRootSignatures() {
  const CD3DX12_STATIC_SAMPLER_DESC sampler = TextureSampler();
  constexpr D3D12_ROOT_SIGNATURE_FLAGS flags = D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT;
  const CD3DX12_DESCRIPTOR_RANGE texture = SingleDescriptor(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 0);
  const CD3DX12_DESCRIPTOR_RANGE passConstants = SingleDescriptor(D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 0);
  const CD3DX12_DESCRIPTOR_RANGE objectConstants = SingleDescriptor(D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1);
  const CD3DX12_DESCRIPTOR_RANGE bonePalette = SingleDescriptor(D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 2);

  CD3DX12_ROOT_PARAMETER fontParameters[1];
  fontParameters[0].InitAsDescriptorTable(1, &texture);
  LogFailure(CreateRootSignature("font", CD3DX12_ROOT_SIGNATURE_DESC(static_cast<UINT>(std::size(fontParameters)),
                                                                     fontParameters, 1, &sampler, flags)));

  // The frame addresses these by position: 0 pass constants, 1 object constants, 2 texture, 3 bones.
  CD3DX12_ROOT_PARAMETER objectParameters[4];
  objectParameters[0].InitAsDescriptorTable(1, &passConstants);
  objectParameters[1].InitAsDescriptorTable(1, &objectConstants);
  objectParameters[2].InitAsDescriptorTable(1, &texture);
  objectParameters[3].InitAsDescriptorTable(1, &bonePalette);
  CreateRootSignature("object", CD3DX12_ROOT_SIGNATURE_DESC(static_cast<UINT>(std::size(objectParameters)),
                                                            objectParameters, 1, &sampler, flags));
}

HRESULT PipelineLibrary::CreateRootSignature(const std::string& name, const D3D12_ROOT_SIGNATURE_DESC& description) {
  ComPtr<ID3DBlob> serialized;
  ComPtr<ID3DBlob> errors;
  HRESULT result = D3D12SerializeRootSignature(&description, D3D_ROOT_SIGNATURE_VERSION_1, &serialized, &errors);
  ID3D12RootSignature* rootSignature = nullptr;
  if (SUCCEEDED(result) && serialized != nullptr) {
    result = Device->CreateRootSignature(0, serialized->GetBufferPointer(), serialized->GetBufferSize(),
                                         IID_PPV_ARGS(&rootSignature));
  }
  RootSignatures[name] = rootSignature;
  return result;
}

D3D12_SHADER_BYTECODE PipelineLibrary::ByteCode(const std::string& shaderName) {
  ID3DBlob* code = Shaders[shaderName];
  if (code == nullptr) {
    return {};
  }
  return {code->GetBufferPointer(), code->GetBufferSize()};
}

D3D12_GRAPHICS_PIPELINE_STATE_DESC PipelineLibrary::Description(const std::string& rootSignature,
                                                                const std::string& vertexShader,
                                                                const std::string& pixelShader,
                                                                const std::vector<D3D12_INPUT_ELEMENT_DESC>& layout) {
  D3D12_GRAPHICS_PIPELINE_STATE_DESC description = BasePipelineDescription();
  description.pRootSignature = GetRootSignature(rootSignature);
  description.VS = ByteCode(vertexShader);
  description.PS = ByteCode(pixelShader);
  description.InputLayout = {layout.data(), static_cast<UINT>(layout.size())};
  return description;
}

HRESULT PipelineLibrary::CreatePipelineState(const std::string& name,
                                             const D3D12_GRAPHICS_PIPELINE_STATE_DESC& description) {
  ID3D12PipelineState* state = nullptr;
  const HRESULT result = Device->CreateGraphicsPipelineState(&description, IID_PPV_ARGS(&state));
  PipelineStates[name] = state;
  return result;
}

void PipelineLibrary::BuildPipelineStates() {
  D3D12_GRAPHICS_PIPELINE_STATE_DESC text = Description("font", "FontVS", "FontPS", FontInputElements);
  MakeTranslucentOverlay(text);
  LogFailure(CreatePipelineState("default", text));

  const D3D12_GRAPHICS_PIPELINE_STATE_DESC object = Description("object", "ObjVS", "ObjPS", ModelInputElements);
  LogFailure(CreatePipelineState("object", object));

  // The same states and, since the object shader skins in both variants, the same picture as "object". The
  // frame binds "object" for every mesh; this one is built for programs that ask for it by name.
  D3D12_GRAPHICS_PIPELINE_STATE_DESC skinned = object;
  skinned.VS = ByteCode("SkinnedVS");
  skinned.PS = ByteCode("SkinnedPS");
  CreatePipelineState("skinned", skinned);
}

ID3D12PipelineState* PipelineLibrary::GetPipelineState(const std::string& name) { return PipelineStates[name]; }

ID3D12RootSignature* PipelineLibrary::GetRootSignature(const std::string& name) { return RootSignatures[name]; }
