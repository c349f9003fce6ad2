// The frame phase of the Renderer, in the order the main loop calls it: the held keys, the constant
// buffers, the frame itself, and the wait for the GPU that ends it.
#include "render/Renderer.h"

#include "core/ErrorText.h"
#include "render/ConstantBuffers.h"
#include "render/FrameRecorder.h"
#include "render/SceneDriver.h"
#include "render/SwapChain.h"

#include <windows.h>

#include <cstring>

namespace {

// World units per frame. Movement is not scaled by the frame time: it follows the frame rate.
constexpr float MoveStep = 0.5f;

// GetAsyncKeyState is negative while the key is down at this moment.
bool IsKeyDown(int virtualKey) { return GetAsyncKeyState(virtualKey) < 0; }

// Down now, or pressed since the previous query: a tap between two frames still counts once.
bool WasKeyPressed(int virtualKey) { return GetAsyncKeyState(virtualKey) != 0; }

}  // namespace

void Renderer::HandleMovementKeys() {
  const auto move = [this](float3 step) {
    Camera.Position = Camera.Position + step;
    Camera.ViewStale = true;
    CameraChanged = true;
  };
  const float step = MoveStep * MoveStepScale;
  if (IsKeyDown('W')) move(step * Camera.Look);
  if (IsKeyDown('S')) move(-step * Camera.Look);
  if (IsKeyDown('A')) move(-step * Camera.Right);
  if (IsKeyDown('D')) move(step * Camera.Right);
}

void Renderer::HandleModelTurnKey() {
  if (!WasKeyPressed('U')) {
    return;
  }
  // In the row-vector convention: move 0.1 along the mesh's own x, turn 0.001 radians about its own z,
  // then place it by its previous world matrix. Held down, this walks the model around a circle.
  const float4x4 step = Multiply(Translation(0.1f, 0.0f, 0.0f), RotationZ(0.001f));
  for (Mesh& mesh : Meshes) {
    mesh.World = Multiply(step, mesh.World);
    mesh.Dirty = true;
  }
}

void Renderer::UpdateConstantBuffers() {
  WriteBonePalette(BonePalette, MappedBoneConstants);
  WriteObjectConstants(Meshes, MappedObjectConstants);
  WriteAnimatedObjectConstants(Meshes, MappedObjectConstants);
  if (CameraChanged) {
    Camera.RebuildView();
    if (MappedPassConstants != nullptr) {
      const PassConstantsRecord record = MakePassConstants(Camera);
      std::memcpy(MappedPassConstants, &record, sizeof(record));
    }
    CameraChanged = false;
  }
}

void Renderer::DrawFrame() {
  // A renderer whose device setup or constant buffers are missing has nothing to record into; the main
  // loop may still run its frames (its tests do, on a bare Renderer).
  if (SwapChain == nullptr || Heaps == nullptr || Pipelines == nullptr || MappedBoneConstants == nullptr) {
    return;
  }
  StopIfFailed(CommandAllocator->Reset(), "ID3D12CommandAllocator::Reset", "cannot reset the command allocator");
  StopIfFailed(CommandList->Reset(CommandAllocator, nullptr), "ID3D12GraphicsCommandList::Reset",
               "cannot reset the command list");
  FrameRecorder recorder(*this);
  recorder.BeginFrame();
  recorder.DrawTextBox();
  if (Scene != nullptr) {
    Scene->RecordMeshes(recorder);
  } else {
    recorder.DrawMeshes();
  }
  recorder.EndFrame();
  StopIfFailed(CommandList->Close(), "ID3D12GraphicsCommandList::Close", "cannot close the command list");

  ID3D12CommandList* lists[] = {CommandList};
  CommandQueue->ExecuteCommandLists(1, lists);
  StopIfDeviceLost(SwapChain->Chain->Present(0, 0));
  SwapChain->CurrentBackBuffer = (SwapChain->CurrentBackBuffer + 1) % BufferCount;
  FlushCommandQueue();
}

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
