// What fxc writes: the compiled shader as an object file (.cso), the bytes exactly as D3DCompile returned
// them, or as a C header that defines `const BYTE <name>[]` with those bytes, to be included after
// <windows.h> and passed to a pipeline state as is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fxc {

// Each returns an empty string, or what went wrong.
std::string WriteObjectFile(const std::string& path, const std::vector<uint8_t>& code);
std::string WriteHeaderFile(const std::string& path, const std::string& variableName, const std::string& source,
                            const std::string& profile, const std::string& entry, const std::vector<uint8_t>& code);

// The header's text (for the file and for tests).
std::string HeaderText(const std::string& variableName, const std::string& source, const std::string& profile,
                       const std::string& entry, const std::vector<uint8_t>& code);

}  // namespace fxc
