// D3DPreprocess: the source with its macros and includes expanded, run where a crash cannot end the caller.
#include "Blob.h"
#include "IsolatedCompile.h"
#include "platform_common/Diagnostics.h"

#include <exception>
#include <new>
#include <string>

EXTERN_C HRESULT WINAPI D3DPreprocess(LPCVOID pSrcData, SIZE_T SrcDataSize, LPCSTR pSourceName,
                                      CONST D3D_SHADER_MACRO* pDefines, ID3DInclude* pInclude, ID3DBlob** ppCodeText,
                                      ID3DBlob** ppErrorMsgs) {
  constexpr const char* call = "D3DPreprocess";
  if (ppCodeText != nullptr) *ppCodeText = nullptr;
  if (ppErrorMsgs != nullptr) *ppErrorMsgs = nullptr;
  if ((pSrcData == nullptr && SrcDataSize != 0) || ppCodeText == nullptr) {
    return platform::Fail(call, E_INVALIDARG, "pSrcData and ppCodeText must not be null");
  }
  try {
    d3dcompiler::CompileRequest request;
    request.Source = std::string_view(static_cast<const char*>(pSrcData), SrcDataSize);
    request.SourceName = pSourceName != nullptr ? pSourceName : "source";
    request.Defines = pDefines;
    request.Include = pInclude;
    request.EntryPoint = "main";
    const d3dcompiler::CompileOutcome outcome = d3dcompiler::PreprocessInIsolation(request);
    const std::string_view text(reinterpret_cast<const char*>(outcome.Code.data()), outcome.Code.size());
    HRESULT result = outcome.Result;
    if (SUCCEEDED(result)) result = d3dcompiler::CreateTextBlob(text, ppCodeText);
    if (!outcome.Messages.empty() && ppErrorMsgs != nullptr) {
      d3dcompiler::CreateTextBlob(outcome.Messages, ppErrorMsgs);
    } else if (FAILED(result)) {
      const std::string first = outcome.Messages.substr(0, outcome.Messages.find('\n'));
      platform::Report(call, "%s", first.empty() ? "out of memory" : first.c_str());
    }
    return result;
  } catch (const std::exception& exception) {
    platform::Report(call, "%s", exception.what());
    return dynamic_cast<const std::bad_alloc*>(&exception) != nullptr ? E_OUTOFMEMORY : E_FAIL;
  }
}
