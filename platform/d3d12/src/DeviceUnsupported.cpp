// The ID3D12Device methods outside the layer's subset: each reports itself once and fails or does nothing.
#include "Device.h"
#include "Diagnostics.h"

namespace d3d12vk {

HRESULT Device::CreateReservedResource(const D3D12_RESOURCE_DESC*, D3D12_RESOURCE_STATES, const D3D12_CLEAR_VALUE*,
                                       REFIID, void**) {
  return NotImplemented("ID3D12Device::CreateReservedResource");
}

HRESULT Device::CreateSharedHandle(ID3D12DeviceChild*, const SECURITY_ATTRIBUTES*, DWORD, LPCWSTR, HANDLE*) {
  return NotImplemented("ID3D12Device::CreateSharedHandle");
}

HRESULT Device::OpenSharedHandle(HANDLE, REFIID, void**) { return NotImplemented("ID3D12Device::OpenSharedHandle"); }

HRESULT Device::OpenSharedHandleByName(LPCWSTR, DWORD, HANDLE*) {
  return NotImplemented("ID3D12Device::OpenSharedHandleByName");
}

HRESULT Device::SetStablePowerState(BOOL) { return NotImplemented("ID3D12Device::SetStablePowerState"); }

void Device::GetResourceTiling(ID3D12Resource*, UINT*, D3D12_PACKED_MIP_INFO*, D3D12_TILE_SHAPE*, UINT*, UINT,
                               D3D12_SUBRESOURCE_TILING*) {
  ReportNotImplementedOnce("ID3D12Device::GetResourceTiling");
}

}  // namespace d3d12vk
