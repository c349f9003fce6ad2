#include "SourceFile.h"

#include <win32_platform.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace d3dcompiler {

namespace {

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool IsScalarValue(char32_t code) { return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF); }

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

std::string Utf8FromWide(std::wstring_view wide) {
  std::string utf8;
  utf8.reserve(wide.size());
  for (wchar_t unit : wide) {
    const auto code = static_cast<char32_t>(unit);
    AppendUtf8(utf8, IsScalarValue(code) ? code : U'\uFFFD');
  }
  return utf8;
}

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
