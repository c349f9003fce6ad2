#include "render/ConstantBuffers.h"

#include "core/Direct3D12.h"
#include "core/ErrorText.h"
#include "core/Log.h"

#include <algorithm>
#include <cstring>

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

namespace {

void WriteMatrix(uint8_t* destination, const float4x4& matrix) { std::memcpy(destination, &matrix, sizeof(matrix)); }

}  // namespace

void WriteBonePalette(const std::vector<float4x4>& palette, uint8_t* mapped) {
  // An empty palette has no data pointer, and memcpy takes none even for zero bytes.
  if (mapped == nullptr || palette.empty()) {
    return;
  }
  const size_t count = std::min<size_t>(palette.size(), BonePaletteSize / sizeof(float4x4));
  std::memcpy(mapped, palette.data(), count * sizeof(float4x4));
}

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
      // Row vectors: the item is placed within the mesh first, then the mesh in the world.
      WriteMatrix(mapped + offset, Transpose(Multiply(mesh.DrawItems[k].Transform, mesh.World)));
      LogSlotOffset(offset);
    }
    mesh.Dirty = false;
  }
}

void WriteAnimatedObjectConstants(const std::vector<Mesh>& meshes, uint8_t* mapped) {
  const uint32_t slotCount = CountDrawItems(meshes);
  for (const Mesh& mesh : meshes) {
    for (size_t k = 0; k < mesh.DrawItems.size(); ++k) {
      const int64_t slot = int64_t{mesh.ConstantSlot} + static_cast<int64_t>(k);
      if (!mesh.DrawItems[k].FollowsAnimation || mapped == nullptr || slot < 0 || slot >= slotCount) {
        continue;
      }
      WriteMatrix(mapped + ObjectSlotOffset(static_cast<uint32_t>(slot)),
                  Transpose(Multiply(mesh.DrawItems[k].Transform, mesh.World)));
    }
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
