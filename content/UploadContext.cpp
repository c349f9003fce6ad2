#include "content/UploadContext.h"

UploadContext CreateUploadContext() {
  UploadContext context;
  D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&context.Device));
  const D3D12_COMMAND_QUEUE_DESC queue = {D3D12_COMMAND_LIST_TYPE_DIRECT, 0, D3D12_COMMAND_QUEUE_FLAG_NONE, 0};
  context.Device->CreateCommandQueue(&queue, IID_PPV_ARGS(&context.CommandQueue));
  context.Device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&context.CommandAllocator));
  context.Device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, context.CommandAllocator, nullptr,
                                    IID_PPV_ARGS(&context.CommandList));
  context.CommandList->Close();
  context.CommandList->Reset(context.CommandAllocator, nullptr);
  return context;
}

void SubmitAndWaitOnce(const UploadContext& context) {
  const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ID3D12Fence* fence = nullptr;
  context.Device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&fence));
  context.CommandList->Close();
  ID3D12CommandList* lists[] = {context.CommandList};
  context.CommandQueue->ExecuteCommandLists(1, lists);
  context.CommandQueue->Signal(fence, 1);
  fence->SetEventOnCompletion(1, event);
  WaitForSingleObject(event, INFINITE);
  CloseHandle(event);
  fence->Release();
}
