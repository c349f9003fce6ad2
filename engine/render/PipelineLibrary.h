// Everything the frame binds by name: the compiled shaders, the "font" and "object" root signatures and
// the "default", "object" and "skinned" pipeline states, with the two vertex input layouts they are
// built from.
#pragma once

#include "core/Direct3D12.h"

#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

class PipelineLibrary {
 public:
  // Empty maps and layouts; the device is the shared one of the default adapter.
  PipelineLibrary();

  // Must run in this order, after both input layouts are filled. BuildShaders throws ShaderCompileError
  // for the first shader that fails: pipelines are never built from missing byte code.
  void BuildShaders();
  void BuildRootSignatures();
  void BuildPipelineStates();

  // Find-or-insert lookups: a name that was never built is entered with null, and null is returned.
  ID3D12PipelineState* GetPipelineState(const std::string& name);
  ID3D12RootSignature* GetRootSignature(const std::string& name);

  ID3D12Device* Device = nullptr;
  std::unordered_map<std::string, ID3D12PipelineState*> PipelineStates;
  std::unordered_map<std::string, ID3DBlob*> Shaders;
  std::unordered_map<std::string, ID3D12RootSignature*> RootSignatures;
  std::vector<D3D12_INPUT_ELEMENT_DESC> FontInputElements;
  std::vector<D3D12_INPUT_ELEMENT_DESC> ModelInputElements;

  // The steps of the three builds, for a scene that adds pipelines of its own under its own names.
  // CompileShader throws ShaderCompileError as BuildShaders does.
  void CompileShader(const char* name, const wchar_t* file, const char* target, const D3D_SHADER_MACRO* defines);
  // Each stores what it made under the name (null when it failed) and returns the creation's result.
  HRESULT CreateRootSignature(const std::string& name, const D3D12_ROOT_SIGNATURE_DESC& description);
  HRESULT CreatePipelineState(const std::string& name, const D3D12_GRAPHICS_PIPELINE_STATE_DESC& description);

  D3D12_SHADER_BYTECODE ByteCode(const std::string& shaderName);
  // The program's common pipeline state (one RGBA8 target, depth, culled back faces) with these parts.
  D3D12_GRAPHICS_PIPELINE_STATE_DESC Description(const std::string& rootSignature, const std::string& vertexShader,
                                                 const std::string& pixelShader,
                                                 const std::vector<D3D12_INPUT_ELEMENT_DESC>& layout);
};
