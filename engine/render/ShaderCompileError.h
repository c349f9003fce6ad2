// The error of a shader source that does not compile or cannot be read. The program stops on it with the
// single line what() gives: the compiler's own message with the file and line, e.g.
// "Shaders/objVS.hlsl:42: error: 'Bones' : undeclared identifier".
#pragma once

#include "core/FatalError.h"

#include <string>

class ShaderCompileError : public FatalError {
 public:
  explicit ShaderCompileError(const std::string& compilerLine) : FatalError(compilerLine) {}
};
