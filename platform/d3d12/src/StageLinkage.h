// Whether the pixel shader reads only what the stage before it writes, checked as Direct3D 12 links the two
// signatures: every input the pixel shader declares must be an output of the previous stage with the same
// semantic, at least as many components and the same component type. Vulkan matches them by location
// only and leaves a mismatch undefined (some drivers crash on it), so it is refused before it gets there.
#pragma once

#include <d3d12.h>

namespace d3d12vk {

// S_OK, or E_INVALIDARG with one line naming the pixel shader input that does not link.
HRESULT CheckStageLinkage(const D3D12_SHADER_BYTECODE& previous, const char* previousName,
                          const D3D12_SHADER_BYTECODE& pixel, const char* call);

}  // namespace d3d12vk
