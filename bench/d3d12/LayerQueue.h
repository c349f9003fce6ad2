// What every benchmark that drives the Direct3D 12 layer by itself starts with: a device, a direct queue, one
// allocator with one list, and a fence with an event to wait for the queue, created the way programs do.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <wrl/client.h>

namespace d3d12_bench {

struct LayerQueue {
  LayerQueue() = default;
  ~LayerQueue();
  LayerQueue(const LayerQueue&) = delete;
  LayerQueue& operator=(const LayerQueue&) = delete;

  // Creates everything; false when any of it fails. The list is left open, ready for a first recording.
  bool Initialize();
  // Executes the (closed) list and waits until the queue has finished it.
  void ExecuteAndWait();
  // Waits until the queue has finished all that was submitted so far.
  void Wait();

  Microsoft::WRL::ComPtr<ID3D12Device> device;
  Microsoft::WRL::ComPtr<ID3D12CommandQueue> queue;
  Microsoft::WRL::ComPtr<ID3D12CommandAllocator> allocator;
  Microsoft::WRL::ComPtr<ID3D12GraphicsCommandList> list;
  Microsoft::WRL::ComPtr<ID3D12Fence> fence;
  UINT64 fenceValue = 0;
  HANDLE event = nullptr;
};

}  // namespace d3d12_bench
