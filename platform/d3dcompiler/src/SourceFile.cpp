#include "SourceFile.h"

#include <win32_platform.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace d3dcompiler {

namespace {

SourceText Failure(HRESULT result, std::string problem) { return {result, {}, std::move(problem)}; }

// Windows tells a missing file in an existing folder from a missing folder; callers check for both.
SourceText MissingFileFailure(const std::filesystem::path& path) {
  std::error_code ignored;
  const std::filesystem::path folder = path.parent_path();
  if (!folder.empty() && !std::filesystem::is_directory(folder, ignored)) {
    return Failure(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), "folder '" + folder.string() + "' not found");
  }
  return Failure(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), "file not found");
}

}  // namespace

SourceText ReadSourceFile(const std::string& name) {
  // Backslashes separate folders, as on Windows.
  std::string path = name;
  std::replace(path.begin(), path.end(), '\\', '/');
  // And names ignore case.
  path = win32_platform::PathInDiskCase(path);
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) {
    return MissingFileFailure(path);
  }
  if (status.type() == std::filesystem::file_type::directory) {
    return Failure(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), "this is a folder, not a file");
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return Failure(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), "cannot open the file for reading");
  }
  SourceText source;
  source.Text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (file.bad()) {
    return Failure(E_FAIL, "cannot read the file");
  }
  return source;
}

}  // namespace d3dcompiler
