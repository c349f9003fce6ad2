// The last step of a compile: the module the rules' passes left is validated for the device (scalar block
// layout, as constant buffers are packed by HLSL's rules) and, unless the caller asked for unoptimised
// code, optimised. The front end itself runs unoptimised so that the passes still see every name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace d3dcompiler {

// Empty on success; otherwise what the validator or optimiser said, a line a message.
std::string ValidateAndOptimize(std::vector<uint32_t>& words, bool optimize);

// What the validator says about `words` for the device, empty when they are valid.
std::string ValidationProblems(const std::vector<uint32_t>& words);

}  // namespace d3dcompiler
