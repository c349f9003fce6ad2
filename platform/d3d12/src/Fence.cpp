#include "Fence.h"

#include "Device.h"
#include "Diagnostics.h"
#include "VulkanStructs.h"

#include <win32_platform.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace d3d12vk {
namespace {

constexpr uint64_t kNanosecondsPerMillisecond = 1000000;

uint64_t TimeoutNanoseconds(DWORD milliseconds) {
  return milliseconds == INFINITE ? UINT64_MAX : uint64_t(milliseconds) * kNanosecondsPerMillisecond;
}

// Fences with the values one wait is for, each held by a reference for as long as the wait may still run.
class FenceTargets {
 public:
  FenceTargets(const std::vector<std::pair<Fence*, UINT64>>& targets, bool all) : targets_(targets), all_(all) {
    for (auto& target : targets_) target.first->AddRef();
  }
  FenceTargets(const FenceTargets&) = delete;
  FenceTargets& operator=(const FenceTargets&) = delete;
  ~FenceTargets() {
    for (auto& target : targets_) target.first->Release();
  }

  // True when any or all of the fences reached their values within the timeout.
  bool Wait(uint64_t timeoutNanoseconds) const { return all_ ? WaitForAll(timeoutNanoseconds) : WaitForAny(timeoutNanoseconds); }

 private:
  using Clock = std::chrono::steady_clock;

  static uint64_t NanosecondsLeft(Clock::time_point start, uint64_t timeoutNanoseconds) {
    if (timeoutNanoseconds == UINT64_MAX) return UINT64_MAX;
    const auto spent = uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count());
    return spent >= timeoutNanoseconds ? 0 : timeoutNanoseconds - spent;
  }

  bool WaitForAll(uint64_t timeoutNanoseconds) const {
    const auto start = Clock::now();
    for (const auto& [fence, value] : targets_) {
      if (!fence->Wait(value, NanosecondsLeft(start, timeoutNanoseconds))) return false;
    }
    return true;
  }

  // One timeline semaphore wait cannot name fences that CPU signals may complete, so the fences take turns
  // in slices of a millisecond, as the event waits themselves poll their waiters.
  bool WaitForAny(uint64_t timeoutNanoseconds) const {
    const auto start = Clock::now();
    for (;;) {
      for (const auto& [fence, value] : targets_) {
        if (fence->GetCompletedValue() >= value) return true;
      }
      const uint64_t left = NanosecondsLeft(start, timeoutNanoseconds);
      if (left == 0) return false;
      const auto& [first, firstValue] = targets_.front();
      if (first->Wait(firstValue, std::min(left, kNanosecondsPerMillisecond))) return true;
    }
  }

  std::vector<std::pair<Fence*, UINT64>> targets_;
  bool all_;
};

}  // namespace

Fence::Fence(Device& device) : DeviceChild(device) {}

Fence::~Fence() {
  if (semaphore_ != VK_NULL_HANDLE) vkDestroySemaphore(OwningDevice().Vulkan().Handle(), semaphore_, nullptr);
}

HRESULT Fence::Create(Device& device, UINT64 initialValue, Fence** fence) {
  auto type = VkInit<VkSemaphoreTypeCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_TYPE_CREATE_INFO);
  type.semaphoreType = VK_SEMAPHORE_TYPE_TIMELINE;
  type.initialValue = initialValue;
  auto info = VkInit<VkSemaphoreCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO, &type);
  Fence* created = new Fence(device);
  const VkResult result = vkCreateSemaphore(device.Vulkan().Handle(), &info, nullptr, &created->semaphore_);
  if (result != VK_SUCCESS) {
    created->Release();
    return Fail("ID3D12Device::CreateFence", E_OUTOFMEMORY, "cannot create a timeline semaphore: %s",
                DescribeVkResult(result));
  }
  created->highestClaimed_ = initialValue;
  *fence = created;
  return S_OK;
}

// As in Direct3D 12, the fence of a removed device reads UINT64_MAX: work that will never run can never
// signal it, and every wait on it has to end.
UINT64 Fence::GetCompletedValue() {
  uint64_t value = 0;
  const VkResult result = vkGetSemaphoreCounterValue(OwningDevice().Vulkan().Handle(), semaphore_, &value);
  if (result == VK_ERROR_DEVICE_LOST || OwningDevice().Submissions().DeviceLost()) {
    return UINT64_MAX;
  }
  return value;
}

bool Fence::Wait(UINT64 value, uint64_t timeoutNanoseconds) {
  if (OwningDevice().Submissions().DeviceLost()) return true;
  auto wait = VkInit<VkSemaphoreWaitInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_WAIT_INFO);
  wait.semaphoreCount = 1;
  wait.pSemaphores = &semaphore_;
  wait.pValues = &value;
  const VkResult result = vkWaitSemaphores(OwningDevice().Vulkan().Handle(), &wait, timeoutNanoseconds);
  return result == VK_SUCCESS || result == VK_ERROR_DEVICE_LOST;
}

HRESULT Fence::SetEventOnCompletion(UINT64 value, HANDLE event) {
  if (GetCompletedValue() >= value) {
    if (event != nullptr) SetEvent(event);
    return S_OK;
  }
  if (event == nullptr) {
    // Without an event the call itself waits, as in Direct3D 12.
    Wait(value, UINT64_MAX);
    return S_OK;
  }
  // The waiter holds a reference so the semaphore outlives any wait on the event.
  AddRef();
  std::shared_ptr<Fence> holder(this, [](Fence* fence) { fence->Release(); });
  win32_platform::AttachEventWaiter(event, [holder, value, event](DWORD timeoutMilliseconds) {
    if (holder->Wait(value, TimeoutNanoseconds(timeoutMilliseconds))) SetEvent(event);
  });
  return S_OK;
}

bool Fence::ClaimSignalValue(UINT64 value) {
  UINT64 claimed = highestClaimed_.load();
  while (value > claimed) {
    if (highestClaimed_.compare_exchange_weak(claimed, value)) return true;
  }
  return false;
}

HRESULT Fence::Signal(UINT64 value) {
  // Under the scheduler's lock: the signal and the queue work it releases keep their order.
  auto lock = OwningDevice().Scheduler().Lock();
  if (!ClaimSignalValue(value)) {
    if (value < GetCompletedValue()) {
      Report("ID3D12Fence::Signal", "cannot move the fence back from %llu to %llu",
             (unsigned long long)GetCompletedValue(), (unsigned long long)value);
    }
    return S_OK;
  }
  auto signal = VkInit<VkSemaphoreSignalInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_SIGNAL_INFO);
  signal.semaphore = semaphore_;
  signal.value = value;
  const VkResult result = vkSignalSemaphore(OwningDevice().Vulkan().Handle(), &signal);
  if (result != VK_SUCCESS) {
    return Fail("ID3D12Fence::Signal", E_FAIL, "cannot signal %llu: %s", (unsigned long long)value,
                DescribeVkResult(result));
  }
  OwningDevice().Scheduler().SubmitReadyWork();
  return S_OK;
}

void SetEventOnFences(const std::vector<std::pair<Fence*, UINT64>>& targets, bool all, HANDLE event) {
  auto held = std::make_shared<const FenceTargets>(targets, all);
  if (event == nullptr) {
    held->Wait(UINT64_MAX);
    return;
  }
  if (held->Wait(0)) {
    SetEvent(event);
    return;
  }
  win32_platform::AttachEventWaiter(event, [held, event](DWORD timeoutMilliseconds) {
    if (held->Wait(TimeoutNanoseconds(timeoutMilliseconds))) SetEvent(event);
  });
}

}  // namespace d3d12vk
