// Bundles: a bundle records its calls as commands, and ExecuteBundle replays them into the calling direct
// list. Replaying makes Direct3D 12's inheritance rules fall out: the bundle starts with the pipeline state
// it was created with and no primitive topology, sees the caller's descriptor heaps, vertex and index
// buffers, and (when it sets the caller's root signature) root arguments, and whatever it sets stays set in
// the caller afterwards.
#include "CommandList.h"

#include "CommandAllocator.h"
#include "Diagnostics.h"
#include "PipelineState.h"

namespace d3d12vk {

HRESULT CommandList::BeginBundle(CommandAllocator* allocator, PipelineState* initialState) {
  // The allocator tracks which list records from it; a bundle takes no command buffer of its own from it.
  allocator->BeginRecording(this);
  allocator->AddRef();
  if (allocator_ != nullptr) allocator_->Release();
  allocator_ = allocator;
  commands_ = VK_NULL_HANDLE;
  recording_ = true;
  rejectedCall_ = false;
  bundleCommands_.clear();
  bundlePipeline_ = initialState;
  return S_OK;
}

HRESULT CommandList::CloseBundle() {
  recording_ = false;
  allocator_->EndRecording(this);
  if (rejectedCall_) {
    return Fail("ID3D12GraphicsCommandList::Close", E_INVALIDARG,
                "calls a bundle may not make, or with invalid arguments, were recorded (see the messages above)");
  }
  return S_OK;
}

void CommandList::RecordForBundle(const char* call, BundleCommand command) {
  if (!recording_) {
    Report("ID3D12GraphicsCommandList", "%s: the bundle is closed (call Reset first)", call);
    return;
  }
  bundleCommands_.push_back(std::move(command));
}

void CommandList::RejectInBundle(const char* call) { Reject(call, "bundles may not make this call"); }

void CommandList::CheckBundleHeaps(const std::array<DescriptorHeap*, 2>& heaps) {
  for (DescriptorHeap* heap : heaps) {
    if (heap != nullptr && heap != descriptorHeaps_[0] && heap != descriptorHeaps_[1]) {
      return Reject("ID3D12GraphicsCommandList::ExecuteBundle",
                    "the bundle's SetDescriptorHeaps names heaps the calling list has not set");
    }
  }
}

void CommandList::ExecuteBundle(ID3D12GraphicsCommandList* bundle) {
  constexpr const char* kCall = "ID3D12GraphicsCommandList::ExecuteBundle";
  if (!CheckRecording(kCall)) return;
  if (IsBundle()) return RejectInBundle(kCall);
  if (type_ != D3D12_COMMAND_LIST_TYPE_DIRECT) return Reject(kCall, "only direct command lists execute bundles");
  auto* recorded = static_cast<CommandList*>(bundle);
  if (recorded == nullptr || !recorded->IsBundle()) return Reject(kCall, "pCommandList is not a bundle");
  if (!recorded->IsClosed()) return Reject(kCall, "the bundle is still recording (call Close first)");
  if (recorded->rejectedCall_) return Reject(kCall, "the bundle recorded calls that were refused");
  pipeline_ = recorded->bundlePipeline_;
  replayingBundle_ = true;
  bundleSetTopology_ = false;
  for (const BundleCommand& command : recorded->bundleCommands_) command(*this);
  replayingBundle_ = false;
}

}  // namespace d3d12vk
