// Refuses a pixel shader whose outputs are not all bound to a semantic: the front end would give such an
// output the first free location, where the Windows compiler requires SV_Target (or SV_Depth).
#pragma once

#include "SpirvEditor.h"

#include <string>

namespace d3dcompiler {

// "<what is wrong>" for the first output of a fragment entry point without a semantic, else empty.
std::string FindOutputWithoutSemantic(const SpirvEditor& module);

}  // namespace d3dcompiler
