#include "QueryHeap.h"

#include "Device.h"
#include "Diagnostics.h"
#include "VulkanStructs.h"

#include <algorithm>

namespace d3d12vk {

QueryHeap::QueryHeap(Device& device) : DeviceChild(device) {}

QueryHeap::~QueryHeap() {
  if (pool_ == VK_NULL_HANDLE) return;
  // Lists that wrote the queries may still run; the pool goes once the device is done with it.
  OwningDevice().Submissions().FinishInitialization(initializationSerial_);
  OwningDevice().Submissions().WaitIdle();
  const VkDevice device = OwningDevice().Vulkan().Handle();
  vkDestroyQueryPool(device, pool_, nullptr);
  if (flagView_ != VK_NULL_HANDLE) vkDestroyImageView(device, flagView_, nullptr);
  if (flags_ != VK_NULL_HANDLE) vkDestroyImage(device, flags_, nullptr);
  if (counts_ != VK_NULL_HANDLE) vkDestroyBuffer(device, counts_, nullptr);
  for (VkDeviceMemory memory : memories_) vkFreeMemory(device, memory, nullptr);
}

HRESULT QueryHeap::Create(Device& device, const D3D12_QUERY_HEAP_DESC& desc, QueryHeap** heap) {
  constexpr const char* kCall = "ID3D12Device::CreateQueryHeap";
  VkQueryType type;
  switch (desc.Type) {
    case D3D12_QUERY_HEAP_TYPE_OCCLUSION:
      type = VK_QUERY_TYPE_OCCLUSION;
      break;
    case D3D12_QUERY_HEAP_TYPE_TIMESTAMP:
    case D3D12_QUERY_HEAP_TYPE_COPY_QUEUE_TIMESTAMP:
      if (device.Vulkan().Limits().timestampPeriod <= 0.0f) {
        return Fail(kCall, E_INVALIDARG, "the adapter has no timestamps");
      }
      type = VK_QUERY_TYPE_TIMESTAMP;
      break;
    case D3D12_QUERY_HEAP_TYPE_PIPELINE_STATISTICS:
    case D3D12_QUERY_HEAP_TYPE_SO_STATISTICS:
      return NotImplemented("ID3D12Device::CreateQueryHeap of pipeline or stream-output statistics");
    default:
      return Fail(kCall, E_INVALIDARG, "unknown query heap type %d", desc.Type);
  }
  if (desc.Count == 0) return Fail(kCall, E_INVALIDARG, "Count is 0");

  auto info = VkInit<VkQueryPoolCreateInfo>(VK_STRUCTURE_TYPE_QUERY_POOL_CREATE_INFO);
  info.queryType = type;
  info.queryCount = desc.Count;
  QueryHeap* created = new QueryHeap(device);
  created->desc_ = desc;
  created->ended_.assign(desc.Count, 0);
  const VkResult result = vkCreateQueryPool(device.Vulkan().Handle(), &info, nullptr, &created->pool_);
  if (result != VK_SUCCESS) {
    created->Release();
    return Fail(kCall, E_OUTOFMEMORY, "cannot create a query pool: %s", DescribeVkResult(result));
  }
  // Queries start reset, so the first BeginQuery or timestamp of each may run in any list.
  const VkQueryPool pool = created->pool_;
  const UINT count = desc.Count;
  created->initializationSerial_ = device.Submissions().RecordInitialization(
      [pool, count](VkCommandBuffer commands) { vkCmdResetQueryPool(commands, pool, 0, count); });
  *heap = created;
  return S_OK;
}

bool QueryHeap::Holds(D3D12_QUERY_TYPE type) const {
  switch (desc_.Type) {
    case D3D12_QUERY_HEAP_TYPE_OCCLUSION:
      return type == D3D12_QUERY_TYPE_OCCLUSION || type == D3D12_QUERY_TYPE_BINARY_OCCLUSION;
    case D3D12_QUERY_HEAP_TYPE_TIMESTAMP:
    case D3D12_QUERY_HEAP_TYPE_COPY_QUEUE_TIMESTAMP:
      return type == D3D12_QUERY_TYPE_TIMESTAMP;
    default:
      return false;
  }
}

bool QueryHeap::PrepareBinaryResolve() {
  std::lock_guard lock(prepareMutex_);
  if (flagView_ != VK_NULL_HANDLE) return true;
  if (counts_ != VK_NULL_HANDLE) return false;  // tried before and failed
  VulkanDevice& vulkan = OwningDevice().Vulkan();
  if (!vulkan.HasConditionalRendering()) return false;
  const VkDevice device = vulkan.Handle();
  auto bind = [&](const VkMemoryRequirements& requirements, VkDeviceMemory* memory) {
    bool coherent = false;
    const uint32_t type = vulkan.FindMemoryType(MemoryKind::DeviceLocal, requirements.memoryTypeBits, &coherent);
    if (type == UINT32_MAX) return false;
    auto allocate = VkInit<VkMemoryAllocateInfo>(VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO);
    allocate.allocationSize = requirements.size;
    allocate.memoryTypeIndex = type;
    if (vkAllocateMemory(device, &allocate, nullptr, memory) != VK_SUCCESS) return false;
    memories_.push_back(*memory);
    return true;
  };

  auto bufferInfo = VkInit<VkBufferCreateInfo>(VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO);
  bufferInfo.size = VkDeviceSize(desc_.Count) * 8;
  bufferInfo.usage = VK_BUFFER_USAGE_TRANSFER_DST_BIT | VK_BUFFER_USAGE_CONDITIONAL_RENDERING_BIT_EXT;
  if (vkCreateBuffer(device, &bufferInfo, nullptr, &counts_) != VK_SUCCESS) return false;
  VkMemoryRequirements requirements;
  vkGetBufferMemoryRequirements(device, counts_, &requirements);
  VkDeviceMemory memory = VK_NULL_HANDLE;
  if (!bind(requirements, &memory)) return false;
  vkBindBufferMemory(device, counts_, memory, 0);

  // Rows of at most 4096 texels, which every Vulkan device can make.
  constexpr uint32_t kRowTexels = 4096;
  flagExtent_ = {std::min(desc_.Count, kRowTexels), (desc_.Count + kRowTexels - 1) / kRowTexels};
  auto imageInfo = VkInit<VkImageCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO);
  imageInfo.imageType = VK_IMAGE_TYPE_2D;
  imageInfo.format = VK_FORMAT_R32G32_UINT;
  imageInfo.extent = {flagExtent_.width, flagExtent_.height, 1};
  imageInfo.mipLevels = 1;
  imageInfo.arrayLayers = 1;
  imageInfo.samples = VK_SAMPLE_COUNT_1_BIT;
  imageInfo.tiling = VK_IMAGE_TILING_OPTIMAL;
  imageInfo.usage = VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT;
  imageInfo.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
  if (vkCreateImage(device, &imageInfo, nullptr, &flags_) != VK_SUCCESS) return false;
  vkGetImageMemoryRequirements(device, flags_, &requirements);
  if (!bind(requirements, &memory)) return false;
  vkBindImageMemory(device, flags_, memory, 0);
  auto viewInfo = VkInit<VkImageViewCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO);
  viewInfo.image = flags_;
  viewInfo.viewType = VK_IMAGE_VIEW_TYPE_2D;
  viewInfo.format = VK_FORMAT_R32G32_UINT;
  viewInfo.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
  return vkCreateImageView(device, &viewInfo, nullptr, &flagView_) == VK_SUCCESS;
}

bool QueryHeap::AllEnded(UINT first, UINT count) const {
  for (UINT i = first; i < first + count; ++i) {
    if (ended_[i] == 0) return false;
  }
  return true;
}

}  // namespace d3d12vk
