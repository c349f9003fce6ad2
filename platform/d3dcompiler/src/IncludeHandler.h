// Answers the #include directives of one compilation for shaderc, the way the include handler passed to
// D3DCompile asks: the standard file handler, the caller's own ID3DInclude, or none (no #include allowed).
#pragma once

#include <d3dcompiler.h>
#include <shaderc/shaderc.h>

#include <map>
#include <memory>
#include <string>

namespace d3dcompiler {

class IncludeHandler {
 public:
  // `rootSourceName` is the name the compiled source goes by; the standard handler searches its folder.
  IncludeHandler(ID3DInclude* include, std::string rootSourceName);
  ~IncludeHandler();
  IncludeHandler(const IncludeHandler&) = delete;
  IncludeHandler& operator=(const IncludeHandler&) = delete;

  // Routes the options' include callbacks to this handler, which must outlive the compilation.
  void InstallInto(shaderc_compile_options_t options);

 private:
  struct IncludedSource;

  static shaderc_include_result* Resolve(void* handler, const char* requested, int type, const char* requesting,
                                         size_t depth);
  static void Release(void* handler, shaderc_include_result* result);

  std::unique_ptr<IncludedSource> Open(const std::string& requested, bool system, const std::string& requesting);
  std::unique_ptr<IncludedSource> OpenStandardFile(const std::string& requested, const std::string& requesting);
  std::unique_ptr<IncludedSource> OpenWithCallerHandler(const std::string& requested, bool system,
                                                        const std::string& requesting);
  static std::unique_ptr<IncludedSource> Failed(std::string reason);
  shaderc_include_result* Keep(std::unique_ptr<IncludedSource> source);
  void Close(shaderc_include_result* result);

  ID3DInclude* include_;
  std::string rootSourceName_;
  std::map<shaderc_include_result*, std::unique_ptr<IncludedSource>> open_;
  std::map<std::string, LPCVOID> callerDataBySourceName_;  // the parent data ID3DInclude::Open is given
};

}  // namespace d3dcompiler
