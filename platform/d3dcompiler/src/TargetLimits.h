// What a shader model 4 target does not allow, checked on the compiled SPIR-V: the front end compiles
// every model alike, while the Windows compiler refuses these for the older models.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace d3dcompiler {

// Empty when `code`, compiled for `target`, keeps to its limits; else what it exceeds, for the error line.
std::string TargetLimitViolation(std::string_view target, const std::vector<std::byte>& code);

}  // namespace d3dcompiler
