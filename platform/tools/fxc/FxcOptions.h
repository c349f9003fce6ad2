// The command line of fxc, the Windows SDK's shader compiler, as build scripts written for it pass it:
// options with a `/` or `-` prefix, their values joined (`/Tps_5_0`) or in the next argument (`/T ps_5_0`),
// and one input file.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fxc {

struct Options {
  std::string input;
  std::string profile;        // /T
  std::string entry = "main"; // /E
  std::vector<std::pair<std::string, std::string>> defines;  // /D name[=value]; a bare name is "1"
  std::vector<std::string> includeDirs;                      // /I, searched after the including file's folder
  std::string objectFile;     // /Fo
  std::string headerFile;     // /Fh
  std::string variableName;   // /Vn; g_<entry> when empty
  UINT compileFlags = 0;      // D3DCOMPILE_* from /Zi /Od /O0../O3 /WX /Zpr /Zpc /Ges /Gec /Gis ...
  bool noLogo = false;
  bool help = false;
};

struct ParseResult {
  std::optional<Options> options;
  std::string error;  // why there are none
};

// `arguments` excludes the program name. An argument starting with `/` that names an existing file is the
// input, so absolute Linux paths are not taken for options.
ParseResult ParseOptions(const std::vector<std::string>& arguments);

// The usage text of `fxc /?`.
const char* UsageText();

}  // namespace fxc
