// The PIX-style event annotations of command lists (BeginEvent, EndEvent, SetMarker) as Vulkan debug labels,
// which capture and validation tools show beside the commands. They change nothing a program
// can observe, so without VK_EXT_debug_utils (on wherever the instance offers it) they are dropped.
#pragma once

#include <windows.h>

#include <vulkan/vulkan.h>

#include <string>

namespace d3d12vk {

class VulkanInstance;

// The text of an event's data: `metadata` 0 is a wide string, 1 a narrow one, as PIX writes them; PIX's
// own encoded events (metadata 2) are named by that.
std::string EventText(UINT metadata, const void* data, UINT size);

enum class LabelKind { Begin, End, Marker };

// On a command buffer; `text` is unused for End.
void LabelCommands(VulkanInstance& instance, VkCommandBuffer commands, LabelKind kind, const std::string& text);

}  // namespace d3d12vk
