// Structured buffers laid out as Direct3D lays them out: tightly, each value at the next 4-byte boundary, an
// element's stride its size (StructuredBuffer<float3> has a 12-byte stride), where the front end uses std430
// (16 bytes for float3, vectors aligned to their size). Vulkan reads such buffers with scalar block layout.
#pragma once

#include "SpirvEditor.h"

namespace d3dcompiler {

// Rewrites the Offset, ArrayStride and MatrixStride decorations of every storage buffer's types.
void PackStructuredBuffers(SpirvEditor& module);

}  // namespace d3dcompiler
