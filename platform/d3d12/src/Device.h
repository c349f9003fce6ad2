// ID3D12Device: one per adapter. It owns the Vulkan device, the queue every submission goes through, the GPU
// address space of buffers and the registry of descriptor heaps; every other object keeps it alive.
#pragma once

#include "ComObject.h"
#include "DescriptorHeap.h"
#include "GpuAddressSpace.h"
#include "IndirectSlots.h"
#include "MemoryAllocator.h"
#include "QueueScheduler.h"
#include "SamplerCache.h"
#include "SubmissionQueue.h"
#include "VulkanDevice.h"

#include <memory>

namespace d3d12vk {

class Device final
    : public D3D12Object<ID3D12Device10, ID3D12Device9, ID3D12Device8, ID3D12Device7, ID3D12Device6, ID3D12Device5,
                         ID3D12Device4, ID3D12Device3, ID3D12Device2, ID3D12Device1, ID3D12Device> {
 public:
  // The device of adapter `adapterIndex` (an index into instance->Adapters()), AddRef'd. The first call
  // creates it; later calls return the same object for as long as anyone holds it.
  static HRESULT GetOrCreate(const std::shared_ptr<VulkanInstance>& instance, size_t adapterIndex, Device** device);

  // ID3D12Device
  UINT STDMETHODCALLTYPE GetNodeCount() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateCommandQueue(const D3D12_COMMAND_QUEUE_DESC* desc, REFIID riid,
                                               void** queue) override;
  HRESULT STDMETHODCALLTYPE CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE type, REFIID riid,
                                                   void** allocator) override;
  HRESULT STDMETHODCALLTYPE CreateGraphicsPipelineState(const D3D12_GRAPHICS_PIPELINE_STATE_DESC* desc, REFIID riid,
                                                        void** pipelineState) override;
  HRESULT STDMETHODCALLTYPE CreateComputePipelineState(const D3D12_COMPUTE_PIPELINE_STATE_DESC* desc, REFIID riid,
                                                       void** pipelineState) override;
  HRESULT STDMETHODCALLTYPE CreateCommandList(UINT nodeMask, D3D12_COMMAND_LIST_TYPE type,
                                              ID3D12CommandAllocator* allocator, ID3D12PipelineState* initialState,
                                              REFIID riid, void** commandList) override;
  HRESULT STDMETHODCALLTYPE CheckFeatureSupport(D3D12_FEATURE feature, void* data, UINT dataSize) override;
  HRESULT STDMETHODCALLTYPE CreateDescriptorHeap(const D3D12_DESCRIPTOR_HEAP_DESC* desc, REFIID riid,
                                                 void** heap) override;
  UINT STDMETHODCALLTYPE GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE type) override;
  HRESULT STDMETHODCALLTYPE CreateRootSignature(UINT nodeMask, const void* blob, SIZE_T blobSize, REFIID riid,
                                                void** rootSignature) override;
  void STDMETHODCALLTYPE CreateConstantBufferView(const D3D12_CONSTANT_BUFFER_VIEW_DESC* desc,
                                                  D3D12_CPU_DESCRIPTOR_HANDLE destination) override;
  void STDMETHODCALLTYPE CreateShaderResourceView(ID3D12Resource* resource, const D3D12_SHADER_RESOURCE_VIEW_DESC* desc,
                                                  D3D12_CPU_DESCRIPTOR_HANDLE destination) override;
  void STDMETHODCALLTYPE CreateUnorderedAccessView(ID3D12Resource* resource, ID3D12Resource* counter,
                                                   const D3D12_UNORDERED_ACCESS_VIEW_DESC* desc,
                                                   D3D12_CPU_DESCRIPTOR_HANDLE destination) override;
  void STDMETHODCALLTYPE CreateRenderTargetView(ID3D12Resource* resource, const D3D12_RENDER_TARGET_VIEW_DESC* desc,
                                                D3D12_CPU_DESCRIPTOR_HANDLE destination) override;
  void STDMETHODCALLTYPE CreateDepthStencilView(ID3D12Resource* resource, const D3D12_DEPTH_STENCIL_VIEW_DESC* desc,
                                                D3D12_CPU_DESCRIPTOR_HANDLE destination) override;
  void STDMETHODCALLTYPE CreateSampler(const D3D12_SAMPLER_DESC* desc,
                                       D3D12_CPU_DESCRIPTOR_HANDLE destination) override;
  void STDMETHODCALLTYPE CopyDescriptors(UINT destinationRangeCount,
                                         const D3D12_CPU_DESCRIPTOR_HANDLE* destinationStarts,
                                         const UINT* destinationSizes, UINT sourceRangeCount,
                                         const D3D12_CPU_DESCRIPTOR_HANDLE* sourceStarts, const UINT* sourceSizes,
                                         D3D12_DESCRIPTOR_HEAP_TYPE type) override;
  void STDMETHODCALLTYPE CopyDescriptorsSimple(UINT count, D3D12_CPU_DESCRIPTOR_HANDLE destinationStart,
                                               D3D12_CPU_DESCRIPTOR_HANDLE sourceStart,
                                               D3D12_DESCRIPTOR_HEAP_TYPE type) override;
  D3D12_RESOURCE_ALLOCATION_INFO STDMETHODCALLTYPE GetResourceAllocationInfo(UINT visibleMask, UINT descCount,
                                                                             const D3D12_RESOURCE_DESC* descs) override;
  D3D12_HEAP_PROPERTIES STDMETHODCALLTYPE GetCustomHeapProperties(UINT nodeMask, D3D12_HEAP_TYPE heapType) override;
  HRESULT STDMETHODCALLTYPE CreateCommittedResource(const D3D12_HEAP_PROPERTIES* heapProperties,
                                                    D3D12_HEAP_FLAGS heapFlags, const D3D12_RESOURCE_DESC* desc,
                                                    D3D12_RESOURCE_STATES initialState,
                                                    const D3D12_CLEAR_VALUE* optimizedClearValue, REFIID riid,
                                                    void** resource) override;
  HRESULT STDMETHODCALLTYPE CreateHeap(const D3D12_HEAP_DESC* desc, REFIID riid, void** heap) override;
  HRESULT STDMETHODCALLTYPE CreatePlacedResource(ID3D12Heap* heap, UINT64 heapOffset, const D3D12_RESOURCE_DESC* desc,
                                                 D3D12_RESOURCE_STATES initialState,
                                                 const D3D12_CLEAR_VALUE* optimizedClearValue, REFIID riid,
                                                 void** resource) override;
  HRESULT STDMETHODCALLTYPE CreateReservedResource(const D3D12_RESOURCE_DESC* desc, D3D12_RESOURCE_STATES initialState,
                                                   const D3D12_CLEAR_VALUE* optimizedClearValue, REFIID riid,
                                                   void** resource) override;
  HRESULT STDMETHODCALLTYPE CreateSharedHandle(ID3D12DeviceChild* object, const SECURITY_ATTRIBUTES* attributes,
                                               DWORD access, LPCWSTR name, HANDLE* handle) override;
  HRESULT STDMETHODCALLTYPE OpenSharedHandle(HANDLE handle, REFIID riid, void** object) override;
  HRESULT STDMETHODCALLTYPE OpenSharedHandleByName(LPCWSTR name, DWORD access, HANDLE* handle) override;
  HRESULT STDMETHODCALLTYPE MakeResident(UINT count, ID3D12Pageable* const* objects) override;
  HRESULT STDMETHODCALLTYPE Evict(UINT count, ID3D12Pageable* const* objects) override;
  HRESULT STDMETHODCALLTYPE CreateFence(UINT64 initialValue, D3D12_FENCE_FLAGS flags, REFIID riid,
                                        void** fence) override;
  HRESULT STDMETHODCALLTYPE GetDeviceRemovedReason() override;
  void STDMETHODCALLTYPE GetCopyableFootprints(const D3D12_RESOURCE_DESC* desc, UINT firstSubresource,
                                               UINT subresourceCount, UINT64 baseOffset,
                                               D3D12_PLACED_SUBRESOURCE_FOOTPRINT* layouts, UINT* rowCounts,
                                               UINT64* rowSizes, UINT64* totalBytes) override;
  HRESULT STDMETHODCALLTYPE CreateQueryHeap(const D3D12_QUERY_HEAP_DESC* desc, REFIID riid, void** heap) override;
  HRESULT STDMETHODCALLTYPE SetStablePowerState(BOOL enable) override;
  HRESULT STDMETHODCALLTYPE CreateCommandSignature(const D3D12_COMMAND_SIGNATURE_DESC* desc,
                                                   ID3D12RootSignature* rootSignature, REFIID riid,
                                                   void** commandSignature) override;
  void STDMETHODCALLTYPE GetResourceTiling(ID3D12Resource* resource, UINT* tileCount, D3D12_PACKED_MIP_INFO* packedMips,
                                           D3D12_TILE_SHAPE* tileShape, UINT* subresourceTilingCount,
                                           UINT firstSubresourceTiling,
                                           D3D12_SUBRESOURCE_TILING* subresourceTilings) override;
  LUID STDMETHODCALLTYPE GetAdapterLuid() override { return vulkan_->Adapter().luid; }

  // ID3D12Device1, 2 and 3 (DeviceVersions.cpp)
  HRESULT STDMETHODCALLTYPE CreatePipelineLibrary(const void* blob, SIZE_T blobLength, REFIID riid,
                                                  void** library) override;
  HRESULT STDMETHODCALLTYPE SetEventOnMultipleFenceCompletion(ID3D12Fence* const* fences, const UINT64* values,
                                                              UINT count, D3D12_MULTIPLE_FENCE_WAIT_FLAGS flags,
                                                              HANDLE event) override;
  HRESULT STDMETHODCALLTYPE SetResidencyPriority(UINT count, ID3D12Pageable* const* objects,
                                                 const D3D12_RESIDENCY_PRIORITY* priorities) override;
  HRESULT STDMETHODCALLTYPE CreatePipelineState(const D3D12_PIPELINE_STATE_STREAM_DESC* desc, REFIID riid,
                                                void** pipelineState) override;
  HRESULT STDMETHODCALLTYPE OpenExistingHeapFromAddress(const void* address, REFIID riid, void** heap) override;
  HRESULT STDMETHODCALLTYPE OpenExistingHeapFromFileMapping(HANDLE fileMapping, REFIID riid, void** heap) override;
  HRESULT STDMETHODCALLTYPE EnqueueMakeResident(D3D12_RESIDENCY_FLAGS flags, UINT count, ID3D12Pageable* const* objects,
                                                ID3D12Fence* fenceToSignal, UINT64 fenceValueToSignal) override;

  // ID3D12Device4 to 10 (DeviceLaterVersions.cpp)
  HRESULT STDMETHODCALLTYPE CreateCommandList1(UINT nodeMask, D3D12_COMMAND_LIST_TYPE type,
                                               D3D12_COMMAND_LIST_FLAGS flags, REFIID riid,
                                               void** commandList) override;
  HRESULT STDMETHODCALLTYPE CreateProtectedResourceSession(const D3D12_PROTECTED_RESOURCE_SESSION_DESC* desc,
                                                           REFIID riid, void** session) override;
  HRESULT STDMETHODCALLTYPE CreateCommittedResource1(const D3D12_HEAP_PROPERTIES* heapProperties,
                                                     D3D12_HEAP_FLAGS heapFlags, const D3D12_RESOURCE_DESC* desc,
                                                     D3D12_RESOURCE_STATES initialState,
                                                     const D3D12_CLEAR_VALUE* optimizedClearValue,
                                                     ID3D12ProtectedResourceSession* session, REFIID riid,
                                                     void** resource) override;
  HRESULT STDMETHODCALLTYPE CreateHeap1(const D3D12_HEAP_DESC* desc, ID3D12ProtectedResourceSession* session,
                                        REFIID riid, void** heap) override;
  HRESULT STDMETHODCALLTYPE CreateReservedResource1(const D3D12_RESOURCE_DESC* desc, D3D12_RESOURCE_STATES initialState,
                                                    const D3D12_CLEAR_VALUE* optimizedClearValue,
                                                    ID3D12ProtectedResourceSession* session, REFIID riid,
                                                    void** resource) override;
  D3D12_RESOURCE_ALLOCATION_INFO STDMETHODCALLTYPE
  GetResourceAllocationInfo1(UINT visibleMask, UINT descCount, const D3D12_RESOURCE_DESC* descs,
                             D3D12_RESOURCE_ALLOCATION_INFO1* eachInfo) override;
  HRESULT STDMETHODCALLTYPE CreateLifetimeTracker(ID3D12LifetimeOwner* owner, REFIID riid, void** tracker) override;
  void STDMETHODCALLTYPE RemoveDevice() override;
  HRESULT STDMETHODCALLTYPE EnumerateMetaCommands(UINT* count, D3D12_META_COMMAND_DESC* descs) override;
  HRESULT STDMETHODCALLTYPE EnumerateMetaCommandParameters(REFGUID command, D3D12_META_COMMAND_PARAMETER_STAGE stage,
                                                           UINT* totalSize, UINT* count,
                                                           D3D12_META_COMMAND_PARAMETER_DESC* descs) override;
  HRESULT STDMETHODCALLTYPE CreateMetaCommand(REFGUID command, UINT nodeMask, const void* parameters,
                                              SIZE_T parametersSize, REFIID riid, void** metaCommand) override;
  HRESULT STDMETHODCALLTYPE CreateStateObject(const D3D12_STATE_OBJECT_DESC* desc, REFIID riid,
                                              void** stateObject) override;
  void STDMETHODCALLTYPE
  GetRaytracingAccelerationStructurePrebuildInfo(const D3D12_BUILD_RAYTRACING_ACCELERATION_STRUCTURE_INPUTS* desc,
                                                 D3D12_RAYTRACING_ACCELERATION_STRUCTURE_PREBUILD_INFO* info) override;
  D3D12_DRIVER_MATCHING_IDENTIFIER_STATUS STDMETHODCALLTYPE CheckDriverMatchingIdentifier(
      D3D12_SERIALIZED_DATA_TYPE type, const D3D12_SERIALIZED_DATA_DRIVER_MATCHING_IDENTIFIER* identifier) override;
  HRESULT STDMETHODCALLTYPE SetBackgroundProcessingMode(D3D12_BACKGROUND_PROCESSING_MODE mode,
                                                        D3D12_MEASUREMENTS_ACTION action, HANDLE completionEvent,
                                                        BOOL* furtherMeasurementsDesired) override;
  HRESULT STDMETHODCALLTYPE AddToStateObject(const D3D12_STATE_OBJECT_DESC* addition, ID3D12StateObject* grownFrom,
                                             REFIID riid, void** stateObject) override;
  HRESULT STDMETHODCALLTYPE CreateProtectedResourceSession1(const D3D12_PROTECTED_RESOURCE_SESSION_DESC1* desc,
                                                            REFIID riid, void** session) override;
  D3D12_RESOURCE_ALLOCATION_INFO STDMETHODCALLTYPE
  GetResourceAllocationInfo2(UINT visibleMask, UINT descCount, const D3D12_RESOURCE_DESC1* descs,
                             D3D12_RESOURCE_ALLOCATION_INFO1* eachInfo) override;
  HRESULT STDMETHODCALLTYPE CreateCommittedResource2(const D3D12_HEAP_PROPERTIES* heapProperties,
                                                     D3D12_HEAP_FLAGS heapFlags, const D3D12_RESOURCE_DESC1* desc,
                                                     D3D12_RESOURCE_STATES initialState,
                                                     const D3D12_CLEAR_VALUE* optimizedClearValue,
                                                     ID3D12ProtectedResourceSession* session, REFIID riid,
                                                     void** resource) override;
  HRESULT STDMETHODCALLTYPE CreatePlacedResource1(ID3D12Heap* heap, UINT64 heapOffset, const D3D12_RESOURCE_DESC1* desc,
                                                  D3D12_RESOURCE_STATES initialState,
                                                  const D3D12_CLEAR_VALUE* optimizedClearValue, REFIID riid,
                                                  void** resource) override;
  void STDMETHODCALLTYPE CreateSamplerFeedbackUnorderedAccessView(ID3D12Resource* targeted, ID3D12Resource* feedback,
                                                                  D3D12_CPU_DESCRIPTOR_HANDLE destination) override;
  void STDMETHODCALLTYPE GetCopyableFootprints1(const D3D12_RESOURCE_DESC1* desc, UINT firstSubresource,
                                                UINT subresourceCount, UINT64 baseOffset,
                                                D3D12_PLACED_SUBRESOURCE_FOOTPRINT* layouts, UINT* rowCounts,
                                                UINT64* rowSizes, UINT64* totalBytes) override;
  HRESULT STDMETHODCALLTYPE CreateShaderCacheSession(const D3D12_SHADER_CACHE_SESSION_DESC* desc, REFIID riid,
                                                     void** session) override;
  HRESULT STDMETHODCALLTYPE ShaderCacheControl(D3D12_SHADER_CACHE_KIND_FLAGS kinds,
                                               D3D12_SHADER_CACHE_CONTROL_FLAGS control) override;
  HRESULT STDMETHODCALLTYPE CreateCommandQueue1(const D3D12_COMMAND_QUEUE_DESC* desc, REFIID creator, REFIID riid,
                                                void** queue) override;
  HRESULT STDMETHODCALLTYPE CreateCommittedResource3(const D3D12_HEAP_PROPERTIES* heapProperties,
                                                     D3D12_HEAP_FLAGS heapFlags, const D3D12_RESOURCE_DESC1* desc,
                                                     D3D12_BARRIER_LAYOUT initialLayout,
                                                     const D3D12_CLEAR_VALUE* optimizedClearValue,
                                                     ID3D12ProtectedResourceSession* session,
                                                     UINT32 castableFormatCount, DXGI_FORMAT* castableFormats,
                                                     REFIID riid, void** resource) override;
  HRESULT STDMETHODCALLTYPE CreatePlacedResource2(ID3D12Heap* heap, UINT64 heapOffset, const D3D12_RESOURCE_DESC1* desc,
                                                  D3D12_BARRIER_LAYOUT initialLayout,
                                                  const D3D12_CLEAR_VALUE* optimizedClearValue,
                                                  UINT32 castableFormatCount, DXGI_FORMAT* castableFormats, REFIID riid,
                                                  void** resource) override;
  HRESULT STDMETHODCALLTYPE CreateReservedResource2(const D3D12_RESOURCE_DESC* desc, D3D12_BARRIER_LAYOUT initialLayout,
                                                    const D3D12_CLEAR_VALUE* optimizedClearValue,
                                                    ID3D12ProtectedResourceSession* session, UINT32 castableFormatCount,
                                                    DXGI_FORMAT* castableFormats, REFIID riid,
                                                    void** resource) override;

  // CheckFeatureSupport's answers for the option sets of later versions (DeviceLaterVersions.cpp): every
  // feature in them absent. False when `feature` is not one of them.
  static bool AnswerLaterOptions(D3D12_FEATURE feature, void* data, UINT dataSize, HRESULT* result);

  VulkanDevice& Vulkan() { return *vulkan_; }
  SubmissionQueue& Submissions() { return *submissions_; }
  MemoryAllocator& Memory() { return *memory_; }
  GpuAddressSpace& Addresses() { return addresses_; }
  DescriptorHeapRegistry& DescriptorHeaps() { return descriptorHeaps_; }
  QueueScheduler& Scheduler() { return scheduler_; }
  SamplerCache& Samplers() { return samplers_; }
  IndirectSlots& Indirect() { return *indirect_; }

 private:
  Device() = default;
  ~Device() override;

  // Destroyed in reverse order: the queue waits for the GPU before the Vulkan device goes.
  std::unique_ptr<VulkanDevice> vulkan_;
  SamplerCache samplers_;
  std::unique_ptr<IndirectSlots> indirect_;
  // Freed after the queue has waited for the GPU.
  std::unique_ptr<MemoryAllocator> memory_;
  std::unique_ptr<SubmissionQueue> submissions_;
  GpuAddressSpace addresses_;
  DescriptorHeapRegistry descriptorHeaps_;
  QueueScheduler scheduler_;
};

template <typename Interface, typename... Bases>
DeviceChild<Interface, Bases...>::DeviceChild(Device& device) : device_(&device) {
  device_->AddRef();
}

template <typename Interface, typename... Bases>
DeviceChild<Interface, Bases...>::~DeviceChild() {
  device_->Release();
}

template <typename Interface, typename... Bases>
HRESULT STDMETHODCALLTYPE DeviceChild<Interface, Bases...>::GetDevice(REFIID riid, void** device) {
  if (device == nullptr) return E_POINTER;
  return device_->QueryInterface(riid, device);
}

}  // namespace d3d12vk
