#include "CommandQueue.h"

#include "CommandAllocator.h"
#include "CommandList.h"
#include "Device.h"
#include "Diagnostics.h"
#include "Fence.h"
#include "ResourceStates.h"

#include <algorithm>
#include <vector>

namespace d3d12vk {

CommandQueue::CommandQueue(Device& device, const D3D12_COMMAND_QUEUE_DESC& desc) : DeviceChild(device), desc_(desc) {
  device.Scheduler().Register(this);
}

CommandQueue::~CommandQueue() {
  OwningDevice().Scheduler().Unregister(this);
  if (!held_.empty()) {
    Report("ID3D12CommandQueue::Release", "%zu operations still waited for a fence and never ran", held_.size());
  }
  for (HeldOperation& operation : held_) DropHeld(operation);
}

void CommandQueue::ExecuteCommandLists(UINT count, ID3D12CommandList* const* commandLists) {
  constexpr const char* kCall = "ID3D12CommandQueue::ExecuteCommandLists";
  if (count == 0) return;
  if (commandLists == nullptr) {
    Report(kCall, "ppCommandLists is null");
    return;
  }
  std::vector<VkCommandBuffer> buffers;
  std::vector<CommandAllocator*> allocators;
  buffers.reserve(count);
  allocators.reserve(count);
  for (UINT i = 0; i < count; ++i) {
    auto* list = static_cast<CommandList*>(static_cast<ID3D12GraphicsCommandList*>(commandLists[i]));
    if (list == nullptr) {
      Report(kCall, "command list %u is null; nothing was executed", i);
      return;
    }
    if (!list->IsClosed()) {
      Report(kCall, "command list %u is still recording (call Close first); nothing was executed", i);
      return;
    }
    if (list->GetType() == D3D12_COMMAND_LIST_TYPE_BUNDLE) {
      Report(kCall, "command list %u is a bundle, which runs only through ExecuteBundle; nothing was executed", i);
      return;
    }
    if (list->GetType() != desc_.Type) {
      Report(kCall, "command list %u is of type %d, the queue of type %d; nothing was executed", i, list->GetType(),
             desc_.Type);
      return;
    }
    buffers.push_back(list->Commands());
    allocators.push_back(list->Allocator());
  }
  auto lock = OwningDevice().Scheduler().Lock();
  if (held_.empty()) {
    SubmitCommands(buffers, allocators);
    return;
  }
  // The list may be reset and recorded again at once; its command buffer stays with the allocator.
  for (CommandAllocator* allocator : allocators) {
    allocator->AddRef();
    allocator->BeginHold();
  }
  HeldOperation operation{HeldOperation::Kind::Execute};
  operation.commands = std::move(buffers);
  operation.allocators = std::move(allocators);
  Hold(std::move(operation));
}

HRESULT CommandQueue::Signal(ID3D12Fence* fence, UINT64 value) {
  constexpr const char* kCall = "ID3D12CommandQueue::Signal";
  if (fence == nullptr) return Fail(kCall, E_INVALIDARG, "pFence is null");
  Fence* target = static_cast<Fence*>(fence);
  auto lock = OwningDevice().Scheduler().Lock();
  if (!held_.empty()) {
    target->AddRef();
    Hold(FenceOperation(HeldOperation::Kind::Signal, target, value));
    return S_OK;
  }
  if (SubmitSignal(target, value)) OwningDevice().Scheduler().SubmitReadyWork();
  return OwningDevice().Submissions().DeviceLost() ? DXGI_ERROR_DEVICE_REMOVED : S_OK;
}

HRESULT CommandQueue::Wait(ID3D12Fence* fence, UINT64 value) {
  constexpr const char* kCall = "ID3D12CommandQueue::Wait";
  if (fence == nullptr) return Fail(kCall, E_INVALIDARG, "pFence is null");
  Fence* target = static_cast<Fence*>(fence);
  auto lock = OwningDevice().Scheduler().Lock();
  if (held_.empty() && target->IsSignalSubmitted(value)) {
    metWaits_.push_back({target->Semaphore(), value, kEveryWorkStage});
    return S_OK;
  }
  target->AddRef();
  Hold(FenceOperation(HeldOperation::Kind::Wait, target, value));
  return S_OK;
}

bool CommandQueue::SubmitReadyWork() {
  bool signalled = false;
  while (!held_.empty()) {
    HeldOperation& operation = held_.front();
    switch (operation.kind) {
      case HeldOperation::Kind::Wait:
        if (!operation.fence->IsSignalSubmitted(operation.value)) return signalled;
        metWaits_.push_back({operation.fence->Semaphore(), operation.value, kEveryWorkStage});
        break;
      case HeldOperation::Kind::Execute:
        SubmitCommands(operation.commands, operation.allocators);
        break;
      case HeldOperation::Kind::Signal:
        signalled = SubmitSignal(operation.fence, operation.value) || signalled;
        break;
      case HeldOperation::Kind::Run:
        operation.work();
        break;
    }
    DropHeld(operation);
    held_.pop_front();
  }
  return signalled;
}

bool CommandQueue::RunAfterHeldWork(const void* owner, std::function<void()> work) {
  auto lock = OwningDevice().Scheduler().Lock();
  if (held_.empty()) return false;
  HeldOperation operation{HeldOperation::Kind::Run};
  operation.owner = owner;
  operation.work = std::move(work);
  Hold(std::move(operation));
  return true;
}

void CommandQueue::DropHeldWork(const void* owner) {
  auto lock = OwningDevice().Scheduler().Lock();
  for (HeldOperation& operation : held_) {
    if (operation.kind == HeldOperation::Kind::Run && operation.owner == owner) operation.work = [] {};
  }
}

void CommandQueue::SubmitCommands(const std::vector<VkCommandBuffer>& commands,
                                  const std::vector<CommandAllocator*>& allocators) {
  // One list twice in one call: each execution gets a submission of its own, the second after the first.
  for (size_t i = 1; i < commands.size(); ++i) {
    if (std::find(commands.begin(), commands.begin() + i, commands[i]) == commands.begin() + i) continue;
    SubmitCommands({commands.begin(), commands.begin() + i}, {allocators.begin(), allocators.begin() + i});
    SubmitCommands({commands.begin() + i, commands.end()}, {allocators.begin() + i, allocators.end()});
    return;
  }
  SubmissionQueue& submissions = OwningDevice().Submissions();
  // A recording runs again only once its earlier execution is done: the buffers are not for simultaneous use.
  // Every earlier submission can finish without this queue, so the wait ends.
  for (size_t i = 0; i < commands.size(); ++i) {
    const uint64_t earlier = allocators[i]->LastSubmissionOf(commands[i]);
    if (earlier != 0 && !submissions.IsComplete(earlier)) submissions.WaitFor(earlier);
  }
  const uint64_t serial = submissions.Submit("ID3D12CommandQueue::ExecuteCommandLists", commands, metWaits_);
  metWaits_.clear();
  if (serial == 0) return;
  for (size_t i = 0; i < commands.size(); ++i) allocators[i]->MarkSubmitted(commands[i], serial);
}

bool CommandQueue::SubmitSignal(Fence* fence, UINT64 value) {
  // A value the fence has already been given is reached once the earlier signal is.
  if (!fence->ClaimSignalValue(value)) return false;
  const SemaphoreSignal signal{fence->Semaphore(), value};
  OwningDevice().Submissions().Submit("ID3D12CommandQueue::Signal", {}, metWaits_, {&signal, 1});
  metWaits_.clear();
  return true;
}

void CommandQueue::Hold(HeldOperation operation) { held_.push_back(std::move(operation)); }

CommandQueue::HeldOperation CommandQueue::FenceOperation(HeldOperation::Kind kind, Fence* fence, UINT64 value) {
  HeldOperation operation{kind};
  operation.fence = fence;
  operation.value = value;
  return operation;
}

void CommandQueue::DropHeld(HeldOperation& operation) {
  for (CommandAllocator* allocator : operation.allocators) {
    allocator->EndHold();
    allocator->Release();
  }
  operation.allocators.clear();
  if (operation.fence != nullptr) operation.fence->Release();
  operation.fence = nullptr;
}

void CommandQueue::UpdateTileMappings(ID3D12Resource*, UINT, const D3D12_TILED_RESOURCE_COORDINATE*,
                                      const D3D12_TILE_REGION_SIZE*, ID3D12Heap*, UINT, const D3D12_TILE_RANGE_FLAGS*,
                                      const UINT*, const UINT*, D3D12_TILE_MAPPING_FLAGS) {
  ReportNotImplementedOnce("ID3D12CommandQueue::UpdateTileMappings");
}

void CommandQueue::CopyTileMappings(ID3D12Resource*, const D3D12_TILED_RESOURCE_COORDINATE*, ID3D12Resource*,
                                    const D3D12_TILED_RESOURCE_COORDINATE*, const D3D12_TILE_REGION_SIZE*,
                                    D3D12_TILE_MAPPING_FLAGS) {
  ReportNotImplementedOnce("ID3D12CommandQueue::CopyTileMappings");
}

// Annotations between submissions change nothing a program can observe. Queue labels would have to follow
// the scheduler's deferred submissions, so they are accepted and dropped; command lists carry theirs.
void CommandQueue::SetMarker(UINT, const void*, UINT) {}
void CommandQueue::BeginEvent(UINT, const void*, UINT) {}
void CommandQueue::EndEvent() {}

// Vulkan timestamps count periods of timestampPeriod nanoseconds.
HRESULT CommandQueue::GetTimestampFrequency(UINT64* frequency) {
  constexpr const char* kCall = "ID3D12CommandQueue::GetTimestampFrequency";
  if (frequency == nullptr) return Fail(kCall, E_INVALIDARG, "pFrequency is null");
  const float period = OwningDevice().Vulkan().Limits().timestampPeriod;
  if (period <= 0.0f) return Fail(kCall, E_FAIL, "the device has no timestamps");
  *frequency = UINT64(1.0e9 / double(period) + 0.5);
  return S_OK;
}

HRESULT CommandQueue::GetClockCalibration(UINT64*, UINT64*) {
  return NotImplemented("ID3D12CommandQueue::GetClockCalibration");
}

}  // namespace d3d12vk
