// The Direct3D 12 getters that return a structure, callable the same way with every compiler. With MSVC
// (and on Linux) they return it; with other Windows compilers DirectX-Headers declares them with an out
// parameter instead, to match the calling convention MSVC really uses for such methods.
#pragma once

#include "core/Direct3D12.h"

#include <windows.h>

#if defined(_MSC_VER) || !defined(_WIN32)

inline D3D12_CPU_DESCRIPTOR_HANDLE CpuHeapStart(ID3D12DescriptorHeap* heap) {
  return heap->GetCPUDescriptorHandleForHeapStart();
}
inline D3D12_GPU_DESCRIPTOR_HANDLE GpuHeapStart(ID3D12DescriptorHeap* heap) {
  return heap->GetGPUDescriptorHandleForHeapStart();
}
inline D3D12_DESCRIPTOR_HEAP_DESC DescriptionOf(ID3D12DescriptorHeap* heap) { return heap->GetDesc(); }
inline D3D12_RESOURCE_DESC DescriptionOf(ID3D12Resource* resource) { return resource->GetDesc(); }

#else

inline D3D12_CPU_DESCRIPTOR_HANDLE CpuHeapStart(ID3D12DescriptorHeap* heap) {
  D3D12_CPU_DESCRIPTOR_HANDLE handle;
  return *heap->GetCPUDescriptorHandleForHeapStart(&handle);
}
inline D3D12_GPU_DESCRIPTOR_HANDLE GpuHeapStart(ID3D12DescriptorHeap* heap) {
  D3D12_GPU_DESCRIPTOR_HANDLE handle;
  return *heap->GetGPUDescriptorHandleForHeapStart(&handle);
}
inline D3D12_DESCRIPTOR_HEAP_DESC DescriptionOf(ID3D12DescriptorHeap* heap) {
  D3D12_DESCRIPTOR_HEAP_DESC description;
  return *heap->GetDesc(&description);
}
inline D3D12_RESOURCE_DESC DescriptionOf(ID3D12Resource* resource) {
  D3D12_RESOURCE_DESC description;
  return *resource->GetDesc(&description);
}

#endif
