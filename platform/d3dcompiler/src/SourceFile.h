// Reading shader source files named by wide (UTF-32 on Linux) strings, with Windows' error codes.
#pragma once

#include <windows.h>

#include <string>

namespace d3dcompiler {

struct SourceText {
  HRESULT Result = S_OK;  // S_OK, or the code Windows gives for the same failure
  std::string Text;       // the file's bytes when Result is S_OK
  std::string Problem;    // what went wrong, for messages, when it is not
};

// Backslashes in `name` separate folders, as on Windows.
SourceText ReadSourceFile(const std::string& name);

}  // namespace d3dcompiler
