// The device commands the layer records that Vulkan 1.3 made core and a Vulkan 1.2 device offers as
// extensions (capture tools such as RenderDoc report 1.2 over a 1.3 driver): one table per device, resolved
// once, core entry points from 1.3 on and the extensions' before, that every call site goes through.
#pragma once

#include <vulkan/vulkan.h>

#include <array>
#include <functional>

namespace d3d12vk {

// The device extensions a Vulkan 1.2 device has to offer, and gets enabled, for what 1.3 has as core:
// dynamic rendering, synchronization2, and the dynamic topology, restart and vertex stride of pipelines.
inline constexpr std::array<const char*, 4> kExtensionsBeforeVulkan13{
    VK_KHR_DYNAMIC_RENDERING_EXTENSION_NAME, VK_KHR_SYNCHRONIZATION_2_EXTENSION_NAME,
    VK_EXT_EXTENDED_DYNAMIC_STATE_EXTENSION_NAME, VK_EXT_EXTENDED_DYNAMIC_STATE_2_EXTENSION_NAME};

struct VulkanDispatch {
  PFN_vkCmdBeginRendering CmdBeginRendering = nullptr;
  PFN_vkCmdEndRendering CmdEndRendering = nullptr;
  PFN_vkCmdPipelineBarrier2 CmdPipelineBarrier2 = nullptr;
  PFN_vkCmdWriteTimestamp2 CmdWriteTimestamp2 = nullptr;
  PFN_vkQueueSubmit2 QueueSubmit2 = nullptr;
  PFN_vkCmdSetPrimitiveTopology CmdSetPrimitiveTopology = nullptr;
  PFN_vkCmdSetPrimitiveRestartEnable CmdSetPrimitiveRestartEnable = nullptr;
  PFN_vkCmdBindVertexBuffers2 CmdBindVertexBuffers2 = nullptr;
};

// Looks a device command up by name (vkGetDeviceProcAddr on the device in use).
using CommandLookup = std::function<PFN_vkVoidFunction(const char* name)>;

// Fills `dispatch` for a device of Vulkan version `apiVersion`: from 1.3 on with the loader's core entry
// points, the calls the layer has always made there; before, with the extensions' commands `lookup` finds.
// Returns the name of the first command the device does not give, or null when every one resolved.
const char* ResolveDispatch(uint32_t apiVersion, const CommandLookup& lookup, VulkanDispatch* dispatch);

}  // namespace d3d12vk
