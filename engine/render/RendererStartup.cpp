// The start-up phase of the Renderer, in the order Run calls it: the window's size and the default lens,
// the device and everything sized to the window, the constant buffers, the camera.
#include "core/Direct3D12.h"
#include "render/Renderer.h"

#include "core/Log.h"
#include "render/ConstantBuffers.h"
#include "render/DescriptorHeaps.h"
#include "render/DeviceSetup.h"
#include "render/SceneDriver.h"
#include "render/StructGetters.h"

#include <algorithm>

Renderer::Renderer(HWND window) : Window(window) {
  Camera.SetProjection(0.7853982f, 1.0f, 1.0f, 1000.0f);
  // The real client size, not the size asked for: the window system may have granted another.
  RECT client = {};
  GetClientRect(window, &client);
  Width = client.right - client.left;
  Height = client.bottom - client.top;
}

void Renderer::InitDirect3D() {
  CreateFactoryAndDevice(*this);
  CreateCommandObjects(*this);
  CreateSwapChain(*this);
  FlushCommandQueue();

  BeginCommands(*this);
  CreateHeapsAndRenderTargets(*this);
  CreateDepthStencil(*this);
  LogResult(L"Initializing renderbuffers", 0);
  CbvSrvUavDescriptorSize = Device->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV);
  SetFullClientViewport(*this);
  SubmitAndWait(*this);

  LoadTextures();
}

void Renderer::CreateConstantBuffers() {
  const ConstantDescriptorLayout layout = DescriptorLayoutFor(TextureCount, Meshes);
  PassConstants = CreateMappedUploadBuffer(Device, PassConstantsSize, &MappedPassConstants);
  // A scene without draw items still gets one slot: a buffer cannot be empty.
  const uint32_t objectBytes = ObjectSlotOffset(std::max(layout.ObjectSlotCount, 1u));
  ObjectConstants = CreateMappedUploadBuffer(Device, objectBytes, &MappedObjectConstants);
  BoneConstants = CreateMappedUploadBuffer(Device, BonePaletteSize, &MappedBoneConstants);

  const D3D12_CPU_DESCRIPTOR_HANDLE heapStart = CpuHeapStart(Heaps->CbvSrvUavHeap);
  const auto descriptor = [&](uint32_t index) {
    return CD3DX12_CPU_DESCRIPTOR_HANDLE(heapStart, static_cast<INT>(index), CbvSrvUavDescriptorSize);
  };
  CreateConstantView(Device, PassConstants, 0, PassConstantsSize, descriptor(layout.PassIndex()));
  for (uint32_t slot = 0; slot < layout.ObjectSlotCount; ++slot) {
    CreateConstantView(Device, ObjectConstants, ObjectSlotOffset(slot), ConstantSlotSize,
                       descriptor(layout.ObjectIndex(slot)));
  }
  CreateConstantView(Device, BoneConstants, 0, BonePaletteSize, descriptor(layout.BoneIndex()));
}

void Renderer::SetupCamera() {
  if (Scene != nullptr) {
    Scene->SetupCamera(*this);
    return;
  }
  // The near plane of 500 only lasts until the first resize sets the lens again with near 1; the loop's
  // first pass normally runs that resize.
  Camera.SetProjection(0.785f, static_cast<float>(Width) / static_cast<float>(Height), 500.0f, 1000.0f);
  // Four units behind the origin on -Z, looking at it along +Z.
  Camera.AimAt({0.0f, 0.0f, -4.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
  Camera.RebuildView();
}
