// HLSL's arithmetic where SPIR-V's differs: `%` and fmod truncate toward zero (the remainder takes the
// dividend's sign, as OpFRem and OpSRem compute it), and a shift uses only the low bits of its amount
// (5 for 32-bit values), where SPIR-V leaves a shift by the width or more undefined; unsigned division and
// remainder by zero give every bit set.
#pragma once

#include "SpirvEditor.h"

namespace d3dcompiler {

void ApplyHlslArithmetic(SpirvEditor& module);

}  // namespace d3dcompiler
