// Test and tooling hooks of the Direct3D 12 layer. Not part of the Direct3D 12 or DXGI API: programs written
// against those APIs never include it.
#pragma once

#include <d3d12.h>
#include <dxgi.h>

#include <cstdint>
#include <vector>

namespace d3d12_vk {

// True when D3D12_VK_VALIDATION (1 or sync) asked for the Vulkan validation layer and the layer could be loaded.
bool ValidationEnabled();

// True when D3D12_VK_VALIDATION=sync also turned on the layer's synchronization checks.
bool SynchronizationValidationEnabled();

// The Vulkan version a device of this layer runs at (VK_API_VERSION_1_3, or 1_2 with the extensions 1.3 made
// core); 0 for null.
uint32_t DeviceVulkanVersion(ID3D12Device* device);

// Messages the validation layer has reported since the process started. Each one is also printed to stderr.
uint32_t ValidationMessageCount();

// Reads back the frame the last Present showed, as tightly packed RGBA8 rows, top row first. Works for every
// swap chain; on a window it returns what was copied into the window. Fails with DXGI_ERROR_INVALID_CALL
// before the first Present and E_INVALIDARG for a swap chain this layer did not create.
HRESULT ReadLastPresentedFrame(IDXGISwapChain* swapChain, std::vector<uint8_t>* rgba, UINT* width, UINT* height);

// Where the bytes of a committed resource live: `memory` identifies its VkDeviceMemory (resources sharing a
// block have the same one), `offset` and `size` its range there. E_INVALIDARG for null arguments.
HRESULT ResourceMemoryRange(ID3D12Resource* resource, uint64_t* memory, uint64_t* offset, uint64_t* size);

// The VkDeviceMemory objects a device holds for committed resources: shared blocks and memory of their own.
size_t DeviceMemoryObjectCount(ID3D12Device* device);

}  // namespace d3d12_vk
