// Compile targets ("vs_5_0", "ps_5_1", ...) and the shader stage each one compiles for.
#pragma once

#include <shaderc/shaderc.h>

#include <optional>
#include <string_view>

namespace d3dcompiler {

// The stage a target names, or nothing for a target this compiler does not produce.
std::optional<shaderc_shader_kind> ShaderKindForTarget(std::string_view target);

// The accepted targets, for messages.
std::string_view SupportedTargetsText();

}  // namespace d3dcompiler
