#include "EventLabels.h"

#include "VulkanInstance.h"
#include "VulkanStructs.h"

#include "platform_common/UnicodeText.h"

#include <cwchar>

namespace d3d12vk {
namespace {

constexpr UINT kWideText = 0, kNarrowText = 1;

// The text up to its terminator or the end of the data, whichever comes first.
template <typename Char>
std::basic_string_view<Char> TextIn(const void* data, UINT size) {
  const auto* text = static_cast<const Char*>(data);
  const size_t most = size / sizeof(Char);
  size_t length = 0;
  while (length < most && text[length] != Char{}) ++length;
  return {text, length};
}

template <typename Function>
Function InstanceFunction(VulkanInstance& instance, const char* name) {
  if (!instance.LabelsEnabled()) return nullptr;
  return reinterpret_cast<Function>(vkGetInstanceProcAddr(instance.Handle(), name));
}

VkDebugUtilsLabelEXT Label(const std::string& text) {
  auto label = VkInit<VkDebugUtilsLabelEXT>(VK_STRUCTURE_TYPE_DEBUG_UTILS_LABEL_EXT);
  label.pLabelName = text.c_str();
  return label;
}

}  // namespace

std::string EventText(UINT metadata, const void* data, UINT size) {
  if (data == nullptr || size == 0) return {};
  if (metadata == kWideText) return platform::Utf8FromWide(TextIn<wchar_t>(data, size));
  if (metadata == kNarrowText) return std::string(TextIn<char>(data, size));
  return "PIX event";
}

void LabelCommands(VulkanInstance& instance, VkCommandBuffer commands, LabelKind kind, const std::string& text) {
  const VkDebugUtilsLabelEXT label = Label(text);
  switch (kind) {
    case LabelKind::Begin:
      if (auto begin = InstanceFunction<PFN_vkCmdBeginDebugUtilsLabelEXT>(instance, "vkCmdBeginDebugUtilsLabelEXT")) {
        begin(commands, &label);
      }
      break;
    case LabelKind::End:
      if (auto end = InstanceFunction<PFN_vkCmdEndDebugUtilsLabelEXT>(instance, "vkCmdEndDebugUtilsLabelEXT")) {
        end(commands);
      }
      break;
    case LabelKind::Marker:
      if (auto insert =
              InstanceFunction<PFN_vkCmdInsertDebugUtilsLabelEXT>(instance, "vkCmdInsertDebugUtilsLabelEXT")) {
        insert(commands, &label);
      }
      break;
  }
}

}  // namespace d3d12vk
