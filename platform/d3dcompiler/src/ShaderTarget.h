// Compile targets ("vs_4_0", "ps_5_1", ...) and the shader stage each one compiles for.
#pragma once

#include <shaderc/shaderc.h>

#include <optional>
#include <string_view>

namespace d3dcompiler {

// The stage a target names, or nothing for a target this compiler does not produce.
std::optional<shaderc_shader_kind> ShaderKindForTarget(std::string_view target);

// Whether a target names Shader Model 6 ("cs_6_0", "lib_6_3", ...), which compiles to DXIL.
bool IsShaderModel6(std::string_view target);

// The accepted targets, for messages.
std::string_view SupportedTargetsText();

}  // namespace d3dcompiler
