#include "SubmissionQueue.h"

#include "Diagnostics.h"
#include "VulkanStructs.h"

namespace d3d12vk {

SubmissionQueue::SubmissionQueue(VulkanDevice& device) : device_(device) {
  auto type = VkInit<VkSemaphoreTypeCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_TYPE_CREATE_INFO);
  type.semaphoreType = VK_SEMAPHORE_TYPE_TIMELINE;
  auto semaphoreInfo = VkInit<VkSemaphoreCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO, &type);
  vkCreateSemaphore(device.Handle(), &semaphoreInfo, nullptr, &timeline_);

  auto poolInfo = VkInit<VkCommandPoolCreateInfo>(VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO);
  poolInfo.flags = VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT | VK_COMMAND_POOL_CREATE_TRANSIENT_BIT;
  poolInfo.queueFamilyIndex = device.QueueFamily();
  vkCreateCommandPool(device.Handle(), &poolInfo, nullptr, &pool_);
}

SubmissionQueue::~SubmissionQueue() {
  WaitIdle();
  if (pool_ != VK_NULL_HANDLE) vkDestroyCommandPool(device_.Handle(), pool_, nullptr);
  if (timeline_ != VK_NULL_HANDLE) vkDestroySemaphore(device_.Handle(), timeline_, nullptr);
}

uint64_t SubmissionQueue::Submit(const char* call, std::span<const VkCommandBuffer> commandBuffers,
                                 std::span<const SemaphoreWait> waits, std::span<const SemaphoreSignal> signals) {
  std::lock_guard lock(mutex_);
  std::vector<VkCommandBufferSubmitInfo> buffers;
  buffers.reserve(commandBuffers.size() + 1);
  VkCommandBuffer initialization = pendingInitialization_;
  if (initialization != VK_NULL_HANDLE) {
    vkEndCommandBuffer(initialization);
    buffers.push_back({VK_STRUCTURE_TYPE_COMMAND_BUFFER_SUBMIT_INFO, nullptr, initialization, 0});
    pendingInitialization_ = VK_NULL_HANDLE;
  }
  for (VkCommandBuffer buffer : commandBuffers) {
    buffers.push_back({VK_STRUCTURE_TYPE_COMMAND_BUFFER_SUBMIT_INFO, nullptr, buffer, 0});
  }

  std::vector<VkSemaphoreSubmitInfo> waitInfos;
  for (const SemaphoreWait& wait : waits) {
    waitInfos.push_back({VK_STRUCTURE_TYPE_SEMAPHORE_SUBMIT_INFO, nullptr, wait.semaphore, wait.value, wait.stages, 0});
  }
  const uint64_t serial = lastSerial_ + 1;
  std::vector<VkSemaphoreSubmitInfo> signalInfos;
  for (const SemaphoreSignal& signal : signals) {
    signalInfos.push_back({VK_STRUCTURE_TYPE_SEMAPHORE_SUBMIT_INFO, nullptr, signal.semaphore, signal.value,
                           VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT, 0});
  }
  signalInfos.push_back(
      {VK_STRUCTURE_TYPE_SEMAPHORE_SUBMIT_INFO, nullptr, timeline_, serial, VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT, 0});

  auto submit = VkInit<VkSubmitInfo2>(VK_STRUCTURE_TYPE_SUBMIT_INFO_2);
  submit.waitSemaphoreInfoCount = uint32_t(waitInfos.size());
  submit.pWaitSemaphoreInfos = waitInfos.data();
  submit.commandBufferInfoCount = uint32_t(buffers.size());
  submit.pCommandBufferInfos = buffers.data();
  submit.signalSemaphoreInfoCount = uint32_t(signalInfos.size());
  submit.pSignalSemaphoreInfos = signalInfos.data();
  const VkResult result = device_.Commands().QueueSubmit2(device_.Queue(), 1, &submit, VK_NULL_HANDLE);
  if (result != VK_SUCCESS) {
    deviceLost_ = deviceLost_ || result == VK_ERROR_DEVICE_LOST;
    Report(call, "the Vulkan queue refused the submission: %s", DescribeVkResult(result));
    if (initialization != VK_NULL_HANDLE) freeInitializationBuffers_.push_back(initialization);
    return 0;
  }
  lastSerial_ = serial;
  if (initialization != VK_NULL_HANDLE) initializationInFlight_.emplace_back(serial, initialization);
  return serial;
}

VkResult SubmissionQueue::Present(const VkPresentInfoKHR& info) {
  std::lock_guard lock(mutex_);
  return vkQueuePresentKHR(device_.Queue(), &info);
}

uint64_t SubmissionQueue::CompletedSerial() const {
  uint64_t value = 0;
  vkGetSemaphoreCounterValue(device_.Handle(), timeline_, &value);
  return value;
}

void SubmissionQueue::WaitFor(uint64_t serial) const {
  auto wait = VkInit<VkSemaphoreWaitInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_WAIT_INFO);
  wait.semaphoreCount = 1;
  wait.pSemaphores = &timeline_;
  wait.pValues = &serial;
  vkWaitSemaphores(device_.Handle(), &wait, UINT64_MAX);
}

void SubmissionQueue::WaitIdle() const {
  uint64_t last;
  {
    std::lock_guard lock(mutex_);
    last = lastSerial_;
  }
  if (timeline_ != VK_NULL_HANDLE) WaitFor(last);
}

uint64_t SubmissionQueue::RecordInitialization(const std::function<void(VkCommandBuffer)>& record) {
  std::lock_guard lock(mutex_);
  if (pendingInitialization_ == VK_NULL_HANDLE) {
    pendingInitialization_ = TakeInitializationBuffer();
    if (pendingInitialization_ == VK_NULL_HANDLE) return 0;
    auto begin = VkInit<VkCommandBufferBeginInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO);
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    vkBeginCommandBuffer(pendingInitialization_, &begin);
  }
  record(pendingInitialization_);
  return lastSerial_ + 1;
}

void SubmissionQueue::FinishInitialization(uint64_t serial) {
  bool pending;
  {
    std::lock_guard lock(mutex_);
    pending = serial > lastSerial_;
  }
  if (pending) Submit("SubmissionQueue::FinishInitialization", {});
  WaitFor(serial);
}

VkCommandBuffer SubmissionQueue::TakeInitializationBuffer() {
  RecycleFinishedInitializationBuffers();
  if (!freeInitializationBuffers_.empty()) {
    VkCommandBuffer buffer = freeInitializationBuffers_.back();
    freeInitializationBuffers_.pop_back();
    vkResetCommandBuffer(buffer, 0);
    return buffer;
  }
  auto allocate = VkInit<VkCommandBufferAllocateInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO);
  allocate.commandPool = pool_;
  allocate.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
  allocate.commandBufferCount = 1;
  VkCommandBuffer buffer = VK_NULL_HANDLE;
  vkAllocateCommandBuffers(device_.Handle(), &allocate, &buffer);
  return buffer;
}

void SubmissionQueue::RecycleFinishedInitializationBuffers() {
  const uint64_t completed = CompletedSerial();
  while (!initializationInFlight_.empty() && initializationInFlight_.front().first <= completed) {
    freeInitializationBuffers_.push_back(initializationInFlight_.front().second);
    initializationInFlight_.pop_front();
  }
}

}  // namespace d3d12vk
