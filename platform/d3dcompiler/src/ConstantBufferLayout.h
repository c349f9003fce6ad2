// Constant buffers laid out by HLSL's packing rules instead of the front end's std140-like ones: a value
// never straddles a 16-byte register, arrays, matrices and structs start a register and each array element
// does, and what follows an array, matrix or struct may share its last register. Vulkan reads such blocks
// with the device's scalar block layout.
#pragma once

#include "SpirvEditor.h"

#include <cstdint>
#include <set>
#include <string>

namespace d3dcompiler {

constexpr uint32_t RegisterBytes = 16;

// Bytes a value of `type` occupies in a constant buffer, from its first byte to its last (so without the
// padding of its last register); `rowMajorInSpirv` is the member's RowMajor decoration, for matrices.
uint32_t PackedSize(const SpirvEditor& module, uint32_t type, bool rowMajorInSpirv);

// Rewrites the Offset and ArrayStride decorations of every cbuffer, ConstantBuffer<T> and tbuffer, except those
// whose block type is named in `explicitlyPlaced` (a buffer placed with packoffset keeps its offsets).
// Returns an error message for a block whose explicit offsets break the rules, else an empty string.
std::string PackConstantBuffers(SpirvEditor& module, const std::set<std::string>& explicitlyPlaced);

}  // namespace d3dcompiler
