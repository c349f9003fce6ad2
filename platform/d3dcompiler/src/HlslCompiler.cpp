#include "HlslCompiler.h"

#include "ConstantBufferStatics.h"
#include "HlslRules.h"
#include "IncludeHandler.h"

#include <cstring>
#include <memory>

namespace d3dcompiler {

namespace {

// First binding of each register class inside a space's descriptor set; the D3D12 layer reads a binding
// back as class and register with the same numbers. Each class has 1024 registers per space: room for
// descriptor tables far past 32 registers, while a program that binds the SPIR-V itself in Vulkan still
// gets small binding numbers. An array (Texture2D t[8]) is one binding at its first register.
constexpr uint32_t ConstantBufferBindingBase = 0;      // b#
constexpr uint32_t TextureBindingBase = 1024;          // t#
constexpr uint32_t UnorderedAccessBindingBase = 2048;  // u#
constexpr uint32_t SamplerBindingBase = 3072;          // s#

using OptionsPointer = std::unique_ptr<shaderc_compile_options, decltype(&shaderc_compile_options_release)>;
using ResultPointer = std::unique_ptr<shaderc_compilation_result, decltype(&shaderc_result_release)>;

// One compiler for the whole process: shaderc compilers are thread-safe, and setting one up initialises
// glslang, which is not worth repeating per shader. It is never released, as it serves until exit.
shaderc_compiler_t SharedCompiler() {
  static const shaderc_compiler_t compiler = shaderc_compiler_initialize();
  return compiler;
}

void SelectHlslForVulkan(shaderc_compile_options_t options) {
  shaderc_compile_options_set_source_language(options, shaderc_source_language_hlsl);
  shaderc_compile_options_set_target_env(options, shaderc_target_env_vulkan, shaderc_env_version_vulkan_1_3);
  // glslang's HLSL front end still decorates structured, raw and typed UAV buffers with BufferBlock, which
  // SPIR-V dropped after 1.3; Vulkan 1.3 runs 1.3 modules, so every buffer kind compiles there.
  shaderc_compile_options_set_target_spirv(options, shaderc_spirv_version_1_3);
  // D3D's own rules for inputs, outputs and registers instead of GLSL's.
  shaderc_compile_options_set_hlsl_io_mapping(options, true);
  // Semantic names on the entry point's inputs and outputs, which input layouts are matched against.
  shaderc_compile_options_set_hlsl_functionality1(options, true);
}

// Explicit registers keep their numbers; a resource declared without one gets the first free register
// of its class, as the Windows compiler assigns it.
void ApplyBindingScheme(shaderc_compile_options_t options) {
  shaderc_compile_options_set_auto_bind_uniforms(options, true);
  shaderc_compile_options_set_binding_base(options, shaderc_uniform_kind_buffer, ConstantBufferBindingBase);
  shaderc_compile_options_set_binding_base(options, shaderc_uniform_kind_texture, TextureBindingBase);
  shaderc_compile_options_set_binding_base(options, shaderc_uniform_kind_unordered_access_view,
                                           UnorderedAccessBindingBase);
  shaderc_compile_options_set_binding_base(options, shaderc_uniform_kind_sampler, SamplerBindingBase);
}

// Debug builds are for stepping through in a graphics debugger, which needs the code as written.
bool WantsUnoptimisedCode(UINT flags) {
  constexpr UINT levelBits = D3DCOMPILE_OPTIMIZATION_LEVEL0 | D3DCOMPILE_OPTIMIZATION_LEVEL3;
  return (flags & (D3DCOMPILE_DEBUG | D3DCOMPILE_SKIP_OPTIMIZATION)) != 0 ||
         (flags & levelBits) == D3DCOMPILE_OPTIMIZATION_LEVEL0;
}

// Flags about the Windows compiler's own validation, strictness and flow control have no counterpart.
void ApplyFlags(shaderc_compile_options_t options, UINT flags) {
  if ((flags & D3DCOMPILE_DEBUG) != 0) {
    shaderc_compile_options_set_generate_debug_info(options);
  }
  // The HLSL rules' passes read names, so the front end leaves optimising to them (HlslRules::Finish).
  shaderc_compile_options_set_optimization_level(options, shaderc_optimization_level_zero);
  if ((flags & D3DCOMPILE_WARNINGS_ARE_ERRORS) != 0) {
    shaderc_compile_options_set_warnings_as_errors(options);
  }
}

// A macro without a definition means "defined", as NAME alone does on the compiler's command line.
void AddMacros(shaderc_compile_options_t options, const D3D_SHADER_MACRO* defines) {
  for (const D3D_SHADER_MACRO* macro = defines; macro != nullptr && macro->Name != nullptr; ++macro) {
    const char* value = macro->Definition != nullptr ? macro->Definition : "1";
    shaderc_compile_options_add_macro_definition(options, macro->Name, std::strlen(macro->Name), value,
                                                 std::strlen(value));
  }
}

// Matrices in constant buffers are column-major unless the caller asks for row-major packing; shaderc
// has no option for that, so the source opens with the pragma and a #line that keeps messages true.
std::string WithMatrixPacking(const CompileRequest& request) {
  std::string source;
  if ((request.Flags & D3DCOMPILE_PACK_MATRIX_ROW_MAJOR) != 0) {
    source = "#pragma pack_matrix(row_major)\n#line 1 \"" + request.SourceName + "\"\n";
  }
  source.append(WithStaticsOutsideConstantBuffers(request.Source));
  return source;
}

std::string StatusText(shaderc_compilation_status status) {
  switch (status) {
    case shaderc_compilation_status_success:
      return "success";
    case shaderc_compilation_status_invalid_stage:
      return "the shader stage could not be determined";
    case shaderc_compilation_status_compilation_error:
      return "compilation failed";
    case shaderc_compilation_status_internal_error:
      return "internal compiler error";
    case shaderc_compilation_status_null_result_object:
      return "the compiler produced no result";
    case shaderc_compilation_status_invalid_assembly:
      return "invalid assembly";
    case shaderc_compilation_status_validation_error:
      return "the generated code failed validation";
    case shaderc_compilation_status_transformation_error:
      return "the optimiser failed";
    case shaderc_compilation_status_configuration_error:
      return "the compiler was misconfigured";
  }
  return "unknown failure";
}

CompileOutcome OutcomeOf(const shaderc_compilation_result_t result, const CompileRequest& request) {
  CompileOutcome outcome;
  if (result == nullptr) {
    outcome.Result = E_OUTOFMEMORY;
    outcome.Messages = request.SourceName + ": error: the compiler could not be started\n";
    return outcome;
  }
  outcome.Messages = shaderc_result_get_error_message(result);
  const shaderc_compilation_status status = shaderc_result_get_compilation_status(result);
  if (status != shaderc_compilation_status_success) {
    // Some failures (a missing entry point) come with nothing but a warning; say what failed.
    if (outcome.Messages.find(": error") == std::string::npos) {
      outcome.Messages += request.SourceName + ": error: entry point '" + request.EntryPoint +
                          "' not compiled: " + StatusText(status) + "\n";
    }
    outcome.Result = E_FAIL;
    return outcome;
  }
  const auto* bytes = reinterpret_cast<const std::byte*>(shaderc_result_get_bytes(result));
  outcome.Code.assign(bytes, bytes + shaderc_result_get_length(result));
  outcome.Result = S_OK;
  return outcome;
}

}  // namespace

CompileOutcome CompileHlsl(const CompileRequest& request) {
  const shaderc_compiler_t compiler = SharedCompiler();
  OptionsPointer options(shaderc_compile_options_initialize(), &shaderc_compile_options_release);
  if (compiler == nullptr || options == nullptr) {
    return OutcomeOf(nullptr, request);
  }
  SelectHlslForVulkan(options.get());
  ApplyBindingScheme(options.get());
  ApplyFlags(options.get(), request.Flags);
  AddMacros(options.get(), request.Defines);
  IncludeHandler includes(request.Include, request.SourceName);
  includes.InstallInto(options.get());

  const HlslRules rules(request, WithMatrixPacking(request), !WantsUnoptimisedCode(request.Flags));
  const std::string& source = rules.Source();
  ResultPointer result(shaderc_compile_into_spv(compiler, source.data(), source.size(), request.Stage,
                                                request.SourceName.c_str(), request.EntryPoint.c_str(), options.get()),
                       &shaderc_result_release);
  return rules.Finish(OutcomeOf(result.get(), request));
}

}  // namespace d3dcompiler
