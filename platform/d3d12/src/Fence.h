// ID3D12Fence: a Vulkan timeline semaphore. Events from the Win32 module are completed by a waiter that
// blocks on the semaphore when the program waits for the event.
#pragma once

#include "ComObject.h"

#include <vulkan/vulkan.h>

#include <atomic>
#include <utility>
#include <vector>

namespace d3d12vk {

class Fence final : public DeviceChild<ID3D12Fence, ID3D12Pageable> {
 public:
  static HRESULT Create(Device& device, UINT64 initialValue, Fence** fence);

  // ID3D12Fence
  UINT64 STDMETHODCALLTYPE GetCompletedValue() override;
  HRESULT STDMETHODCALLTYPE SetEventOnCompletion(UINT64 value, HANDLE event) override;
  HRESULT STDMETHODCALLTYPE Signal(UINT64 value) override;

  VkSemaphore Semaphore() const { return semaphore_; }

  // Claims `value` for a signal from a queue. Vulkan timelines only move forward, so a value at or below one
  // already claimed cannot be signalled again; returns false then.
  bool ClaimSignalValue(UINT64 value);
  // Whether `value` has been signalled by the CPU or submitted for signalling by a queue, so a queue may
  // wait for it without stalling the Vulkan queue.
  bool IsSignalSubmitted(UINT64 value) const { return highestClaimed_.load() >= value; }

  // Blocks until the fence reaches `value` or `timeoutNanoseconds` pass; true when it was reached.
  bool Wait(UINT64 value, uint64_t timeoutNanoseconds);

 private:
  explicit Fence(Device& device);
  ~Fence() override;

  VkSemaphore semaphore_ = VK_NULL_HANDLE;
  std::atomic<UINT64> highestClaimed_{0};
};

// Sets `event` once any (`all` false) or all of the fences reach their values; without an event, waits for
// that before returning. As for SetEventOnCompletion, whoever waits on the event does the waiting, so no
// thread of the layer outlives the call or the program.
void SetEventOnFences(const std::vector<std::pair<Fence*, UINT64>>& targets, bool all, HANDLE event);

}  // namespace d3d12vk
