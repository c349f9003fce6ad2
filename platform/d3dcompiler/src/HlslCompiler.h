// One HLSL compilation on shaderc, set up to produce SPIR-V that the Direct3D 12 layer binds by D3D's
// rules: descriptor set = register space, binding = class base + register number (b: 0, t: 1024,
// u: 2048, s: 3072), entry-point inputs and outputs decorated with their semantics (UserSemantic).
#pragma once

#include <d3dcompiler.h>
#include <shaderc/shaderc.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace d3dcompiler {

struct CompileRequest {
  std::string_view Source;
  std::string SourceName;  // names the source in messages; the standard include handler searches its folder
  const D3D_SHADER_MACRO* Defines = nullptr;
  ID3DInclude* Include = nullptr;
  std::string EntryPoint;
  shaderc_shader_kind Stage = shaderc_vertex_shader;
  UINT Flags = 0;  // D3DCOMPILE_* flags
};

struct CompileOutcome {
  HRESULT Result = E_FAIL;
  std::vector<std::byte> Code;  // SPIR-V words when Result succeeded
  std::string Messages;         // "<file>:<line>: error: ..." lines on failure; warnings, if any, on success
};

CompileOutcome CompileHlsl(const CompileRequest& request);

}  // namespace d3dcompiler
