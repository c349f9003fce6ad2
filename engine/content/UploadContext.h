// A loader's own GPU objects for its one-off uploads (the model's buffers, the textures): a direct queue,
// an allocator and a command list that is open for recording, all on the one device.
#pragma once

#include "core/Direct3D12.h"

#include <windows.h>

struct UploadContext {
  ID3D12Device* Device = nullptr;
  ID3D12CommandAllocator* CommandAllocator = nullptr;
  ID3D12GraphicsCommandList* CommandList = nullptr;
  ID3D12CommandQueue* CommandQueue = nullptr;
};

// Asks for the device (every GPU-side object receives the one device of the default adapter) and makes
// the queue, the allocator and the list, left open for recording.
UploadContext CreateUploadContext();

// Closes and submits the list, then blocks until the GPU has run it: a fence of its own signalled to 1
// and an event waited on. The uploads are complete when this returns.
void SubmitAndWaitOnce(const UploadContext& context);
