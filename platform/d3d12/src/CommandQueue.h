// ID3D12CommandQueue: submits closed command lists and fence operations to the device's Vulkan queue. Work
// behind a Wait for a fence value not yet signalled is held on the CPU (see QueueScheduler) and submitted in
// order once the value is signalled or submitted for signalling.
#pragma once

#include "ComObject.h"
#include "SubmissionQueue.h"

#include <deque>
#include <functional>
#include <vector>

namespace d3d12vk {

class CommandAllocator;
class Fence;

class CommandQueue final : public DeviceChild<ID3D12CommandQueue, ID3D12Pageable> {
 public:
  CommandQueue(Device& device, const D3D12_COMMAND_QUEUE_DESC& desc);
  ~CommandQueue() override;

  // ID3D12CommandQueue
  void STDMETHODCALLTYPE UpdateTileMappings(ID3D12Resource*, UINT, const D3D12_TILED_RESOURCE_COORDINATE*,
                                            const D3D12_TILE_REGION_SIZE*, ID3D12Heap*, UINT,
                                            const D3D12_TILE_RANGE_FLAGS*, const UINT*, const UINT*,
                                            D3D12_TILE_MAPPING_FLAGS) override;
  void STDMETHODCALLTYPE CopyTileMappings(ID3D12Resource*, const D3D12_TILED_RESOURCE_COORDINATE*, ID3D12Resource*,
                                          const D3D12_TILED_RESOURCE_COORDINATE*, const D3D12_TILE_REGION_SIZE*,
                                          D3D12_TILE_MAPPING_FLAGS) override;
  void STDMETHODCALLTYPE ExecuteCommandLists(UINT count, ID3D12CommandList* const* commandLists) override;
  void STDMETHODCALLTYPE SetMarker(UINT, const void*, UINT) override;
  void STDMETHODCALLTYPE BeginEvent(UINT, const void*, UINT) override;
  void STDMETHODCALLTYPE EndEvent() override;
  HRESULT STDMETHODCALLTYPE Signal(ID3D12Fence* fence, UINT64 value) override;
  HRESULT STDMETHODCALLTYPE Wait(ID3D12Fence* fence, UINT64 value) override;
  HRESULT STDMETHODCALLTYPE GetTimestampFrequency(UINT64* frequency) override;
  HRESULT STDMETHODCALLTYPE GetClockCalibration(UINT64* gpuTimestamp, UINT64* cpuTimestamp) override;
  D3D12_COMMAND_QUEUE_DESC STDMETHODCALLTYPE GetDesc() override { return desc_; }

  // Submits held work from the front up to the first wait still unmet; with the scheduler's lock held.
  // Returns true when a fence signal was submitted, which may release other queues.
  bool SubmitReadyWork();

  // Runs `work` in order with this queue's work: returns false when nothing is held, for the caller to run it
  // now; otherwise holds it until the work before it is submitted. `owner` names it for DropHeldWork.
  bool RunAfterHeldWork(const void* owner, std::function<void()> work);
  // Forgets held work of `owner`, which is going away.
  void DropHeldWork(const void* owner);

 private:
  // Work asked for after an unmet wait, in the program's order. Held objects keep a reference.
  struct HeldOperation {
    enum class Kind { Execute, Signal, Wait, Run };
    explicit HeldOperation(Kind held) : kind(held) {}
    Kind kind;
    std::vector<VkCommandBuffer> commands;
    std::vector<CommandAllocator*> allocators;
    Fence* fence = nullptr;
    UINT64 value = 0;
    const void* owner = nullptr;
    std::function<void()> work;
  };

  void SubmitCommands(const std::vector<VkCommandBuffer>& commands, const std::vector<CommandAllocator*>& allocators);
  bool SubmitSignal(Fence* fence, UINT64 value);
  void Hold(HeldOperation operation);
  static HeldOperation FenceOperation(HeldOperation::Kind kind, Fence* fence, UINT64 value);
  void DropHeld(HeldOperation& operation);

  D3D12_COMMAND_QUEUE_DESC desc_;
  std::deque<HeldOperation> held_;
  // Met waits not yet part of a submission: they go with this queue's next one.
  std::vector<SemaphoreWait> metWaits_;
};

}  // namespace d3d12vk
