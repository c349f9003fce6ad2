#include "VulkanDispatch.h"

namespace d3d12vk {
namespace {

// One command: the core name when the device has 1.3, the extension's otherwise.
template <typename Pointer>
void Resolve(const CommandLookup& lookup, bool core, const char* coreName, const char* extensionName, Pointer* slot,
             const char** missing) {
  const char* name = core ? coreName : extensionName;
  *slot = reinterpret_cast<Pointer>(lookup(name));
  if (*slot == nullptr && *missing == nullptr) *missing = name;
}

}  // namespace

const char* ResolveDispatch(uint32_t apiVersion, const CommandLookup& lookup, VulkanDispatch* dispatch) {
  const bool core = apiVersion >= VK_API_VERSION_1_3;
  const char* missing = nullptr;
  Resolve(lookup, core, "vkCmdBeginRendering", "vkCmdBeginRenderingKHR", &dispatch->CmdBeginRendering, &missing);
  Resolve(lookup, core, "vkCmdEndRendering", "vkCmdEndRenderingKHR", &dispatch->CmdEndRendering, &missing);
  Resolve(lookup, core, "vkCmdPipelineBarrier2", "vkCmdPipelineBarrier2KHR", &dispatch->CmdPipelineBarrier2, &missing);
  Resolve(lookup, core, "vkCmdWriteTimestamp2", "vkCmdWriteTimestamp2KHR", &dispatch->CmdWriteTimestamp2, &missing);
  Resolve(lookup, core, "vkQueueSubmit2", "vkQueueSubmit2KHR", &dispatch->QueueSubmit2, &missing);
  Resolve(lookup, core, "vkCmdSetPrimitiveTopology", "vkCmdSetPrimitiveTopologyEXT", &dispatch->CmdSetPrimitiveTopology,
          &missing);
  Resolve(lookup, core, "vkCmdSetPrimitiveRestartEnable", "vkCmdSetPrimitiveRestartEnableEXT",
          &dispatch->CmdSetPrimitiveRestartEnable, &missing);
  Resolve(lookup, core, "vkCmdBindVertexBuffers2", "vkCmdBindVertexBuffers2EXT", &dispatch->CmdBindVertexBuffers2,
          &missing);
  return missing;
}

}  // namespace d3d12vk
