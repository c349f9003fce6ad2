// Everything the frame draws apart from the textures: the pipelines, the text box and the character.
#include "content/InputLayouts.h"
#include "content/ModelFileError.h"
#include "content/ModelLoader.h"
#include "render/ConstantBufferLayout.h"
#include "render/DescriptorHeaps.h"
#include "render/Log.h"
#include "render/PipelineLibrary.h"
#include "render/Renderer.h"
#include "render/StructGetters.h"

#include <windows.h>

#include <string>

namespace {

constexpr const char* ModelFile = "char.fbx";

// The text box: its upper-left corner and size in client pixels.
constexpr float TextBoxX = 500.0f;
constexpr float TextBoxY = 0.0f;
constexpr float TextBoxWidth = 200.0f;
constexpr float TextBoxHeight = 70.0f;

// The loader records its uploads on a queue and list of its own, so the Renderer's list stays closed.
void EquipLoader(ModelLoader& loader) {
  D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&loader.Device));
  const D3D12_COMMAND_QUEUE_DESC queue = {D3D12_COMMAND_LIST_TYPE_DIRECT, 0, D3D12_COMMAND_QUEUE_FLAG_NONE, 0};
  loader.Device->CreateCommandQueue(&queue, IID_PPV_ARGS(&loader.CommandQueue));
  loader.Device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&loader.CommandAllocator));
  loader.Device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, loader.CommandAllocator, nullptr,
                                   IID_PPV_ARGS(&loader.CommandList));
  loader.CommandList->Close();
  loader.CommandList->Reset(loader.CommandAllocator, nullptr);
}

// Submits what LoadModel recorded and blocks until the GPU has run it: the buffers hold their data and are
// ready to be drawn when this returns.
void SubmitAndWait(ModelLoader& loader) {
  const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ID3D12Fence* fence = nullptr;
  loader.Device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&fence));
  loader.CommandList->Close();
  ID3D12CommandList* lists[] = {loader.CommandList};
  loader.CommandQueue->ExecuteCommandLists(1, lists);
  loader.CommandQueue->Signal(fence, 1);
  fence->SetEventOnCompletion(1, event);
  WaitForSingleObject(event, INFINITE);
  CloseHandle(event);
  fence->Release();
}

// Nothing of the loader is used again once its uploads are done.
void ReleaseLoader(ModelLoader& loader) {
  loader.CommandList->Release();
  loader.CommandAllocator->Release();
  loader.CommandQueue->Release();
  loader.Device->Release();
}

// The constant views follow the texture views in the fixed-size shader-visible heap; a model with more
// draw items than fit would have them written past its end, so it is refused here.
void CheckDescriptorRoom(const Renderer& renderer) {
  const uint32_t needed = DescriptorLayoutFor(renderer.TextureCount, renderer.Meshes).DescriptorCount();
  const uint32_t room = DescriptionOf(renderer.Heaps->CbvSrvUavHeap).NumDescriptors;
  if (needed > room) {
    const uint32_t drawItems = CountDrawItems(renderer.Meshes);
    throw ModelFileError(ModelFile, "its " + std::to_string(drawItems) + " meshes need " + std::to_string(needed) +
                                        " shader-visible descriptors, the descriptor heap holds " +
                                        std::to_string(room));
  }
}

}  // namespace

void Renderer::LoadContent() {
  Pipelines = new PipelineLibrary();
  Pipelines->FontInputElements.assign(FontInputLayout.begin(), FontInputLayout.end());
  Pipelines->ModelInputElements.assign(ModelInputLayout.begin(), ModelInputLayout.end());
  Pipelines->BuildShaders();
  Pipelines->BuildRootSignatures();
  Pipelines->BuildPipelineStates();

  TextLabel label(static_cast<float>(Width), static_cast<float>(Height), TextBoxX, TextBoxY, TextBoxWidth,
                  TextBoxHeight);

  ModelLoader loader;
  EquipLoader(loader);
  Model model = loader.LoadModel(ModelFile);
  SubmitAndWait(loader);
  ReleaseLoader(loader);

  TextLabels.push_back(label);

  Mesh mesh;
  mesh.AttachModel(model);
  mesh.ConstantSlot = 0;
  Meshes.push_back(mesh);
  CheckDescriptorRoom(*this);

  LogResult(L"Loading meshes completed", 0);
}
