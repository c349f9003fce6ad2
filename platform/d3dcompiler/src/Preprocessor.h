// The preprocessor alone (D3DPreprocess): macros and #include expanded, the text handed back as it would
// reach the compiler.
#pragma once

#include "HlslCompiler.h"

namespace d3dcompiler {

// On success the outcome's Code holds the preprocessed text (no terminating zero).
CompileOutcome PreprocessHlsl(const CompileRequest& request);

}  // namespace d3dcompiler
