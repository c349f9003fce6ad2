// ID3D12CommandQueue: submits closed command lists and fence operations to the device's Vulkan queue.
#pragma once

#include "ComObject.h"

namespace d3d12vk {

class CommandQueue final : public DeviceChild<ID3D12CommandQueue, ID3D12Pageable> {
 public:
  CommandQueue(Device& device, const D3D12_COMMAND_QUEUE_DESC& desc);

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

 private:
  D3D12_COMMAND_QUEUE_DESC desc_;
};

}  // namespace d3d12vk
