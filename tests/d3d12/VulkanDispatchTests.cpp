// The per-device table of commands Vulkan 1.3 made core: a 1.3 device calls the loader's core entry points,
// a 1.2 device is asked only for extension names and every entry is filled, and a command it lacks is named.
#include "VulkanDispatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace d3d12vk {
namespace {

void AnyCommand() {}

TEST(VulkanDispatch, TakesTheLoadersCoreCommandsOn13AndExtensionNamesOn12AndNamesWhatIsMissing) {
  std::vector<std::string> asked;
  const auto lookup = [&asked](const char* name) {
    asked.emplace_back(name);
    return &AnyCommand;
  };
  for (const uint32_t version : {VK_API_VERSION_1_3, VK_MAKE_API_VERSION(0, 1, 3, 250)}) {
    VulkanDispatch dispatch;
    EXPECT_EQ(ResolveDispatch(version, lookup, &dispatch), nullptr);
    EXPECT_EQ(dispatch.QueueSubmit2, &vkQueueSubmit2);
    EXPECT_EQ(dispatch.CmdBindVertexBuffers2, &vkCmdBindVertexBuffers2);
  }
  EXPECT_TRUE(asked.empty());

  VulkanDispatch dispatch;
  EXPECT_EQ(ResolveDispatch(VK_API_VERSION_1_2, lookup, &dispatch), nullptr);
  for (const std::string& name : asked) EXPECT_TRUE(name.ends_with("KHR") || name.ends_with("EXT")) << name;
  // Every entry is filled, so no call site finds one null.
  const auto* entries = reinterpret_cast<const PFN_vkVoidFunction*>(&dispatch);
  ASSERT_EQ(asked.size(), sizeof(dispatch) / sizeof(PFN_vkVoidFunction));
  for (size_t i = 0; i < asked.size(); ++i) EXPECT_EQ(entries[i], &AnyCommand) << asked[i];

  const auto withoutSubmit2 = [](const char* name) {
    return std::string(name) == "vkQueueSubmit2KHR" ? nullptr : &AnyCommand;
  };
  const char* missing = ResolveDispatch(VK_API_VERSION_1_2, withoutSubmit2, &dispatch);
  ASSERT_NE(missing, nullptr);
  EXPECT_STREQ(missing, "vkQueueSubmit2KHR");
}

}  // namespace
}  // namespace d3d12vk
