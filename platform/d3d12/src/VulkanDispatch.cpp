#include "VulkanDispatch.h"

namespace d3d12vk {
namespace {

// One command under its extension's name.
template <typename Pointer>
void Resolve(const CommandLookup& lookup, const char* name, Pointer* slot, const char** missing) {
  *slot = reinterpret_cast<Pointer>(lookup(name));
  if (*slot == nullptr && *missing == nullptr) *missing = name;
}

}  // namespace

const char* ResolveDispatch(uint32_t apiVersion, const CommandLookup& lookup, VulkanDispatch* dispatch) {
  if (apiVersion >= VK_API_VERSION_1_3) {
    // The loader's own entry points, which tools preloaded in front of the loader see too.
    *dispatch = {
        vkCmdBeginRendering, vkCmdEndRendering,         vkCmdPipelineBarrier2,          vkCmdWriteTimestamp2,
        vkQueueSubmit2,      vkCmdSetPrimitiveTopology, vkCmdSetPrimitiveRestartEnable, vkCmdBindVertexBuffers2};
    return nullptr;
  }
  const char* missing = nullptr;
  Resolve(lookup, "vkCmdBeginRenderingKHR", &dispatch->CmdBeginRendering, &missing);
  Resolve(lookup, "vkCmdEndRenderingKHR", &dispatch->CmdEndRendering, &missing);
  Resolve(lookup, "vkCmdPipelineBarrier2KHR", &dispatch->CmdPipelineBarrier2, &missing);
  Resolve(lookup, "vkCmdWriteTimestamp2KHR", &dispatch->CmdWriteTimestamp2, &missing);
  Resolve(lookup, "vkQueueSubmit2KHR", &dispatch->QueueSubmit2, &missing);
  Resolve(lookup, "vkCmdSetPrimitiveTopologyEXT", &dispatch->CmdSetPrimitiveTopology, &missing);
  Resolve(lookup, "vkCmdSetPrimitiveRestartEnableEXT", &dispatch->CmdSetPrimitiveRestartEnable, &missing);
  Resolve(lookup, "vkCmdBindVertexBuffers2EXT", &dispatch->CmdBindVertexBuffers2, &missing);
  return missing;
}

}  // namespace d3d12vk
