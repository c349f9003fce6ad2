#include "app/ModelArgument.h"

#include "content/ModelFileError.h"
#include "core/FatalError.h"
#include "core/PathText.h"

#include <windows.h>

#include <algorithm>
#include <system_error>
#include <vector>

std::string ModelFromCommandLine(int argc, char** argv) {
  if (argc <= 1) {
    return {};
  }
  if (argc > 2) {
    throw FatalError("usage: engine [MODEL_FILE]: one model file at most");
  }
  const std::string named = argv[1];
  // Checked here rather than left to Assimp, whose answer for a folder does not say what is wrong.
  std::error_code error;
  const std::filesystem::path path = PathFromUtf8(named);
  if (std::filesystem::is_directory(path, error)) {
    throw ModelFileError(named, "it is a folder, not a model file");
  }
  if (!std::filesystem::exists(path, error)) {
    throw ModelFileError(named, "no such file");
  }
  // Absolute and without "." or ".." segments: some importers name a model's sibling files from its path.
  return Utf8Of(std::filesystem::absolute(path, error).lexically_normal());
}

std::filesystem::path ExecutableFolder() {
  // Paths longer than MAX_PATH come back cut short: grow the buffer until the whole one fits.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      return std::filesystem::current_path();
    }
    if (length < buffer.size()) {
      // Windows names the module with backslashes; forward slashes separate on every system the engine
      // builds for, where a backslash may be just a character of a name.
      std::wstring path(buffer.data(), length);
      std::replace(path.begin(), path.end(), L'\\', L'/');
      return PathFromWide(path).parent_path();
    }
    buffer.resize(buffer.size() * 2);
  }
}
