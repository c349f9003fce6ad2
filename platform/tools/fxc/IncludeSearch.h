// fxc's #include search: the folder of the including file, then the folder of the file being compiled,
// then each /I folder in the order given.
#pragma once

#include <d3dcompiler.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fxc {

class IncludeSearch final : public ID3DInclude {
 public:
  IncludeSearch(std::string inputFile, std::vector<std::string> includeDirs);

  HRESULT STDMETHODCALLTYPE Open(D3D_INCLUDE_TYPE type, LPCSTR fileName, LPCVOID parentData, LPCVOID* data,
                                 UINT* bytes) override;
  HRESULT STDMETHODCALLTYPE Close(LPCVOID data) override;

 private:
  struct OpenFile {
    std::string folder;  // where the file's own #includes are searched first
    std::string text;
  };

  std::vector<std::string> CandidateFolders(LPCVOID parentData) const;

  std::string inputFolder_;
  std::vector<std::string> includeDirs_;
  std::map<const void*, std::unique_ptr<OpenFile>> open_;  // by the data handed out
};

}  // namespace fxc
