#include "LayerQueue.h"

namespace d3d12_bench {

LayerQueue::~LayerQueue() {
  if (event != nullptr) CloseHandle(event);
}

bool LayerQueue::Initialize() {
  if (FAILED(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device)))) return false;
  const D3D12_COMMAND_QUEUE_DESC queueDesc{D3D12_COMMAND_LIST_TYPE_DIRECT, 0, D3D12_COMMAND_QUEUE_FLAG_NONE, 0};
  if (FAILED(device->CreateCommandQueue(&queueDesc, IID_PPV_ARGS(&queue))) ||
      FAILED(device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&allocator))) ||
      FAILED(device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, allocator.Get(), nullptr,
                                       IID_PPV_ARGS(&list))) ||
      FAILED(device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&fence)))) {
    return false;
  }
  event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  return event != nullptr;
}

void LayerQueue::ExecuteAndWait() {
  ID3D12CommandList* lists[] = {list.Get()};
  queue->ExecuteCommandLists(1, lists);
  Wait();
}

void LayerQueue::Wait() {
  queue->Signal(fence.Get(), ++fenceValue);
  fence->SetEventOnCompletion(fenceValue, event);
  WaitForSingleObject(event, INFINITE);
}

}  // namespace d3d12_bench
