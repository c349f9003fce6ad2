#include "render/Renderer.h"

#include <windows.h>

void Renderer::FlushCommandQueue() {
  ++FenceValue;
  CommandQueue->Signal(Fence, FenceValue);
  if (Fence->GetCompletedValue() >= FenceValue) {
    return;
  }
  // A fresh event per wait: the CPU waits after every submission, so there is never a second wait to
  // share it with.
  const HANDLE event = CreateEventExW(nullptr, nullptr, 0, EVENT_ALL_ACCESS);
  Fence->SetEventOnCompletion(FenceValue, event);
  WaitForSingleObject(event, INFINITE);
  CloseHandle(event);
}
