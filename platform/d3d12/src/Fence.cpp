#include "Fence.h"

#include "Device.h"
#include "Diagnostics.h"
#include "VulkanStructs.h"

#include <win32_platform.h>

#include <memory>

namespace d3d12vk {
namespace {

constexpr uint64_t kNanosecondsPerMillisecond = 1000000;

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
    const uint64_t timeout =
        timeoutMilliseconds == INFINITE ? UINT64_MAX : uint64_t(timeoutMilliseconds) * kNanosecondsPerMillisecond;
    if (holder->Wait(value, timeout)) SetEvent(event);
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

}  // namespace d3d12vk
