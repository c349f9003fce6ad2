// The three constant buffers of the object shaders: camera constants, one world matrix per draw item and
// the bone palette. Each is one persistently mapped upload buffer; the frame waits for the GPU before it
// returns, so the CPU may rewrite them between frames without a second copy.
#include "render/ConstantBufferLayout.h"
#include "render/DescriptorHeaps.h"
#include "render/DeviceSetup.h"
#include "render/Log.h"
#include "render/Renderer.h"
#include "render/StructGetters.h"

#include "d3dx12.h"

#include <algorithm>
#include <cstring>

namespace {

ID3D12Resource* CreateMappedUploadBuffer(ID3D12Device* device, uint64_t byteSize, uint8_t** mapped) {
  const CD3DX12_HEAP_PROPERTIES uploadHeap(D3D12_HEAP_TYPE_UPLOAD);
  const CD3DX12_RESOURCE_DESC description = CD3DX12_RESOURCE_DESC::Buffer(byteSize);
  ID3D12Resource* buffer = nullptr;
  StopIfFailed(device->CreateCommittedResource(&uploadHeap, D3D12_HEAP_FLAG_NONE, &description,
                                               D3D12_RESOURCE_STATE_GENERIC_READ, nullptr, IID_PPV_ARGS(&buffer)),
               "ID3D12Device::CreateCommittedResource", "cannot create a constant buffer");
  *mapped = nullptr;
  if (buffer != nullptr) {
    void* address = nullptr;
    buffer->Map(0, nullptr, &address);
    *mapped = static_cast<uint8_t*>(address);
  }
  return buffer;
}

void CreateConstantView(ID3D12Device* device, ID3D12Resource* buffer, uint64_t offset, uint32_t byteSize,
                        D3D12_CPU_DESCRIPTOR_HANDLE destination) {
  if (buffer == nullptr) {
    return;
  }
  const D3D12_CONSTANT_BUFFER_VIEW_DESC view = {buffer->GetGPUVirtualAddress() + offset, byteSize};
  device->CreateConstantBufferView(&view, destination);
}

void WriteMatrix(uint8_t* destination, const float4x4& matrix) { std::memcpy(destination, &matrix, sizeof(matrix)); }

// The skinning matrices go in as the animation made them: they are column-vector matrices already.
void WriteBonePalette(const std::vector<float4x4>& palette, uint8_t* mapped) {
  // An empty palette has no data pointer, and memcpy takes none even for zero bytes.
  if (mapped == nullptr || palette.empty()) {
    return;
  }
  const size_t count = std::min<size_t>(palette.size(), BonePaletteSize / sizeof(float4x4));
  std::memcpy(mapped, palette.data(), count * sizeof(float4x4));
}

// Every draw item of a mesh whose world matrix changed, each slot's byte offset traced on the console.
void WriteObjectConstants(std::vector<Mesh>& meshes, uint8_t* mapped) {
  const uint32_t slotCount = CountDrawItems(meshes);
  for (Mesh& mesh : meshes) {
    if (!mesh.Dirty) {
      continue;
    }
    for (size_t k = 0; k < mesh.DrawItems.size(); ++k) {
      const int64_t slot = int64_t{mesh.ConstantSlot} + static_cast<int64_t>(k);
      // A mesh that was never placed, or placed past the buffer, has no slot to write.
      if (mapped == nullptr || slot < 0 || slot >= slotCount) {
        continue;
      }
      const uint32_t offset = ObjectSlotOffset(static_cast<uint32_t>(slot));
      WriteMatrix(mapped + offset, Transpose(Multiply(mesh.World, mesh.DrawItems[k].Transform)));
      LogSlotOffset(offset);
    }
    mesh.Dirty = false;
  }
}

PassConstantsRecord MakePassConstants(const Camera& camera) {
  PassConstantsRecord record;
  record.View = Transpose(camera.ViewMatrix);
  record.Proj = Transpose(camera.ProjMatrix);
  record.ViewProj = Transpose(Multiply(camera.ViewMatrix, camera.ProjMatrix));
  record.EyePosW = camera.Position;
  return record;
}

}  // namespace

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

void Renderer::UpdateConstantBuffers() {
  WriteBonePalette(BonePalette, MappedBoneConstants);
  WriteObjectConstants(Meshes, MappedObjectConstants);
  if (CameraChanged) {
    Camera.RebuildView();
    if (MappedPassConstants != nullptr) {
      const PassConstantsRecord record = MakePassConstants(Camera);
      std::memcpy(MappedPassConstants, &record, sizeof(record));
    }
    CameraChanged = false;
  }
}
