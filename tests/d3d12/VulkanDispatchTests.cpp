// The per-device table of commands Vulkan 1.3 made core: a 1.2 device is asked only for extension names,
// a 1.3 device only for core ones, every entry is filled, and a command the device lacks is named.
#include "VulkanDispatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace d3d12vk {
namespace {

void AnyCommand() {}

bool HasExtensionSuffix(const std::string& name) {
  return name.size() > 3 && (name.ends_with("KHR") || name.ends_with("EXT"));
}

TEST(VulkanDispatch, ResolvesCoreNamesOn13AndExtensionNamesOn12AndNamesWhatIsMissing) {
  for (const uint32_t version : {VK_API_VERSION_1_2, VK_API_VERSION_1_3, VK_MAKE_API_VERSION(0, 1, 3, 250)}) {
    std::vector<std::string> asked;
    VulkanDispatch dispatch;
    const char* missing = ResolveDispatch(
        version,
        [&asked](const char* name) {
          asked.emplace_back(name);
          return reinterpret_cast<PFN_vkVoidFunction>(&AnyCommand);
        },
        &dispatch);
    EXPECT_EQ(missing, nullptr);
    const bool core = version >= VK_API_VERSION_1_3;
    for (const std::string& name : asked) EXPECT_EQ(HasExtensionSuffix(name), !core) << name;

    // Every entry of the table is filled, so none is left for a call site to find null.
    const auto* entries = reinterpret_cast<const PFN_vkVoidFunction*>(&dispatch);
    const size_t count = sizeof(dispatch) / sizeof(PFN_vkVoidFunction);
    EXPECT_EQ(asked.size(), count);
    for (size_t i = 0; i < count; ++i) EXPECT_NE(entries[i], nullptr) << "entry " << i;
  }

  VulkanDispatch dispatch;
  const char* missing = ResolveDispatch(
      VK_API_VERSION_1_2,
      [](const char* name) {
        return std::string(name) == "vkQueueSubmit2KHR" ? nullptr : reinterpret_cast<PFN_vkVoidFunction>(&AnyCommand);
      },
      &dispatch);
  ASSERT_NE(missing, nullptr);
  EXPECT_STREQ(missing, "vkQueueSubmit2KHR");
}

}  // namespace
}  // namespace d3d12vk
