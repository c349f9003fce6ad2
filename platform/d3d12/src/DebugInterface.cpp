#include "DebugInterface.h"

#include "Diagnostics.h"
#include "VulkanInstance.h"

namespace d3d12vk {

void DebugInterface::EnableDebugLayer() {
  if (!RequestValidation()) {
    // Direct3D 12 expects the call before the first device; that device and its Vulkan instance stay as
    // they are.
    Report("ID3D12Debug::EnableDebugLayer",
           "a device already exists; validation starts with the devices created after it is released");
  }
}

}  // namespace d3d12vk
