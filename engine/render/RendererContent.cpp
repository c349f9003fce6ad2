// The content phase of the Renderer: the two textures (the last step of InitDirect3D), then everything else
// the frame draws: the pipelines, the text box and the character.
#include "core/Direct3D12.h"
#include "render/Renderer.h"

#include "content/InputLayouts.h"
#include "content/ModelLoader.h"
#include "content/TextureFileError.h"
#include "content/TextureLoader.h"
#include "content/UploadContext.h"
#include "core/ErrorText.h"
#include "core/Log.h"
#include "render/ConstantBufferLayout.h"
#include "render/DescriptorHeaps.h"
#include "render/PipelineLibrary.h"
#include "render/SceneDriver.h"
#include "render/StructGetters.h"

#include <windows.h>

#include <iterator>
#include <string>

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

constexpr const char* ModelFile = "char.fbx";

// The text box: its upper-left corner and size in client pixels.
constexpr float TextBoxX = 500.0f;
constexpr float TextBoxY = 0.0f;
constexpr float TextBoxWidth = 200.0f;
constexpr float TextBoxHeight = 70.0f;

// The loader records its uploads on a queue and list of its own, so the Renderer's list stays closed.
void EquipLoader(ModelLoader& loader, const UploadContext& context) {
  loader.Device = context.Device;
  loader.CommandQueue = context.CommandQueue;
  loader.CommandAllocator = context.CommandAllocator;
  loader.CommandList = context.CommandList;
}

// Nothing of the loader is used again once its uploads are done.
void ReleaseLoader(ModelLoader& loader) {
  loader.CommandList->Release();
  loader.CommandAllocator->Release();
  loader.CommandQueue->Release();
  loader.Device->Release();
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
    Textures.push_back(slot.Texture);
    CreateTextureView(Device, slot.Texture, handle);
    handle.ptr += CbvSrvUavDescriptorSize;
  }
  LogResult(L"Materialas Loaded", 0);
}

void Renderer::LoadContent() {
  Pipelines = new PipelineLibrary();
  Pipelines->FontInputElements.assign(FontInputLayout.begin(), FontInputLayout.end());
  Pipelines->ModelInputElements.assign(ModelInputLayout.begin(), ModelInputLayout.end());
  Pipelines->BuildShaders();
  Pipelines->BuildRootSignatures();
  Pipelines->BuildPipelineStates();

  TextLabel label(static_cast<float>(Width), static_cast<float>(Height), TextBoxX, TextBoxY, TextBoxWidth,
                  TextBoxHeight);

  if (Scene != nullptr) {
    TextLabels.push_back(label);
    Scene->LoadScene(*this);
  } else {
    ModelLoader loader;
    Model model = ImportModel(loader, ModelFile);
    TextLabels.push_back(label);
    Mesh mesh;
    mesh.AttachModel(model);
    mesh.ConstantSlot = 0;
    Meshes.push_back(mesh);
  }
  // A grown heap needs every texture view again; the one device setup made already holds the program's own.
  const bool grown = EnsureShaderVisibleRoom(DescriptorLayoutFor(TextureCount, Meshes).DescriptorCount());
  WriteTextureViews(grown ? 0 : static_cast<uint32_t>(std::size(TextureFiles)));

  LogResult(L"Loading meshes completed", 0);
}

Model Renderer::ImportModel(ModelLoader& loader, const std::string& path) {
  const UploadContext context = CreateUploadContext();
  EquipLoader(loader, context);
  Model model = loader.LoadModel(path);
  SubmitAndWaitOnce(context);
  ReleaseLoader(loader);
  return model;
}

bool Renderer::EnsureShaderVisibleRoom(uint32_t descriptorCount) {
  if (descriptorCount <= DescriptionOf(Heaps->CbvSrvUavHeap).NumDescriptors) {
    return false;
  }
  // No frame has been recorded with the old heap yet, but a test or a later caller may have: the GPU must
  // be done with it before it is released.
  FlushCommandQueue();
  StopIfFailed(Heaps->GrowShaderVisibleHeap(descriptorCount), "ID3D12Device::CreateDescriptorHeap",
               "cannot create a larger shader-visible descriptor heap for the model");
  return true;
}

void Renderer::WriteTextureViews(uint32_t first) {
  for (uint32_t slot = first; slot < Textures.size(); ++slot) {
    CreateTextureView(Device, Textures[slot],
                      CD3DX12_CPU_DESCRIPTOR_HANDLE(CpuHeapStart(Heaps->CbvSrvUavHeap), static_cast<INT>(slot),
                                                    CbvSrvUavDescriptorSize));
  }
}

uint32_t Renderer::AddTextures(const std::vector<DecodedImage>& images) {
  const uint32_t firstSlot = static_cast<uint32_t>(Textures.size());
  UploadContext context = CreateUploadContext();
  std::vector<ID3D12Resource*> uploads;
  for (const DecodedImage& image : images) {
    TextureSlot slot;
    UploadTexture(context, image, slot);
    Textures.push_back(slot.Texture);
    uploads.push_back(slot.Upload);
  }
  SubmitAndWaitOnce(context);
  for (ID3D12Resource* upload : uploads) {
    if (upload != nullptr) {
      upload->Release();
    }
  }
  TextureCount = static_cast<int32_t>(Textures.size());
  return firstSlot;
}
