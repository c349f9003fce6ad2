#include "CommandList.h"

#include "CommandAllocator.h"
#include "Device.h"
#include "Diagnostics.h"
#include "PipelineState.h"
#include "ResourceStates.h"
#include "RootSignature.h"
#include "VulkanStructs.h"

#include <cstdarg>
#include <cstdio>

namespace d3d12vk {
namespace {

// Everything a command list runs after must see what earlier submissions wrote: Direct3D 12 finishes and
// flushes all work between ExecuteCommandLists calls, Vulkan needs a barrier for it.
void RecordFullBarrier(const VulkanDispatch& vk, VkCommandBuffer commands, VkPipelineStageFlags2 destinationStages,
                       VkAccessFlags2 destinationAccess) {
  auto barrier = VkInit<VkMemoryBarrier2>(VK_STRUCTURE_TYPE_MEMORY_BARRIER_2);
  barrier.srcStageMask = kEveryWorkStage;
  barrier.srcAccessMask = kEveryWorkWrite;
  barrier.dstStageMask = destinationStages;
  barrier.dstAccessMask = destinationAccess;
  auto dependency = VkInit<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
  dependency.memoryBarrierCount = 1;
  dependency.pMemoryBarriers = &barrier;
  vk.CmdPipelineBarrier2(commands, &dependency);
}

}  // namespace

CommandList::CommandList(Device& device) : DeviceChild(device) {}

CommandList::~CommandList() {
  if (allocator_ != nullptr) {
    allocator_->EndRecording(this);
    allocator_->Release();
  }
}

HRESULT CommandList::Create(Device& device, D3D12_COMMAND_LIST_TYPE type, CommandAllocator* allocator,
                            PipelineState* initialState, CommandList** commandList) {
  constexpr const char* kCall = "ID3D12Device::CreateCommandList";
  CommandList* created = new CommandList(device);
  created->type_ = type;
  const HRESULT result = created->BeginRecording(kCall, allocator, initialState);
  if (FAILED(result)) {
    created->Release();
    return result;
  }
  *commandList = created;
  return S_OK;
}

HRESULT CommandList::BeginRecording(const char* call, CommandAllocator* allocator, PipelineState* initialState) {
  if (allocator->Type() != type_) {
    return Fail(call, E_INVALIDARG, "the allocator's type %d differs from the list's type %d", allocator->Type(),
                type_);
  }
  if (allocator->RecordingList() != nullptr) {
    return Fail(call, E_INVALIDARG, "another command list is still recording from this allocator");
  }
  if (type_ == D3D12_COMMAND_LIST_TYPE_BUNDLE) return BeginBundle(allocator, initialState);
  openEventLabels_ = 0;
  VkCommandBuffer commands = allocator->BeginRecording(this);
  if (commands == VK_NULL_HANDLE) return Fail(call, E_OUTOFMEMORY, "cannot allocate a command buffer");
  auto begin = VkInit<VkCommandBufferBeginInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO);
  // No simultaneous use, which costs drivers: Direct3D 12 may execute a closed list again while an earlier
  // execution still runs, and the queue waits for the earlier one then (CommandQueue::SubmitCommands). Not
  // one-time submit either: executing a closed list again is valid in Direct3D 12.
  begin.flags = 0;
  vkBeginCommandBuffer(commands, &begin);
  RecordFullBarrier(OwningDevice().Vulkan().Commands(), commands, kEveryWorkStage, kEveryWorkAccess);

  allocator->AddRef();
  if (allocator_ != nullptr) allocator_->Release();
  allocator_ = allocator;
  commands_ = commands;
  recording_ = true;
  rejectedCall_ = false;
  ResetState(initialState);
  return S_OK;
}

void CommandList::ResetState(PipelineState* initialState) {
  renderTargetCount_ = 0;
  depthStencil_ = Descriptor{};
  renderingActive_ = false;
  pendingClears_.clear();
  pipeline_ = initialState;
  boundPipeline_ = VK_NULL_HANDLE;
  topology_ = D3D_PRIMITIVE_TOPOLOGY_UNDEFINED;
  primitiveRestart_ = -1;
  viewportSet_ = false;
  scissorSet_ = false;
  indexBufferSet_ = false;
  indexBufferCapacity_ = 0;
  indexBufferView_ = {};
  vertexBuffersSet_ = false;
  vertexBufferViews_.fill({});
  graphics_ = RootState{};
  compute_ = RootState{};
  boundComputePipeline_ = VK_NULL_HANDLE;
  descriptorHeaps_.fill(nullptr);
  // Direct3D 12's initial blend factor and stencil reference; Vulkan needs them set before any draw.
  const float blendFactor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  vkCmdSetBlendConstants(commands_, blendFactor);
  vkCmdSetStencilReference(commands_, VK_STENCIL_FACE_FRONT_AND_BACK, 0);
}

void CommandList::Reject(const char* call, const char* format, ...) {
  char message[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(message, sizeof(message), format, arguments);
  va_end(arguments);
  Report(call, "%s", message);
  rejectedCall_ = true;
}

bool CommandList::CheckRecording(const char* call) {
  if (recording_) return true;
  Report(call, "the command list is closed (call Reset first)");
  return false;
}

HRESULT CommandList::Close() {
  constexpr const char* kCall = "ID3D12GraphicsCommandList::Close";
  if (!recording_) return Fail(kCall, E_FAIL, "the command list is already closed");
  if (IsBundle()) return CloseBundle();
  EndOpenEventLabels();
  EndRendering();
  FlushPendingClears();
  EndPredication();
  // Readback buffers are read by the CPU after a fence wait; make the writes of this list visible to it.
  RecordFullBarrier(OwningDevice().Vulkan().Commands(), commands_, VK_PIPELINE_STAGE_2_HOST_BIT,
                    VK_ACCESS_2_HOST_READ_BIT);
  const VkResult result = vkEndCommandBuffer(commands_);
  recording_ = false;
  allocator_->EndRecording(this);
  if (result != VK_SUCCESS) return Fail(kCall, E_OUTOFMEMORY, "recording failed: %s", DescribeVkResult(result));
  if (rejectedCall_) {
    return Fail(kCall, E_INVALIDARG, "calls with invalid arguments were recorded (see the messages above)");
  }
  return S_OK;
}

HRESULT CommandList::Reset(ID3D12CommandAllocator* allocator, ID3D12PipelineState* initialState) {
  constexpr const char* kCall = "ID3D12GraphicsCommandList::Reset";
  if (recording_) return Fail(kCall, E_FAIL, "the command list is still recording (call Close first)");
  if (allocator == nullptr) return Fail(kCall, E_INVALIDARG, "pAllocator is null");
  return BeginRecording(kCall, static_cast<CommandAllocator*>(allocator), static_cast<PipelineState*>(initialState));
}

void CommandList::ClearState(ID3D12PipelineState* pipelineState) {
  if (!CheckRecording("ID3D12GraphicsCommandList::ClearState")) return;
  if (IsBundle()) return RejectInBundle("ID3D12GraphicsCommandList::ClearState");
  EndRendering();
  FlushPendingClears();
  EndPredication();
  ResetState(static_cast<PipelineState*>(pipelineState));
}

void CommandList::MarkSubmitted(uint64_t serial) {
  if (allocator_ != nullptr) allocator_->MarkSubmitted(commands_, serial);
}

}  // namespace d3d12vk
