// ExecuteIndirect of ID3D12GraphicsCommandList. A command signature of a draw, indexed draw or dispatch alone
// is Vulkan's indirect command with the signature's stride (the count buffer too, for draws). Commands that
// also set root constants, and dispatches with a count buffer, are split on the GPU: IndirectSlots copies each
// command into a slot of its own, and each slot is one indirect draw or dispatch with its own root constants.
// The split costs a compute pass and, on the CPU, one draw per slot up to MaxCommandCount, used or not.
#include "CommandList.h"

#include "CommandAllocator.h"
#include "CommandSignature.h"
#include "Device.h"
#include "Diagnostics.h"
#include "IndirectSlots.h"
#include "PipelineState.h"
#include "Resource.h"
#include "RootSignature.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace d3d12vk {
namespace {

VkDeviceSize AlignUp(VkDeviceSize value, VkDeviceSize alignment) { return (value + alignment - 1) / alignment * alignment; }

// Where each root constant parameter the signature sets lies in a slot, in words.
struct SlotLayout {
  uint32_t slotWords = 0;
  std::map<UINT, uint32_t> parameterWord;  // root parameter -> its first word
};

SlotLayout LayOutSlot(const CommandSignature& signature, const RootSignature& root, uint32_t alignmentWords) {
  SlotLayout layout;
  layout.slotWords = signature.CommandBytes() / 4;
  for (const IndirectConstants& constants : signature.Constants()) {
    if (layout.parameterWord.contains(constants.parameter)) continue;
    layout.slotWords = uint32_t(AlignUp(layout.slotWords, alignmentWords));
    layout.parameterWord[constants.parameter] = layout.slotWords;
    // Uniform buffers are read in 16-byte rows.
    layout.slotWords += uint32_t(AlignUp(root.Parameters()[constants.parameter].constantCount, 4));
  }
  layout.slotWords = uint32_t(AlignUp(layout.slotWords, alignmentWords));
  return layout;
}

}  // namespace

void CommandList::ExecuteIndirect(ID3D12CommandSignature* commandSignature, UINT maxCount, ID3D12Resource* arguments,
                                  UINT64 argumentOffset, ID3D12Resource* count, UINT64 countOffset) {
  if (IsBundle()) {
    return RecordForBundle("ExecuteIndirect", [=](CommandList& list) {
      list.ExecuteIndirect(commandSignature, maxCount, arguments, argumentOffset, count, countOffset);
    });
  }
  constexpr const char* kCall = "ID3D12GraphicsCommandList::ExecuteIndirect";
  if (!CheckRecording(kCall)) return;
  if (commandSignature == nullptr || arguments == nullptr) {
    return Reject(kCall, "pCommandSignature or pArgumentBuffer is null");
  }
  const auto& signature = *static_cast<CommandSignature*>(commandSignature);
  Resource& argumentBuffer = *AsResource(arguments);
  Resource* countBuffer = AsResource(count);
  if (maxCount == 0) return;
  const UINT64 end = argumentOffset + UINT64(maxCount - 1) * signature.Stride() + signature.CommandOffset() +
                     signature.CommandBytes();
  if (!argumentBuffer.IsBuffer() || argumentOffset % 4 != 0 || end > argumentBuffer.Desc().Width) {
    return Reject(kCall, "%u commands at offset %llu run outside the argument buffer", maxCount,
                  (unsigned long long)argumentOffset);
  }
  if (countBuffer != nullptr &&
      (!countBuffer->IsBuffer() || countOffset % 4 != 0 || countOffset + 4 > countBuffer->Desc().Width)) {
    return Reject(kCall, "the count at offset %llu lies outside its buffer", (unsigned long long)countOffset);
  }
  const bool dispatch = signature.Kind() == IndirectKind::Dispatch;
  const RootState& root = dispatch ? compute_ : graphics_;
  if (signature.Root() != nullptr && signature.Root() != root.signature) {
    return Reject(kCall, "the command signature was made for another root signature than the one set");
  }
  const VulkanDevice& vulkan = OwningDevice().Vulkan();
  const bool countable = !dispatch && vulkan.HasDrawIndirectCount();
  if (signature.NeedsSplit() || (countBuffer != nullptr && !countable)) {
    ExecuteSplit(kCall, signature, maxCount, argumentBuffer, argumentOffset, countBuffer, countOffset);
  } else {
    ExecuteDirect(kCall, signature, maxCount, argumentBuffer, argumentOffset, countBuffer, countOffset);
  }
}

void CommandList::ExecuteDirect(const char* call, const CommandSignature& signature, UINT maxCount,
                                Resource& arguments, UINT64 argumentOffset, Resource* count, UINT64 countOffset) {
  const VkDeviceSize first = argumentOffset + signature.CommandOffset();
  const UINT stride = signature.Stride();
  if (signature.Kind() == IndirectKind::Dispatch) {
    if (!PrepareDispatch(call)) return;
    for (UINT i = 0; i < maxCount; ++i) vkCmdDispatchIndirect(commands_, arguments.Buffer(), first + VkDeviceSize(i) * stride);
    return;
  }
  const bool indexed = signature.Kind() == IndirectKind::DrawIndexed;
  if (!PrepareDraw(call, indexed)) return;
  if (count != nullptr) {
    (indexed ? vkCmdDrawIndexedIndirectCount : vkCmdDrawIndirectCount)(commands_, arguments.Buffer(), first,
                                                                       count->Buffer(), countOffset, maxCount, stride);
    return;
  }
  // Without multi-draw indirect every command is an indirect draw of its own.
  const bool multiDraw = OwningDevice().Vulkan().HasMultiDrawIndirect();
  const UINT perCall = multiDraw ? maxCount : 1;
  for (UINT i = 0; i < maxCount; i += perCall) {
    (indexed ? vkCmdDrawIndexedIndirect : vkCmdDrawIndirect)(commands_, arguments.Buffer(),
                                                             first + VkDeviceSize(i) * stride, perCall, stride);
  }
}

void CommandList::ExecuteSplit(const char* call, const CommandSignature& signature, UINT maxCount, Resource& arguments,
                               UINT64 argumentOffset, Resource* count, UINT64 countOffset) {
  const bool dispatch = signature.Kind() == IndirectKind::Dispatch;
  RootState& root = dispatch ? compute_ : graphics_;
  if (signature.NeedsSplit() && root.signature == nullptr) {
    return Reject(call, "no root signature is set for the command signature's root constants");
  }
  const VkPhysicalDeviceLimits& limits = OwningDevice().Vulkan().Limits();
  const uint32_t alignmentWords = uint32_t(std::max<VkDeviceSize>(limits.minUniformBufferOffsetAlignment, 16) / 4);
  const SlotLayout layout = signature.NeedsSplit() ? LayOutSlot(signature, *root.signature, alignmentWords)
                                                    : SlotLayout{uint32_t(AlignUp(signature.CommandBytes() / 4, 4)), {}};
  if (layout.slotWords > IndirectSlots::kMaxSlotWords) {
    return Reject(call, "a command of %u words is more than the split takes", layout.slotWords);
  }

  // The plan: draw arguments first, then each parameter's constants, the ones the command sets from it.
  const VkDeviceSize storageAlignment = std::max<VkDeviceSize>(limits.minStorageBufferOffsetAlignment, 4);
  const VkDeviceSize boundArguments = argumentOffset / storageAlignment * storageAlignment;
  const VkDeviceSize boundCount = count != nullptr ? countOffset / storageAlignment * storageAlignment : 0;
  SlotPlan plan;
  plan.firstWord = uint32_t((argumentOffset - boundArguments) / 4);
  plan.strideWords = signature.Stride() / 4;
  plan.commands = maxCount;
  plan.countWord = count != nullptr ? uint32_t((countOffset - boundCount) / 4) : ~0u;
  plan.words.assign(layout.slotWords, SlotWord{SlotWord::Zero, 0});
  for (uint32_t w = 0; w < signature.CommandBytes() / 4; ++w) {
    plan.words[w] = {SlotWord::CommandWord, signature.CommandOffset() / 4 + w};
  }
  for (const auto& [parameter, word] : layout.parameterWord) {
    const RootParameterLayout& constants = root.signature->Parameters()[parameter];
    for (uint32_t c = 0; c < constants.constantCount; ++c) {
      plan.words[word + c] = {SlotWord::Literal, root.constants[constants.firstConstant + c]};
    }
  }
  for (const IndirectConstants& constants : signature.Constants()) {
    const uint32_t word = layout.parameterWord.at(constants.parameter) + constants.destination;
    for (uint32_t c = 0; c < constants.count; ++c) {
      plan.words[word + c] = {SlotWord::CommandWord, constants.offset / 4 + c};
    }
  }

  // The plan in upload memory and the slots in device memory, both kept until the allocator is reset.
  const std::vector<uint32_t> encoded = plan.Encode();
  const VkDeviceSize slotBytes = VkDeviceSize(layout.slotWords) * 4;
  Resource* planBuffer = nullptr;
  Resource* slots = nullptr;
  const D3D12_HEAP_PROPERTIES upload{D3D12_HEAP_TYPE_UPLOAD, D3D12_CPU_PAGE_PROPERTY_UNKNOWN, D3D12_MEMORY_POOL_UNKNOWN, 1,
                                     1};
  const D3D12_HEAP_PROPERTIES device{D3D12_HEAP_TYPE_DEFAULT, D3D12_CPU_PAGE_PROPERTY_UNKNOWN, D3D12_MEMORY_POOL_UNKNOWN,
                                     1, 1};
  D3D12_RESOURCE_DESC desc{D3D12_RESOURCE_DIMENSION_BUFFER, 0, encoded.size() * 4, 1, 1, 1, DXGI_FORMAT_UNKNOWN,
                           {1, 0}, D3D12_TEXTURE_LAYOUT_ROW_MAJOR, D3D12_RESOURCE_FLAG_NONE};
  if (FAILED(Resource::CreateCommitted(OwningDevice(), call, upload, D3D12_HEAP_FLAG_NONE, desc,
                                       D3D12_RESOURCE_STATE_GENERIC_READ, &planBuffer))) {
    return Reject(call, "no memory for the split of indirect commands; the work was skipped");
  }
  allocator_->KeepUntilReset(static_cast<ID3D12Resource*>(planBuffer));
  desc.Width = slotBytes * maxCount;
  desc.Flags = D3D12_RESOURCE_FLAG_ALLOW_UNORDERED_ACCESS;
  if (FAILED(Resource::CreateCommitted(OwningDevice(), call, device, D3D12_HEAP_FLAG_CREATE_NOT_ZEROED, desc,
                                       D3D12_RESOURCE_STATE_UNORDERED_ACCESS, &slots))) {
    return Reject(call, "no memory for the split of indirect commands; the work was skipped");
  }
  allocator_->KeepUntilReset(static_cast<ID3D12Resource*>(slots));
  std::memcpy(planBuffer->Memory().mapped, encoded.data(), encoded.size() * 4);
  OwningDevice().Memory().Flush(planBuffer->Memory());

  EndRendering();
  FlushPendingClears();
  const SlotBuffers buffers{planBuffer->Buffer(), 0, encoded.size() * 4,  arguments.Buffer(), boundArguments,
                            count != nullptr ? count->Buffer() : arguments.Buffer(), boundCount, slots->Buffer(),
                            desc.Width};
  if (!OwningDevice().Indirect().Record(call, commands_, buffers, maxCount)) {
    return Reject(call, "the split of indirect commands is not available; the work was skipped");
  }
  // The pass took the compute pipeline and its descriptors.
  boundComputePipeline_ = VK_NULL_HANDLE;
  compute_.changedArguments = ~uint64_t{0};
  compute_.descriptorsDirty = true;

  const bool indexed = signature.Kind() == IndirectKind::DrawIndexed;
  for (UINT i = 0; i < maxCount; ++i) {
    const VkDeviceSize slot = VkDeviceSize(i) * slotBytes;
    for (const auto& [parameter, word] : layout.parameterWord) {
      const uint32_t constantCount = root.signature->Parameters()[parameter].constantCount;
      root.arguments[parameter] = RootArgument{true, nullptr, 0, slots->Buffer(), slot + word * 4ull,
                                               AlignUp(constantCount, 4) * 4};
      root.constantsToUpload &= ~(uint64_t{1} << parameter);
      root.changedArguments |= uint64_t{1} << parameter;
      root.descriptorsDirty = true;
    }
    if (dispatch) {
      if (!PrepareDispatch(call)) break;
      vkCmdDispatchIndirect(commands_, slots->Buffer(), slot);
    } else {
      if (!PrepareDraw(call, indexed)) break;
      (indexed ? vkCmdDrawIndexedIndirect : vkCmdDrawIndirect)(commands_, slots->Buffer(), slot, 1, 0);
    }
  }
  // Later draws take the list's own constants again.
  for (const auto& [parameter, word] : layout.parameterWord) root.constantsToUpload |= uint64_t{1} << parameter;
}

}  // namespace d3d12vk
