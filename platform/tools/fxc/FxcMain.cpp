// fxc: compiles one HLSL file with the layer's D3DCompileFromFile and writes the byte code as an object file
// (/Fo) or a C header (/Fh), for programs that load compiled shaders instead of compiling at run time.
// Exit code 0 on success, 1 on any failure (bad options, compile errors, unwritable output).

#include "FxcOptions.h"
#include "IncludeSearch.h"
#include "ObjectWriter.h"

#include <d3dcompiler.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring Wide(const std::string& text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), length);
  wide.resize(wide.size() - 1);
  return wide;
}

void PrintMessages(ID3DBlob* messages) {
  if (messages == nullptr || messages->GetBufferSize() == 0) return;
  std::fwrite(messages->GetBufferPointer(), 1, messages->GetBufferSize(), stderr);
  std::fputc('\n', stderr);
}

// The byte code, or nothing after the compiler's messages were printed.
bool Compile(const fxc::Options& options, std::vector<uint8_t>* code) {
  std::vector<D3D_SHADER_MACRO> macros;
  for (const auto& [name, value] : options.defines) macros.push_back({name.c_str(), value.c_str()});
  macros.push_back({nullptr, nullptr});
  fxc::IncludeSearch includes(options.input, options.includeDirs);

  Microsoft::WRL::ComPtr<ID3DBlob> blob;
  Microsoft::WRL::ComPtr<ID3DBlob> messages;
  const HRESULT result = D3DCompileFromFile(Wide(options.input).c_str(), macros.data(), &includes,
                                            options.entry.c_str(), options.profile.c_str(), options.compileFlags, 0,
                                            &blob, &messages);
  PrintMessages(messages.Get());
  if (FAILED(result)) {
    std::fprintf(stderr, "compilation failed; no code produced\n");
    return false;
  }
  const auto* bytes = static_cast<const uint8_t*>(blob->GetBufferPointer());
  code->assign(bytes, bytes + blob->GetBufferSize());
  return true;
}

bool Report(const std::string& error, const char* what, const std::string& path) {
  if (!error.empty()) {
    std::fprintf(stderr, "fxc: %s\n", error.c_str());
    return false;
  }
  std::printf("compilation %s save succeeded; see %s\n", what, path.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const fxc::ParseResult parsed = fxc::ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.options) {
    std::fprintf(stderr, "fxc: %s\n%s", parsed.error.c_str(), fxc::UsageText());
    return 1;
  }
  const fxc::Options& options = *parsed.options;
  if (!options.noLogo) std::printf("d3dWin fxc: HLSL to the Direct3D 12 layer's shader byte code\n\n");
  if (options.help) {
    std::printf("%s", fxc::UsageText());
    return 0;
  }
  std::vector<uint8_t> code;
  if (!Compile(options, &code)) return 1;

  bool written = true;
  if (!options.objectFile.empty()) {
    written &= Report(fxc::WriteObjectFile(options.objectFile, code), "object", options.objectFile);
  }
  if (!options.headerFile.empty()) {
    written &= Report(fxc::WriteHeaderFile(options.headerFile, options.variableName, options.input, options.profile,
                                           options.entry, code),
                      "header", options.headerFile);
  }
  if (options.objectFile.empty() && options.headerFile.empty()) {
    std::printf("compilation succeeded: %zu bytes of code (name /Fo or /Fh to keep them)\n", code.size());
  }
  return written ? 0 : 1;
}
