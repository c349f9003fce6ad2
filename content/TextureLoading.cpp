#include "content/TextureFileError.h"
#include "content/TextureLoader.h"
#include "render/DescriptorHeaps.h"
#include "render/Log.h"
#include "render/Renderer.h"
#include "render/StructGetters.h"

#include <iterator>

namespace {

// In descriptor-slot order: the text pipeline samples slot 0, the model pipelines slot 1.
constexpr const wchar_t* TextureFiles[] = {L"newarial.png", L"blessing-1x.png"};

// A view of the whole texture in its own format.
void CreateTextureView(ID3D12Device* device, ID3D12Resource* texture, D3D12_CPU_DESCRIPTOR_HANDLE handle) {
  const D3D12_RESOURCE_DESC textureDescription = DescriptionOf(texture);
  D3D12_SHADER_RESOURCE_VIEW_DESC view = {};
  view.Format = textureDescription.Format;
  view.ViewDimension = D3D12_SRV_DIMENSION_TEXTURE2D;
  view.Shader4ComponentMapping = D3D12_DEFAULT_SHADER_4_COMPONENT_MAPPING;
  view.Texture2D.MostDetailedMip = 0;
  view.Texture2D.MipLevels = textureDescription.MipLevels;
  view.Texture2D.PlaneSlice = 0;
  view.Texture2D.ResourceMinLODClamp = 0.0f;
  device->CreateShaderResourceView(texture, &view, handle);
}

}  // namespace

void Renderer::LoadTextures() {
  TextureCount = static_cast<int32_t>(std::size(TextureFiles));
  UploadContext context = CreateUploadContext();
  // Both uploads go on the one list. An image that cannot be loaded stops start-up (TextureFileError)
  // before any view is written: a view of a missing texture would describe nothing.
  TextureSlot slots[std::size(TextureFiles)];
  for (int32_t slot = 0; slot < TextureCount; ++slot) {
    if (!LoadTextureFromFile(context, TextureFiles[slot], slots[slot])) {
      throw TextureFileError(TextureFiles[slot], "the image has no pixels");
    }
  }
  SubmitAndWaitOnce(context);

  D3D12_CPU_DESCRIPTOR_HANDLE handle = CpuHeapStart(Heaps->CbvSrvUavHeap);
  for (const TextureSlot& slot : slots) {
    CreateTextureView(Device, slot.Texture, handle);
    handle.ptr += CbvSrvUavDescriptorSize;
  }
  LogResult(L"Materialas Loaded", 0);
}
