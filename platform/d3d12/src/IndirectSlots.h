// The GPU side of ExecuteIndirect's split. Vulkan's indirect draws read only draw arguments, so commands that
// also set root constants become one indirect draw per command slot: a compute pass copies each command into
// a slot of its own (the draw arguments, then each root constant parameter whole, the values the command does
// not set taken from the list's current ones) and zeroes the slots at and past the count buffer's value, so
// their draws and dispatches do nothing. Each slot's constants are then bound as its root constants.
#pragma once

#include "VulkanDevice.h"

#include <mutex>
#include <vector>

namespace d3d12vk {

// What one slot word holds.
struct SlotWord {
  enum Kind : uint32_t { CommandWord = 0, Literal = 1, Zero = 2 };
  Kind kind;
  uint32_t value;  // the word's index in the command, or the literal
};

// The pass's constant buffer: a header and the slot's words, uploaded per ExecuteIndirect.
struct SlotPlan {
  uint32_t firstWord = 0;     // the first command's first word in the bound argument range
  uint32_t strideWords = 0;   // ByteStride / 4
  uint32_t commands = 0;      // MaxCommandCount
  uint32_t countWord = ~0u;   // the count's word in the bound count range; ~0 without a count buffer
  std::vector<SlotWord> words;
  // The bytes of the constant buffer the pass reads.
  std::vector<uint32_t> Encode() const;
};

// Where the pass reads and writes.
struct SlotBuffers {
  VkBuffer plan;
  VkDeviceSize planOffset, planRange;
  VkBuffer arguments;
  VkDeviceSize argumentsOffset;
  VkBuffer count;  // the arguments again when there is none
  VkDeviceSize countOffset;
  VkBuffer slots;
  VkDeviceSize slotsRange;
};

class IndirectSlots {
 public:
  explicit IndirectSlots(VulkanDevice& vulkan) : vulkan_(vulkan) {}
  IndirectSlots(const IndirectSlots&) = delete;
  IndirectSlots& operator=(const IndirectSlots&) = delete;
  ~IndirectSlots();

  // Records the pass (with the barriers around it) for `commands` slots; false, after reporting `call`, when
  // the pass cannot be made on this device. Leaves another compute pipeline bound.
  bool Record(const char* call, VkCommandBuffer commands, const SlotBuffers& buffers, uint32_t slotCount);

  static constexpr uint32_t kMaxSlotWords = 8000;

 private:
  bool Create(const char* call);

  VulkanDevice& vulkan_;
  std::mutex mutex_;
  bool tried_ = false;
  VkShaderModule module_ = VK_NULL_HANDLE;
  VkDescriptorSetLayout setLayout_ = VK_NULL_HANDLE;
  VkPipelineLayout layout_ = VK_NULL_HANDLE;
  VkPipeline pipeline_ = VK_NULL_HANDLE;
};

}  // namespace d3d12vk
