#include "ShaderTarget.h"

#include <array>
#include <utility>

namespace d3dcompiler {

namespace {

// Shader Model 5.x: the models whose HLSL the front end understands and the engine writes.
constexpr std::array<std::pair<std::string_view, shaderc_shader_kind>, 6> StagePrefixes{{
    {"vs_", shaderc_vertex_shader},
    {"ps_", shaderc_fragment_shader},
    {"gs_", shaderc_geometry_shader},
    {"hs_", shaderc_tess_control_shader},
    {"ds_", shaderc_tess_evaluation_shader},
    {"cs_", shaderc_compute_shader},
}};
constexpr std::array<std::string_view, 2> ShaderModels{"5_0", "5_1"};

}  // namespace

std::optional<shaderc_shader_kind> ShaderKindForTarget(std::string_view target) {
  for (const auto& [prefix, kind] : StagePrefixes) {
    if (!target.starts_with(prefix)) {
      continue;
    }
    for (std::string_view model : ShaderModels) {
      if (target.substr(prefix.size()) == model) {
        return kind;
      }
    }
  }
  return std::nullopt;
}

bool IsShaderModel6(std::string_view target) {
  const size_t separator = target.find('_');
  return separator != std::string_view::npos && target.substr(separator + 1).starts_with("6_");
}

std::string_view SupportedTargetsText() { return "vs, ps, gs, hs, ds or cs followed by _5_0 or _5_1"; }

}  // namespace d3dcompiler
