// Everything the frame draws apart from the textures: the pipelines, the text box and the character.
#include "content/InputLayouts.h"
#include "content/ModelFileError.h"
#include "content/ModelLoader.h"
#include "content/UploadContext.h"
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

  const UploadContext context = CreateUploadContext();
  ModelLoader loader;
  EquipLoader(loader, context);
  Model model = loader.LoadModel(ModelFile);
  SubmitAndWaitOnce(context);
  ReleaseLoader(loader);

  TextLabels.push_back(label);

  Mesh mesh;
  mesh.AttachModel(model);
  mesh.ConstantSlot = 0;
  Meshes.push_back(mesh);
  CheckDescriptorRoom(*this);

  LogResult(L"Loading meshes completed", 0);
}
