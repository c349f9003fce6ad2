// The methods ID3D12Device4 to 10 add. Programs ask for the newest device they know and use what the feature
// queries say is there, so the layer hands these versions out: the calls that only widen an older call (a
// DESC1, a protected session that is null, a queue creator) go to the older call; enhanced barriers,
// raytracing, meta commands, protected sessions and shader caches are reported absent by CheckFeatureSupport
// and their calls answer E_NOTIMPL (or do nothing) with one line.

#include "Device.h"
#include "Diagnostics.h"

#include <cstring>
#include <vector>

namespace d3d12vk {

namespace {

// A DESC1 is a DESC plus the sampler feedback mip region, which only sampler feedback textures use.
bool ToResourceDesc(const D3D12_RESOURCE_DESC1& desc1, D3D12_RESOURCE_DESC* desc, const char* call) {
  const D3D12_MIP_REGION& region = desc1.SamplerFeedbackMipRegion;
  if (region.Width != 0 || region.Height != 0 || region.Depth != 0) {
    ReportNotImplementedOnce(call);
    return false;
  }
  *desc = {desc1.Dimension, desc1.Alignment, desc1.Width,      desc1.Height, desc1.DepthOrArraySize,
           desc1.MipLevels, desc1.Format,    desc1.SampleDesc, desc1.Layout, desc1.Flags};
  return true;
}

// Protected sessions do not exist here, so a call may only pass none.
bool NoSession(ID3D12ProtectedResourceSession* session, const char* call) {
  if (session == nullptr) return true;
  Report(call, "protected resource sessions are not supported");
  return false;
}

HRESULT NoObject(void** object, const char* call) {
  if (object != nullptr) *object = nullptr;
  return NotImplemented(call);
}

// The data size of the option sets D3D12_OPTIONS1 to 12; 0 for any other feature.
size_t LaterOptionsSize(D3D12_FEATURE feature) {
  switch (feature) {
    case D3D12_FEATURE_D3D12_OPTIONS1:
      return sizeof(D3D12_FEATURE_DATA_D3D12_OPTIONS1);
    case D3D12_FEATURE_D3D12_OPTIONS2:
      return sizeof(D3D12_FEATURE_DATA_D3D12_OPTIONS2);
    case D3D12_FEATURE_D3D12_OPTIONS3:
      return sizeof(D3D12_FEATURE_DATA_D3D12_OPTIONS3);
    case D3D12_FEATURE_D3D12_OPTIONS4:
      return sizeof(D3D12_FEATURE_DATA_D3D12_OPTIONS4);
    case D3D12_FEATURE_D3D12_OPTIONS5:
      return sizeof(D3D12_FEATURE_DATA_D3D12_OPTIONS5);
    case D3D12_FEATURE_D3D12_OPTIONS6:
      return sizeof(D3D12_FEATURE_DATA_D3D12_OPTIONS6);
    case D3D12_FEATURE_D3D12_OPTIONS7:
      return sizeof(D3D12_FEATURE_DATA_D3D12_OPTIONS7);
    case D3D12_FEATURE_D3D12_OPTIONS8:
      return sizeof(D3D12_FEATURE_DATA_D3D12_OPTIONS8);
    case D3D12_FEATURE_D3D12_OPTIONS9:
      return sizeof(D3D12_FEATURE_DATA_D3D12_OPTIONS9);
    case D3D12_FEATURE_D3D12_OPTIONS10:
      return sizeof(D3D12_FEATURE_DATA_D3D12_OPTIONS10);
    case D3D12_FEATURE_D3D12_OPTIONS11:
      return sizeof(D3D12_FEATURE_DATA_D3D12_OPTIONS11);
    case D3D12_FEATURE_D3D12_OPTIONS12:
      return sizeof(D3D12_FEATURE_DATA_D3D12_OPTIONS12);
    default:
      return 0;
  }
}

}  // namespace

bool Device::AnswerLaterOptions(D3D12_FEATURE feature, void* data, UINT dataSize, HRESULT* result) {
  const size_t size = LaterOptionsSize(feature);
  if (size == 0) return false;
  if (dataSize != size) {
    *result = Fail("ID3D12Device::CheckFeatureSupport", E_INVALIDARG, "feature %d takes %zu bytes of data, not %u",
                   feature, size, dataSize);
    return true;
  }
  // Zero is "not supported" for every tier, flag and boolean of these sets (render passes at tier 0 are the
  // runtime's own emulation, which is what a program then expects).
  std::memset(data, 0, size);
  *result = S_OK;
  return true;
}

HRESULT Device::CreateCommandList1(UINT, D3D12_COMMAND_LIST_TYPE, D3D12_COMMAND_LIST_FLAGS, REFIID,
                                   void** commandList) {
  return NoObject(commandList, "ID3D12Device4::CreateCommandList1");
}

HRESULT Device::CreateProtectedResourceSession(const D3D12_PROTECTED_RESOURCE_SESSION_DESC*, REFIID, void** session) {
  return NoObject(session, "ID3D12Device4::CreateProtectedResourceSession");
}

HRESULT Device::CreateCommittedResource1(const D3D12_HEAP_PROPERTIES* heapProperties, D3D12_HEAP_FLAGS heapFlags,
                                         const D3D12_RESOURCE_DESC* desc, D3D12_RESOURCE_STATES initialState,
                                         const D3D12_CLEAR_VALUE* optimizedClearValue,
                                         ID3D12ProtectedResourceSession* session, REFIID riid, void** resource) {
  if (!NoSession(session, "ID3D12Device4::CreateCommittedResource1")) return E_INVALIDARG;
  return CreateCommittedResource(heapProperties, heapFlags, desc, initialState, optimizedClearValue, riid, resource);
}

HRESULT Device::CreateHeap1(const D3D12_HEAP_DESC* desc, ID3D12ProtectedResourceSession* session, REFIID riid,
                            void** heap) {
  if (!NoSession(session, "ID3D12Device4::CreateHeap1")) return E_INVALIDARG;
  return CreateHeap(desc, riid, heap);
}

HRESULT Device::CreateReservedResource1(const D3D12_RESOURCE_DESC* desc, D3D12_RESOURCE_STATES initialState,
                                        const D3D12_CLEAR_VALUE* optimizedClearValue,
                                        ID3D12ProtectedResourceSession* session, REFIID riid, void** resource) {
  if (!NoSession(session, "ID3D12Device4::CreateReservedResource1")) return E_INVALIDARG;
  return CreateReservedResource(desc, initialState, optimizedClearValue, riid, resource);
}

D3D12_RESOURCE_ALLOCATION_INFO Device::GetResourceAllocationInfo1(UINT visibleMask, UINT descCount,
                                                                  const D3D12_RESOURCE_DESC* descs,
                                                                  D3D12_RESOURCE_ALLOCATION_INFO1* eachInfo) {
  const D3D12_RESOURCE_ALLOCATION_INFO total = GetResourceAllocationInfo(visibleMask, descCount, descs);
  if (eachInfo == nullptr || descs == nullptr || total.SizeInBytes == UINT64_MAX) return total;
  // Each resource where the combined allocation would place it: one after the other, each aligned.
  UINT64 offset = 0;
  for (UINT i = 0; i < descCount; ++i) {
    const D3D12_RESOURCE_ALLOCATION_INFO one = GetResourceAllocationInfo(visibleMask, 1, &descs[i]);
    offset = (offset + one.Alignment - 1) / one.Alignment * one.Alignment;
    eachInfo[i] = {offset, one.Alignment, one.SizeInBytes};
    offset += one.SizeInBytes;
  }
  return total;
}

HRESULT Device::CreateLifetimeTracker(ID3D12LifetimeOwner*, REFIID, void** tracker) {
  return NoObject(tracker, "ID3D12Device5::CreateLifetimeTracker");
}

void Device::RemoveDevice() { ReportNotImplementedOnce("ID3D12Device5::RemoveDevice"); }

HRESULT Device::EnumerateMetaCommands(UINT* count, D3D12_META_COMMAND_DESC*) {
  if (count == nullptr) return Fail("ID3D12Device5::EnumerateMetaCommands", E_INVALIDARG, "pNumMetaCommands is null");
  // The driver offers no meta commands.
  *count = 0;
  return S_OK;
}

HRESULT Device::EnumerateMetaCommandParameters(REFGUID, D3D12_META_COMMAND_PARAMETER_STAGE, UINT*, UINT*,
                                               D3D12_META_COMMAND_PARAMETER_DESC*) {
  return Fail("ID3D12Device5::EnumerateMetaCommandParameters", E_INVALIDARG, "no meta command has this identifier");
}

HRESULT Device::CreateMetaCommand(REFGUID, UINT, const void*, SIZE_T, REFIID, void** metaCommand) {
  if (metaCommand != nullptr) *metaCommand = nullptr;
  return Fail("ID3D12Device5::CreateMetaCommand", E_INVALIDARG, "no meta command has this identifier");
}

HRESULT Device::CreateStateObject(const D3D12_STATE_OBJECT_DESC*, REFIID, void** stateObject) {
  return NoObject(stateObject, "ID3D12Device5::CreateStateObject");
}

void Device::GetRaytracingAccelerationStructurePrebuildInfo(
    const D3D12_BUILD_RAYTRACING_ACCELERATION_STRUCTURE_INPUTS*,
    D3D12_RAYTRACING_ACCELERATION_STRUCTURE_PREBUILD_INFO* info) {
  if (info != nullptr) *info = {};
  ReportNotImplementedOnce("ID3D12Device5::GetRaytracingAccelerationStructurePrebuildInfo");
}

D3D12_DRIVER_MATCHING_IDENTIFIER_STATUS Device::CheckDriverMatchingIdentifier(
    D3D12_SERIALIZED_DATA_TYPE, const D3D12_SERIALIZED_DATA_DRIVER_MATCHING_IDENTIFIER*) {
  // Nothing is ever serialized here (there are no acceleration structures), so no data can match.
  return D3D12_DRIVER_MATCHING_IDENTIFIER_UNSUPPORTED_TYPE;
}

HRESULT Device::SetBackgroundProcessingMode(D3D12_BACKGROUND_PROCESSING_MODE, D3D12_MEASUREMENTS_ACTION,
                                            HANDLE completionEvent, BOOL* furtherMeasurementsDesired) {
  // The driver does no background work to steer; the request is done as soon as it is made.
  if (furtherMeasurementsDesired != nullptr) *furtherMeasurementsDesired = FALSE;
  if (completionEvent != nullptr) SetEvent(completionEvent);
  return S_OK;
}

HRESULT Device::AddToStateObject(const D3D12_STATE_OBJECT_DESC*, ID3D12StateObject*, REFIID, void** stateObject) {
  return NoObject(stateObject, "ID3D12Device7::AddToStateObject");
}

HRESULT Device::CreateProtectedResourceSession1(const D3D12_PROTECTED_RESOURCE_SESSION_DESC1*, REFIID, void** session) {
  return NoObject(session, "ID3D12Device7::CreateProtectedResourceSession1");
}

D3D12_RESOURCE_ALLOCATION_INFO Device::GetResourceAllocationInfo2(UINT visibleMask, UINT descCount,
                                                                  const D3D12_RESOURCE_DESC1* descs,
                                                                  D3D12_RESOURCE_ALLOCATION_INFO1* eachInfo) {
  std::vector<D3D12_RESOURCE_DESC> plain(descs != nullptr ? descCount : 0);
  for (size_t i = 0; i < plain.size(); ++i) {
    if (!ToResourceDesc(descs[i], &plain[i], "ID3D12Device8::GetResourceAllocationInfo2 with sampler feedback")) {
      return {UINT64_MAX, 0};
    }
  }
  return GetResourceAllocationInfo1(visibleMask, descCount, descs != nullptr ? plain.data() : nullptr, eachInfo);
}

HRESULT Device::CreateCommittedResource2(const D3D12_HEAP_PROPERTIES* heapProperties, D3D12_HEAP_FLAGS heapFlags,
                                         const D3D12_RESOURCE_DESC1* desc, D3D12_RESOURCE_STATES initialState,
                                         const D3D12_CLEAR_VALUE* optimizedClearValue,
                                         ID3D12ProtectedResourceSession* session, REFIID riid, void** resource) {
  constexpr const char* kCall = "ID3D12Device8::CreateCommittedResource2";
  if (desc == nullptr) return Fail(kCall, E_INVALIDARG, "pDesc is null");
  D3D12_RESOURCE_DESC plain;
  if (!ToResourceDesc(*desc, &plain, "ID3D12Device8::CreateCommittedResource2 with sampler feedback")) return E_NOTIMPL;
  return CreateCommittedResource1(heapProperties, heapFlags, &plain, initialState, optimizedClearValue, session, riid,
                                  resource);
}

HRESULT Device::CreatePlacedResource1(ID3D12Heap* heap, UINT64 heapOffset, const D3D12_RESOURCE_DESC1* desc,
                                      D3D12_RESOURCE_STATES initialState, const D3D12_CLEAR_VALUE* optimizedClearValue,
                                      REFIID riid, void** resource) {
  constexpr const char* kCall = "ID3D12Device8::CreatePlacedResource1";
  if (desc == nullptr) return Fail(kCall, E_INVALIDARG, "pDesc is null");
  D3D12_RESOURCE_DESC plain;
  if (!ToResourceDesc(*desc, &plain, "ID3D12Device8::CreatePlacedResource1 with sampler feedback")) return E_NOTIMPL;
  return CreatePlacedResource(heap, heapOffset, &plain, initialState, optimizedClearValue, riid, resource);
}

void Device::CreateSamplerFeedbackUnorderedAccessView(ID3D12Resource*, ID3D12Resource*, D3D12_CPU_DESCRIPTOR_HANDLE) {
  ReportNotImplementedOnce("ID3D12Device8::CreateSamplerFeedbackUnorderedAccessView");
}

void Device::GetCopyableFootprints1(const D3D12_RESOURCE_DESC1* desc, UINT firstSubresource, UINT subresourceCount,
                                    UINT64 baseOffset, D3D12_PLACED_SUBRESOURCE_FOOTPRINT* layouts, UINT* rowCounts,
                                    UINT64* rowSizes, UINT64* totalBytes) {
  D3D12_RESOURCE_DESC plain;
  if (desc == nullptr ||
      !ToResourceDesc(*desc, &plain, "ID3D12Device8::GetCopyableFootprints1 with sampler feedback")) {
    if (totalBytes != nullptr) *totalBytes = UINT64_MAX;
    if (desc == nullptr) Report("ID3D12Device8::GetCopyableFootprints1", "pResourceDesc is null");
    return;
  }
  GetCopyableFootprints(&plain, firstSubresource, subresourceCount, baseOffset, layouts, rowCounts, rowSizes,
                        totalBytes);
}

HRESULT Device::CreateShaderCacheSession(const D3D12_SHADER_CACHE_SESSION_DESC*, REFIID, void** session) {
  return NoObject(session, "ID3D12Device9::CreateShaderCacheSession");
}

HRESULT Device::ShaderCacheControl(D3D12_SHADER_CACHE_KIND_FLAGS, D3D12_SHADER_CACHE_CONTROL_FLAGS) {
  return NotImplemented("ID3D12Device9::ShaderCacheControl");
}

HRESULT Device::CreateCommandQueue1(const D3D12_COMMAND_QUEUE_DESC* desc, REFIID, REFIID riid, void** queue) {
  // The creator identifier only lets several components share queues; every queue here is its own.
  return CreateCommandQueue(desc, riid, queue);
}

HRESULT Device::CreateCommittedResource3(const D3D12_HEAP_PROPERTIES*, D3D12_HEAP_FLAGS, const D3D12_RESOURCE_DESC1*,
                                         D3D12_BARRIER_LAYOUT, const D3D12_CLEAR_VALUE*,
                                         ID3D12ProtectedResourceSession*, UINT32, DXGI_FORMAT*, REFIID,
                                         void** resource) {
  // Barrier layouts belong to enhanced barriers, which OPTIONS12 reports absent.
  return NoObject(resource, "ID3D12Device10::CreateCommittedResource3 (enhanced barriers)");
}

HRESULT Device::CreatePlacedResource2(ID3D12Heap*, UINT64, const D3D12_RESOURCE_DESC1*, D3D12_BARRIER_LAYOUT,
                                      const D3D12_CLEAR_VALUE*, UINT32, DXGI_FORMAT*, REFIID, void** resource) {
  return NoObject(resource, "ID3D12Device10::CreatePlacedResource2 (enhanced barriers)");
}

HRESULT Device::CreateReservedResource2(const D3D12_RESOURCE_DESC*, D3D12_BARRIER_LAYOUT, const D3D12_CLEAR_VALUE*,
                                        ID3D12ProtectedResourceSession*, UINT32, DXGI_FORMAT*, REFIID,
                                        void** resource) {
  return NoObject(resource, "ID3D12Device10::CreateReservedResource2 (enhanced barriers)");
}

}  // namespace d3d12vk
