#include "content/UploadContext.h"

#include "core/ErrorText.h"

#include <wrl/client.h>

UploadContext CreateUploadContext() {
  UploadContext context;
  StopIfFailed(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&context.Device)), "D3D12CreateDevice",
               "no device on the default adapter");
  const D3D12_COMMAND_QUEUE_DESC queue = {D3D12_COMMAND_LIST_TYPE_DIRECT, 0, D3D12_COMMAND_QUEUE_FLAG_NONE, 0};
  StopIfFailed(context.Device->CreateCommandQueue(&queue, IID_PPV_ARGS(&context.CommandQueue)),
               "ID3D12Device::CreateCommandQueue", "cannot create the upload queue");
  StopIfFailed(
      context.Device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&context.CommandAllocator)),
      "ID3D12Device::CreateCommandAllocator", "cannot create the upload allocator");
  StopIfFailed(context.Device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, context.CommandAllocator, nullptr,
                                                 IID_PPV_ARGS(&context.CommandList)),
               "ID3D12Device::CreateCommandList", "cannot create the upload command list");
  StopIfFailed(context.CommandList->Close(), "ID3D12GraphicsCommandList::Close", "cannot close the upload list");
  StopIfFailed(context.CommandList->Reset(context.CommandAllocator, nullptr), "ID3D12GraphicsCommandList::Reset",
               "cannot reset the upload list");
  return context;
}

void SubmitAndWaitOnce(const UploadContext& context) {
  Microsoft::WRL::ComPtr<ID3D12Fence> fence;
  StopIfFailed(context.Device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&fence)), "ID3D12Device::CreateFence",
               "cannot create the upload fence");
  const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  StopIfFailed(context.CommandList->Close(), "ID3D12GraphicsCommandList::Close", "cannot close the upload list");
  ID3D12CommandList* lists[] = {context.CommandList};
  context.CommandQueue->ExecuteCommandLists(1, lists);
  context.CommandQueue->Signal(fence.Get(), 1);
  fence->SetEventOnCompletion(1, event);
  WaitForSingleObject(event, INFINITE);
  CloseHandle(event);
}
