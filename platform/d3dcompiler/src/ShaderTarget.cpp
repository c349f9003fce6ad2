#include "ShaderTarget.h"

#include <array>
#include <utility>

namespace d3dcompiler {

namespace {

struct StageModels {
  std::string_view Prefix;
  shaderc_shader_kind Kind;
  bool Model4;  // the stage exists in shader model 4 (hull and domain shaders came with 5)
};

constexpr std::array<StageModels, 6> Stages{{
    {"vs_", shaderc_vertex_shader, true},
    {"ps_", shaderc_fragment_shader, true},
    {"gs_", shaderc_geometry_shader, true},
    {"hs_", shaderc_tess_control_shader, false},
    {"ds_", shaderc_tess_evaluation_shader, false},
    {"cs_", shaderc_compute_shader, true},
}};
constexpr std::array<std::string_view, 2> Models5{"5_0", "5_1"};
constexpr std::array<std::string_view, 2> Models4{"4_0", "4_1"};
// The Direct3D 9 feature levels' subsets of 4.0, for vertex and pixel shaders only (9_2 runs 9_1's).
constexpr std::array<std::string_view, 2> Level9Models{"4_0_level_9_1", "4_0_level_9_3"};

template <size_t Count>
bool IsOneOf(std::string_view model, const std::array<std::string_view, Count>& models) {
  for (std::string_view known : models) {
    if (model == known) return true;
  }
  return false;
}

}  // namespace

std::optional<shaderc_shader_kind> ShaderKindForTarget(std::string_view target) {
  for (const StageModels& stage : Stages) {
    if (!target.starts_with(stage.Prefix)) continue;
    const std::string_view model = target.substr(stage.Prefix.size());
    const bool level9 = stage.Kind == shaderc_vertex_shader || stage.Kind == shaderc_fragment_shader;
    if (IsOneOf(model, Models5) || (stage.Model4 && IsOneOf(model, Models4)) ||
        (level9 && IsOneOf(model, Level9Models))) {
      return stage.Kind;
    }
  }
  return std::nullopt;
}

bool IsShaderModel6(std::string_view target) {
  const size_t separator = target.find('_');
  return separator != std::string_view::npos && target.substr(separator + 1).starts_with("6_");
}

std::string_view SupportedTargetsText() {
  return "vs, ps, gs or cs followed by _4_0, _4_1, _5_0 or _5_1; hs or ds followed by _5_0 or _5_1; "
         "vs or ps followed by _4_0_level_9_1 or _4_0_level_9_3";
}

}  // namespace d3dcompiler
