// The device's one Vulkan queue. Every command queue, fence signal and present of the layer goes through it,
// so they are ordered as the program issued them. A timeline semaphore numbers the submissions, which lets
// finished command buffers be recycled.
#pragma once

#include "VulkanDevice.h"

#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

namespace d3d12vk {

struct SemaphoreWait {
  VkSemaphore semaphore;
  uint64_t value;  // ignored for binary semaphores
  VkPipelineStageFlags2 stages;
};

struct SemaphoreSignal {
  VkSemaphore semaphore;
  uint64_t value;  // ignored for binary semaphores
};

class SubmissionQueue {
 public:
  explicit SubmissionQueue(VulkanDevice& device);
  SubmissionQueue(const SubmissionQueue&) = delete;
  SubmissionQueue& operator=(const SubmissionQueue&) = delete;
  ~SubmissionQueue();

  bool IsValid() const { return timeline_ != VK_NULL_HANDLE && pool_ != VK_NULL_HANDLE; }

  // Submits in one batch, after any pending resource initialization. Returns the submission's serial, or 0
  // when Vulkan refused it (reported with `call`).
  uint64_t Submit(const char* call, std::span<const VkCommandBuffer> commandBuffers,
                  std::span<const SemaphoreWait> waits = {}, std::span<const SemaphoreSignal> signals = {});

  // Presents on the queue, in order with the submissions.
  VkResult Present(const VkPresentInfoKHR& info);

  uint64_t CompletedSerial() const;
  bool IsComplete(uint64_t serial) const { return serial <= CompletedSerial(); }
  void WaitFor(uint64_t serial) const;
  void WaitIdle() const;

  // Records work that must run before anything submitted later (the first layout of new images). The
  // commands go into a command buffer that the next Submit puts in front of its own, whose serial is returned.
  uint64_t RecordInitialization(const std::function<void(VkCommandBuffer)>& record);

  // Makes sure initialization work of submission `serial` has run, submitting it now if nothing else has:
  // an image may only be destroyed once the commands that touch it are done.
  void FinishInitialization(uint64_t serial);

  bool DeviceLost() const { return deviceLost_; }

 private:
  VkCommandBuffer TakeInitializationBuffer();
  void RecycleFinishedInitializationBuffers();

  VulkanDevice& device_;
  VkSemaphore timeline_ = VK_NULL_HANDLE;
  VkCommandPool pool_ = VK_NULL_HANDLE;
  mutable std::mutex mutex_;
  uint64_t lastSerial_ = 0;
  bool deviceLost_ = false;

  VkCommandBuffer pendingInitialization_ = VK_NULL_HANDLE;
  std::deque<std::pair<uint64_t, VkCommandBuffer>> initializationInFlight_;
  std::vector<VkCommandBuffer> freeInitializationBuffers_;
};

}  // namespace d3d12vk
