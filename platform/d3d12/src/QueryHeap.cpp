#include "QueryHeap.h"

#include "Device.h"
#include "Diagnostics.h"
#include "VulkanStructs.h"

namespace d3d12vk {

QueryHeap::QueryHeap(Device& device) : DeviceChild(device) {}

QueryHeap::~QueryHeap() {
  if (pool_ == VK_NULL_HANDLE) return;
  // Lists that wrote the queries may still run; the pool goes once the device is done with it.
  OwningDevice().Submissions().FinishInitialization(initializationSerial_);
  OwningDevice().Submissions().WaitIdle();
  vkDestroyQueryPool(OwningDevice().Vulkan().Handle(), pool_, nullptr);
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
        return Fail(E_INVALIDARG, kCall, "the adapter has no timestamps");
      }
      type = VK_QUERY_TYPE_TIMESTAMP;
      break;
    case D3D12_QUERY_HEAP_TYPE_PIPELINE_STATISTICS:
    case D3D12_QUERY_HEAP_TYPE_SO_STATISTICS:
      return NotImplemented("ID3D12Device::CreateQueryHeap of pipeline or stream-output statistics");
    default:
      return Fail(E_INVALIDARG, kCall, "unknown query heap type %d", desc.Type);
  }
  if (desc.Count == 0) return Fail(E_INVALIDARG, kCall, "Count is 0");

  auto info = VkInit<VkQueryPoolCreateInfo>(VK_STRUCTURE_TYPE_QUERY_POOL_CREATE_INFO);
  info.queryType = type;
  info.queryCount = desc.Count;
  QueryHeap* created = new QueryHeap(device);
  created->desc_ = desc;
  created->ended_.assign(desc.Count, false);
  const VkResult result = vkCreateQueryPool(device.Vulkan().Handle(), &info, nullptr, &created->pool_);
  if (result != VK_SUCCESS) {
    created->Release();
    return Fail(E_OUTOFMEMORY, kCall, "cannot create a query pool: %s", DescribeVkResult(result));
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

bool QueryHeap::AllEnded(UINT first, UINT count) const {
  for (UINT i = first; i < first + count; ++i) {
    if (!ended_[i]) return false;
  }
  return true;
}

}  // namespace d3d12vk
