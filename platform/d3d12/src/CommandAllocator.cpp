#include "CommandAllocator.h"

#include "Device.h"
#include "Diagnostics.h"

#include <algorithm>
#include "VulkanStructs.h"

namespace d3d12vk {

CommandAllocator::CommandAllocator(Device& device) : DeviceChild(device), rootConstants_(device.Vulkan()) {}

CommandAllocator::~CommandAllocator() {
  Device& device = OwningDevice();
  // Command buffers may still be executing; the pool can only go once they are done.
  if (lastSubmission_ != 0) device.Submissions().WaitFor(lastSubmission_);
  if (pool_ != VK_NULL_HANDLE) vkDestroyCommandPool(device.Vulkan().Handle(), pool_, nullptr);
  ReleaseKept();
}

void CommandAllocator::ReleaseKept() {
  for (IUnknown* resource : kept_) resource->Release();
  kept_.clear();
}

HRESULT CommandAllocator::Create(Device& device, D3D12_COMMAND_LIST_TYPE type, CommandAllocator** allocator) {
  auto info = VkInit<VkCommandPoolCreateInfo>(VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO);
  info.queueFamilyIndex = device.Vulkan().QueueFamily();
  CommandAllocator* created = new CommandAllocator(device);
  created->type_ = type;
  created->descriptorSets_.SetDevice(device.Vulkan().Handle());
  const VkResult result = vkCreateCommandPool(device.Vulkan().Handle(), &info, nullptr, &created->pool_);
  if (result != VK_SUCCESS) {
    created->Release();
    return Fail("ID3D12Device::CreateCommandAllocator", E_OUTOFMEMORY, "cannot create a command pool: %s",
                DescribeVkResult(result));
  }
  *allocator = created;
  return S_OK;
}

HRESULT CommandAllocator::Reset() {
  constexpr const char* kCall = "ID3D12CommandAllocator::Reset";
  if (recording_ != nullptr) return Fail(kCall, E_FAIL, "a command list is still recording from this allocator");
  if (heldExecutions_ != 0 || !OwningDevice().Submissions().IsComplete(lastSubmission_)) {
    return Fail(kCall, E_FAIL, "the GPU is still executing command lists recorded from this allocator");
  }
  vkResetCommandPool(OwningDevice().Vulkan().Handle(), pool_, 0);
  used_ = 0;
  std::fill(bufferSubmissions_.begin(), bufferSubmissions_.end(), 0);
  rootConstants_.Reset();
  descriptorSets_.Reset();
  ReleaseKept();
  return S_OK;
}

VkCommandBuffer CommandAllocator::BeginRecording(CommandList* list) {
  if (used_ == buffers_.size()) {
    auto allocate = VkInit<VkCommandBufferAllocateInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO);
    allocate.commandPool = pool_;
    allocate.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    allocate.commandBufferCount = 1;
    VkCommandBuffer buffer = VK_NULL_HANDLE;
    if (vkAllocateCommandBuffers(OwningDevice().Vulkan().Handle(), &allocate, &buffer) != VK_SUCCESS) {
      return VK_NULL_HANDLE;
    }
    buffers_.push_back(buffer);
    bufferSubmissions_.push_back(0);
  }
  recording_ = list;
  return buffers_[used_++];
}

void CommandAllocator::EndRecording(CommandList* list) {
  if (recording_ == list) recording_ = nullptr;
}

void CommandAllocator::MarkSubmitted(VkCommandBuffer commands, uint64_t serial) {
  lastSubmission_ = std::max(lastSubmission_, serial);
  const auto found = std::find(buffers_.begin(), buffers_.end(), commands);
  if (found != buffers_.end()) bufferSubmissions_[size_t(found - buffers_.begin())] = serial;
}

uint64_t CommandAllocator::LastSubmissionOf(VkCommandBuffer commands) const {
  const auto found = std::find(buffers_.begin(), buffers_.end(), commands);
  return found != buffers_.end() ? bufferSubmissions_[size_t(found - buffers_.begin())] : 0;
}

}  // namespace d3d12vk
