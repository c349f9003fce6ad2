#include "IncludeSearch.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fxc {
namespace {

std::string FolderOf(const std::string& file) { return std::filesystem::path(file).parent_path().string(); }

bool ReadText(const std::filesystem::path& path, std::string* text) {
  std::ifstream stream(path, std::ios::binary);
  if (!stream) return false;
  std::ostringstream contents;
  contents << stream.rdbuf();
  *text = contents.str();
  return true;
}

}  // namespace

IncludeSearch::IncludeSearch(std::string inputFile, std::vector<std::string> includeDirs)
    : inputFolder_(FolderOf(inputFile)), includeDirs_(std::move(includeDirs)) {}

std::vector<std::string> IncludeSearch::CandidateFolders(LPCVOID parentData) const {
  std::vector<std::string> folders;
  const auto parent = open_.find(parentData);
  if (parent != open_.end()) folders.push_back(parent->second->folder);
  folders.push_back(inputFolder_);
  folders.insert(folders.end(), includeDirs_.begin(), includeDirs_.end());
  return folders;
}

HRESULT IncludeSearch::Open(D3D_INCLUDE_TYPE, LPCSTR fileName, LPCVOID parentData, LPCVOID* data, UINT* bytes) {
  if (fileName == nullptr || data == nullptr || bytes == nullptr) return E_INVALIDARG;
  std::string name = fileName;
  std::replace(name.begin(), name.end(), '\\', '/');  // Windows sources spell folders with backslashes
  for (const std::string& folder : CandidateFolders(parentData)) {
    const std::filesystem::path path = std::filesystem::path(name).is_absolute()
                                           ? std::filesystem::path(name)
                                           : std::filesystem::path(folder.empty() ? "." : folder) / name;
    auto file = std::make_unique<OpenFile>();
    if (!std::filesystem::is_regular_file(path) || !ReadText(path, &file->text)) continue;
    file->folder = path.parent_path().string();
    *data = file->text.data();
    *bytes = static_cast<UINT>(file->text.size());
    open_[*data] = std::move(file);
    return S_OK;
  }
  return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

HRESULT IncludeSearch::Close(LPCVOID data) {
  open_.erase(data);
  return S_OK;
}

}  // namespace fxc
