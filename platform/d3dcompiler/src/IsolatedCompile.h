// Where D3DCompile's work runs: in a compile helper process, so that a crash of the HLSL front end fails
// the call instead of ending the program, with compiled results cached on disk.
#pragma once

#include "HlslCompiler.h"

#include <string_view>

namespace d3dcompiler {

// CompileHlsl for `target`, isolated and cached, with the target's own limits checked. A crash of the
// front end is a failed outcome whose message names the source and says the compiler crashed.
// D3DCOMPILER_ISOLATION=0 compiles inside the program instead.
CompileOutcome CompileInIsolation(const CompileRequest& request, std::string_view target);

// PreprocessHlsl, isolated the same way (never cached).
CompileOutcome PreprocessInIsolation(const CompileRequest& request);

}  // namespace d3dcompiler
