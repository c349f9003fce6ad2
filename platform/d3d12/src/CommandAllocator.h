// ID3D12CommandAllocator: a Vulkan command pool. Command lists take their command buffers (and the memory
// of their root constants) from it; Reset recycles them all once the GPU is done with them.
#pragma once

#include "ComObject.h"
#include "ConstantUploadArena.h"
#include "DescriptorSetArena.h"

#include <vulkan/vulkan.h>

#include <atomic>
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

  // `commands` (one of this allocator's buffers) went to the GPU in submission `serial`.
  void MarkSubmitted(VkCommandBuffer commands, uint64_t serial);
  // The last submission of `commands`, 0 if none: its recording may run again only after that one.
  uint64_t LastSubmissionOf(VkCommandBuffer commands) const;
  // Executions held by a queue until a fence wait is met: the buffers are in use though not yet submitted.
  void BeginHold() { ++heldExecutions_; }
  void EndHold() { --heldExecutions_; }

  // Memory for the root constants of the lists recorded from this allocator.
  ConstantUploadArena& RootConstants() { return rootConstants_; }
  // Descriptor sets for the large tables of the lists recorded from this allocator.
  DescriptorSetArena& DescriptorSets() { return descriptorSets_; }
  // Keeps a resource the layer made for the lists' own work (ExecuteIndirect's slots) until Reset.
  void KeepUntilReset(IUnknown* resource) { kept_.push_back(resource); }

 private:
  explicit CommandAllocator(Device& device);
  ~CommandAllocator() override;

  D3D12_COMMAND_LIST_TYPE type_ = D3D12_COMMAND_LIST_TYPE_DIRECT;
  VkCommandPool pool_ = VK_NULL_HANDLE;
  std::vector<VkCommandBuffer> buffers_;
  std::vector<uint64_t> bufferSubmissions_;  // per buffer, as LastSubmissionOf reports
  size_t used_ = 0;
  CommandList* recording_ = nullptr;
  uint64_t lastSubmission_ = 0;
  std::atomic<uint32_t> heldExecutions_{0};  // changed under the scheduler's lock, read by Reset
  ConstantUploadArena rootConstants_;
  DescriptorSetArena descriptorSets_;
  std::vector<IUnknown*> kept_;
  void ReleaseKept();
};

}  // namespace d3d12vk
