#include "CommandQueue.h"

#include "CommandList.h"
#include "Device.h"
#include "Diagnostics.h"
#include "Fence.h"

#include <vector>

namespace d3d12vk {

CommandQueue::CommandQueue(Device& device, const D3D12_COMMAND_QUEUE_DESC& desc) : DeviceChild(device), desc_(desc) {}

void CommandQueue::ExecuteCommandLists(UINT count, ID3D12CommandList* const* commandLists) {
  constexpr const char* kCall = "ID3D12CommandQueue::ExecuteCommandLists";
  if (count == 0) return;
  if (commandLists == nullptr) {
    ReportError(kCall, "ppCommandLists is null");
    return;
  }
  std::vector<VkCommandBuffer> buffers;
  std::vector<CommandList*> lists;
  buffers.reserve(count);
  for (UINT i = 0; i < count; ++i) {
    auto* list = static_cast<CommandList*>(static_cast<ID3D12GraphicsCommandList*>(commandLists[i]));
    if (list == nullptr) {
      ReportError(kCall, "command list %u is null; nothing was executed", i);
      return;
    }
    if (!list->IsClosed()) {
      ReportError(kCall, "command list %u is still recording (call Close first); nothing was executed", i);
      return;
    }
    if (list->GetType() == D3D12_COMMAND_LIST_TYPE_BUNDLE) {
      ReportError(kCall, "command list %u is a bundle, which runs only through ExecuteBundle; nothing was executed", i);
      return;
    }
    buffers.push_back(list->Commands());
    lists.push_back(list);
  }
  const uint64_t serial = OwningDevice().Submissions().Submit(kCall, buffers);
  if (serial == 0) return;
  for (CommandList* list : lists) list->MarkSubmitted(serial);
}

HRESULT CommandQueue::Signal(ID3D12Fence* fence, UINT64 value) {
  constexpr const char* kCall = "ID3D12CommandQueue::Signal";
  if (fence == nullptr) return Fail(E_INVALIDARG, kCall, "pFence is null");
  Fence* target = static_cast<Fence*>(fence);
  // A value the fence has already been given is reached once the earlier signal is.
  if (!target->ClaimSignalValue(value)) return S_OK;
  const SemaphoreSignal signal{target->Semaphore(), value};
  return OwningDevice().Submissions().Submit(kCall, {}, {}, {&signal, 1}) != 0 ? S_OK : E_FAIL;
}

HRESULT CommandQueue::Wait(ID3D12Fence* fence, UINT64 value) {
  constexpr const char* kCall = "ID3D12CommandQueue::Wait";
  if (fence == nullptr) return Fail(E_INVALIDARG, kCall, "pFence is null");
  const SemaphoreWait wait{static_cast<Fence*>(fence)->Semaphore(), value, VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT};
  return OwningDevice().Submissions().Submit(kCall, {}, {&wait, 1}) != 0 ? S_OK : E_FAIL;
}

void CommandQueue::UpdateTileMappings(ID3D12Resource*, UINT, const D3D12_TILED_RESOURCE_COORDINATE*,
                                      const D3D12_TILE_REGION_SIZE*, ID3D12Heap*, UINT, const D3D12_TILE_RANGE_FLAGS*,
                                      const UINT*, const UINT*, D3D12_TILE_MAPPING_FLAGS) {
  ReportUnsupportedOnce("ID3D12CommandQueue::UpdateTileMappings");
}

void CommandQueue::CopyTileMappings(ID3D12Resource*, const D3D12_TILED_RESOURCE_COORDINATE*, ID3D12Resource*,
                                    const D3D12_TILED_RESOURCE_COORDINATE*, const D3D12_TILE_REGION_SIZE*,
                                    D3D12_TILE_MAPPING_FLAGS) {
  ReportUnsupportedOnce("ID3D12CommandQueue::CopyTileMappings");
}

void CommandQueue::SetMarker(UINT, const void*, UINT) { ReportUnsupportedOnce("ID3D12CommandQueue::SetMarker"); }
void CommandQueue::BeginEvent(UINT, const void*, UINT) { ReportUnsupportedOnce("ID3D12CommandQueue::BeginEvent"); }
void CommandQueue::EndEvent() { ReportUnsupportedOnce("ID3D12CommandQueue::EndEvent"); }

HRESULT CommandQueue::GetTimestampFrequency(UINT64*) {
  return NotImplemented("ID3D12CommandQueue::GetTimestampFrequency");
}

HRESULT CommandQueue::GetClockCalibration(UINT64*, UINT64*) {
  return NotImplemented("ID3D12CommandQueue::GetClockCalibration");
}

}  // namespace d3d12vk
