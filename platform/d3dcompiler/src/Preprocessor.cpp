#include "Preprocessor.h"

#include "IncludeHandler.h"

#include <cstring>
#include <memory>

namespace d3dcompiler {

namespace {

using OptionsPointer = std::unique_ptr<shaderc_compile_options, decltype(&shaderc_compile_options_release)>;
using ResultPointer = std::unique_ptr<shaderc_compilation_result, decltype(&shaderc_result_release)>;
using CompilerPointer = std::unique_ptr<shaderc_compiler, decltype(&shaderc_compiler_release)>;

// As the compiler sees them: a macro without a definition is defined as 1.
void AddDefines(shaderc_compile_options_t options, const D3D_SHADER_MACRO* defines) {
  for (const D3D_SHADER_MACRO* macro = defines; macro != nullptr && macro->Name != nullptr; ++macro) {
    const char* value = macro->Definition != nullptr ? macro->Definition : "1";
    shaderc_compile_options_add_macro_definition(options, macro->Name, std::strlen(macro->Name), value,
                                                 std::strlen(value));
  }
}

}  // namespace

CompileOutcome PreprocessHlsl(const CompileRequest& request) {
  CompileOutcome outcome;
  CompilerPointer compiler(shaderc_compiler_initialize(), &shaderc_compiler_release);
  OptionsPointer options(shaderc_compile_options_initialize(), &shaderc_compile_options_release);
  if (compiler == nullptr || options == nullptr) {
    outcome.Result = E_OUTOFMEMORY;
    outcome.Messages = request.SourceName + ": error: the preprocessor could not be started\n";
    return outcome;
  }
  shaderc_compile_options_set_source_language(options.get(), shaderc_source_language_hlsl);
  AddDefines(options.get(), request.Defines);
  IncludeHandler includes(request.Include, request.SourceName);
  includes.InstallInto(options.get());
  const std::string source(request.Source);
  ResultPointer result(shaderc_compile_into_preprocessed_text(compiler.get(), source.data(), source.size(),
                                                              request.Stage, request.SourceName.c_str(),
                                                              request.EntryPoint.c_str(), options.get()),
                       &shaderc_result_release);
  if (result == nullptr) {
    outcome.Result = E_OUTOFMEMORY;
    outcome.Messages = request.SourceName + ": error: the preprocessor produced no result\n";
    return outcome;
  }
  outcome.Messages = shaderc_result_get_error_message(result.get());
  if (shaderc_result_get_compilation_status(result.get()) != shaderc_compilation_status_success) {
    if (outcome.Messages.find(": error") == std::string::npos) {
      outcome.Messages += request.SourceName + ": error: preprocessing failed\n";
    }
    outcome.Result = E_FAIL;
    return outcome;
  }
  const auto* bytes = reinterpret_cast<const std::byte*>(shaderc_result_get_bytes(result.get()));
  outcome.Code.assign(bytes, bytes + shaderc_result_get_length(result.get()));
  outcome.Result = S_OK;
  return outcome;
}

}  // namespace d3dcompiler
