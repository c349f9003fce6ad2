#pragma once
// Watches the Vulkan validation layer over one test: Start() (in SetUp) notes how many messages it has
// given so far and, when the suite runs with the layer on, that it is really loaded; ExpectSilent() (in
// TearDown) fails the test if the layer said anything since.

#include <d3d12_vk_diagnostics.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

class ValidationWatch {
 public:
  void Start() {
    messagesAtStart_ = d3d12_vk::ValidationMessageCount();
    const char* variable = std::getenv("D3D12_VK_VALIDATION");
    const std::string validation = variable != nullptr ? variable : "";
    if (validation == "1" || validation == "sync") {
      ASSERT_TRUE(d3d12_vk::ValidationEnabled()) << "the Vulkan validation layer is not installed";
    }
    if (validation == "sync") {
      ASSERT_TRUE(d3d12_vk::SynchronizationValidationEnabled()) << "the validation layer checks no synchronization";
    }
  }

  void ExpectSilent() const {
    EXPECT_EQ(d3d12_vk::ValidationMessageCount(), messagesAtStart_)
        << "the Vulkan validation layer reported problems (see stderr)";
  }

 private:
  uint32_t messagesAtStart_ = 0;
};
