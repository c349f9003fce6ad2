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
    const char* validation = std::getenv("D3D12_VK_VALIDATION");
    if (validation != nullptr && std::string(validation) == "1") {
      ASSERT_TRUE(d3d12_vk::ValidationEnabled()) << "the Vulkan validation layer is not installed";
    }
  }

  void ExpectSilent() const {
    EXPECT_EQ(d3d12_vk::ValidationMessageCount(), messagesAtStart_)
        << "the Vulkan validation layer reported problems (see stderr)";
  }

 private:
  uint32_t messagesAtStart_ = 0;
};
