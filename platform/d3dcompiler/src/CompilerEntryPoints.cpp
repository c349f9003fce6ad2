// D3DCompile and D3DCompileFromFile: argument checks, reading the file, and handing the outcome back
// in blobs the way the Windows compiler does.
#include "Blob.h"
#include "HlslCompiler.h"
#include "IsolatedCompile.h"
#include "ShaderTarget.h"
#include "SourceFile.h"
#include "platform_common/Diagnostics.h"
#include "platform_common/UnicodeText.h"

#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace d3dcompiler {

namespace {

// Names the source in messages when D3DCompile is given no name.
constexpr const char* UnnamedSource = "source";

struct CallOutputs {
  ID3DBlob** Code;
  ID3DBlob** Errors;
};

// Out-pointers are cleared first so callers never see stale values after a failure.
void ClearOutputs(CallOutputs outputs) {
  if (outputs.Code != nullptr) {
    *outputs.Code = nullptr;
  }
  if (outputs.Errors != nullptr) {
    *outputs.Errors = nullptr;
  }
}

HRESULT RejectArgument(const char* call, const char* problem) {
  return platform::Fail(call, E_INVALIDARG, "%s", problem);
}

// The first error line of compiler messages (which may open with warnings), or failing that the first line.
std::string_view FirstError(std::string_view messages) {
  const size_t error = messages.find(": error");
  const size_t start = error == std::string_view::npos ? 0 : messages.rfind('\n', error) + 1;  // npos + 1 == 0
  const std::string_view rest = messages.substr(start);
  return rest.substr(0, rest.find('\n'));
}

// Fails the call with `messages` in the error blob; a caller that asks for no error blob (or one there is
// no memory for) would otherwise never learn why, so then their first error goes to stderr instead.
HRESULT FailWithMessages(const char* call, HRESULT result, const std::string& messages, CallOutputs outputs) {
  if (outputs.Errors != nullptr && SUCCEEDED(CreateTextBlob(messages, outputs.Errors))) {
    return result;
  }
  const std::string_view error = FirstError(messages);
  return platform::Fail(call, result, "%.*s", static_cast<int>(error.size()), error.data());
}

HRESULT Compile(const char* call, CompileRequest request, std::string_view target, CallOutputs outputs) {
  const std::optional<shaderc_shader_kind> stage = ShaderKindForTarget(target);
  if (!stage && IsShaderModel6(target)) {
    // Shader Model 6 compiles to DXIL, for which Debian has no compiler; the program must say so plainly,
    // whether or not it looks at the error blob.
    const std::string message = request.SourceName + ": error: target '" + std::string(target) +
                                "' is Shader Model 6 (DXIL), which this platform cannot compile; use _5_0 or _5_1\n";
    platform::Report(call, "%.*s", static_cast<int>(message.size() - 1), message.c_str());  // without its newline
    if (outputs.Errors != nullptr) CreateTextBlob(message, outputs.Errors);
    return E_FAIL;
  }
  if (!stage) {
    const std::string message = request.SourceName + ": error: unknown compile target '" + std::string(target) +
                                "' (expected " + std::string(SupportedTargetsText()) + ")\n";
    return FailWithMessages(call, E_INVALIDARG, message, outputs);
  }
  request.Stage = *stage;
  CompileOutcome outcome = CompileInIsolation(request, target);
  if (FAILED(outcome.Result)) {
    return FailWithMessages(call, outcome.Result, outcome.Messages, outputs);
  }
  const HRESULT stored = CreateBlobWithBytes(outcome.Code.data(), outcome.Code.size(), outputs.Code);
  if (FAILED(stored)) {
    return FailWithMessages(call, stored, request.SourceName + ": error: no memory for the compiled code\n", outputs);
  }
  if (outputs.Errors != nullptr && !outcome.Messages.empty()) {
    CreateTextBlob(outcome.Messages, outputs.Errors);  // the warnings
  }
  return S_OK;
}

// Runs an entry point's body so that nothing thrown inside (running out of memory, say) escapes to a
// caller who expects only an HRESULT.
template <typename Body>
HRESULT Guarded(const char* call, CallOutputs outputs, Body&& body) {
  try {
    return body();
  } catch (const std::exception& exception) {
    ClearOutputs(outputs);
    platform::Report(call, "%s", exception.what());
    return dynamic_cast<const std::bad_alloc*>(&exception) != nullptr ? E_OUTOFMEMORY : E_FAIL;
  }
}

}  // namespace

}  // namespace d3dcompiler

using namespace d3dcompiler;

EXTERN_C HRESULT WINAPI D3DCompile(LPCVOID pSrcData, SIZE_T SrcDataSize, LPCSTR pSourceName,
                                   CONST D3D_SHADER_MACRO* pDefines, ID3DInclude* pInclude, LPCSTR pEntrypoint,
                                   LPCSTR pTarget, UINT Flags1, UINT /*Flags2: effects only*/, ID3DBlob** ppCode,
                                   ID3DBlob** ppErrorMsgs) {
  constexpr const char* call = "D3DCompile";
  const CallOutputs outputs{ppCode, ppErrorMsgs};
  ClearOutputs(outputs);
  if (pSrcData == nullptr && SrcDataSize != 0) {
    return RejectArgument(call, "pSrcData is null");
  }
  if (pEntrypoint == nullptr || pTarget == nullptr || ppCode == nullptr) {
    return RejectArgument(call, "pEntrypoint, pTarget and ppCode must not be null");
  }
  return Guarded(call, outputs, [&] {
    CompileRequest request;
    request.Source = std::string_view(static_cast<const char*>(pSrcData), SrcDataSize);
    request.SourceName = pSourceName != nullptr ? pSourceName : UnnamedSource;
    request.Defines = pDefines;
    request.Include = pInclude;
    request.EntryPoint = pEntrypoint;
    request.Flags = Flags1;
    return Compile(call, std::move(request), pTarget, outputs);
  });
}

EXTERN_C HRESULT WINAPI D3DCompileFromFile(LPCWSTR pFileName, CONST D3D_SHADER_MACRO* pDefines, ID3DInclude* pInclude,
                                           LPCSTR pEntrypoint, LPCSTR pTarget, UINT Flags1,
                                           UINT /*Flags2: effects only*/, ID3DBlob** ppCode, ID3DBlob** ppErrorMsgs) {
  constexpr const char* call = "D3DCompileFromFile";
  const CallOutputs outputs{ppCode, ppErrorMsgs};
  ClearOutputs(outputs);
  if (pFileName == nullptr || pEntrypoint == nullptr || pTarget == nullptr || ppCode == nullptr) {
    return RejectArgument(call, "pFileName, pEntrypoint, pTarget and ppCode must not be null");
  }
  return Guarded(call, outputs, [&] {
    const std::string fileName = platform::Utf8FromWide(pFileName);
    const SourceText source = ReadSourceFile(fileName);
    if (FAILED(source.Result)) {
      return FailWithMessages(call, source.Result, fileName + ": error: " + source.Problem + "\n", outputs);
    }
    CompileRequest request;
    request.Source = source.Text;
    request.SourceName = fileName;
    request.Defines = pDefines;
    request.Include = pInclude;
    request.EntryPoint = pEntrypoint;
    request.Flags = Flags1;
    return Compile(call, std::move(request), pTarget, outputs);
  });
}
