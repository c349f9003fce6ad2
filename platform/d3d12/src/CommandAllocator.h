// ID3D12CommandAllocator: a Vulkan command pool. Command lists take their command buffers (and the memory
// of their root constants) from it; Reset recycles them all once the GPU is done with them.
#pragma once

#include "ComObject.h"
#include "ConstantUploadArena.h"
#include "DescriptorSetArena.h"

#include <vulkan/vulkan.h>

#include <vector>

namespace d3d12vk {

class CommandList;

class CommandAllocator final : public DeviceChild<ID3D12CommandAllocator, ID3D12Pageable> {
 public:
  static HRESULT Create(Device& device, D3D12_COMMAND_LIST_TYPE type, CommandAllocator** allocator);

  // ID3D12CommandAllocator
  HRESULT STDMETHODCALLTYPE Reset() override;

  D3D12_COMMAND_LIST_TYPE Type() const { return type_; }

  // A fresh command buffer for `list`, which records into it until it closes; null when the pool is out of
  // memory. Only one list records from an allocator at a time.
  VkCommandBuffer BeginRecording(CommandList* list);
  void EndRecording(CommandList* list);
  CommandList* RecordingList() const { return recording_; }

  // The latest submission that used command buffers of this allocator.
  void MarkSubmitted(uint64_t serial);

  // Memory for the root constants of the lists recorded from this allocator.
  ConstantUploadArena& RootConstants() { return rootConstants_; }
  // Descriptor sets for the large tables of the lists recorded from this allocator.
  DescriptorSetArena& DescriptorSets() { return descriptorSets_; }

 private:
  explicit CommandAllocator(Device& device);
  ~CommandAllocator() override;

  D3D12_COMMAND_LIST_TYPE type_ = D3D12_COMMAND_LIST_TYPE_DIRECT;
  VkCommandPool pool_ = VK_NULL_HANDLE;
  std::vector<VkCommandBuffer> buffers_;
  size_t used_ = 0;
  CommandList* recording_ = nullptr;
  uint64_t lastSubmission_ = 0;
  ConstantUploadArena rootConstants_;
  DescriptorSetArena descriptorSets_;
};

}  // namespace d3d12vk
