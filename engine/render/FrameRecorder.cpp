#include "render/FrameRecorder.h"

#include "core/Direct3D12.h"
#include "core/ErrorText.h"
#include "render/DescriptorHeaps.h"
#include "render/PipelineLibrary.h"
#include "render/Renderer.h"
#include "render/StructGetters.h"
#include "render/SwapChain.h"

#include <string>

namespace {

constexpr float ClearColor[4] = {240.0f / 255.0f, 1.0f, 1.0f, 1.0f};

// Texture descriptors at the start of the heap: the font atlas, then the model texture.
constexpr uint32_t FontAtlasDescriptor = 0;
constexpr uint32_t ModelTextureDescriptor = 1;

// Root parameters of the "object" root signature.
enum ObjectRootParameter : UINT { PassTable = 0, ObjectTable = 1, TextureTable = 2, BoneTable = 3 };

void Transition(ID3D12GraphicsCommandList* list, ID3D12Resource* resource, D3D12_RESOURCE_STATES before,
                D3D12_RESOURCE_STATES after) {
  const CD3DX12_RESOURCE_BARRIER barrier = CD3DX12_RESOURCE_BARRIER::Transition(resource, before, after);
  list->ResourceBarrier(1, &barrier);
}

}  // namespace

FrameRecorder::FrameRecorder(Renderer& renderer)
    : renderer_(renderer),
      list_(renderer.CommandList),
      backBuffer_(renderer.SwapChain->BackBuffers[renderer.SwapChain->CurrentBackBuffer]),
      layout_(DescriptorLayoutFor(renderer.TextureCount, renderer.Meshes)),
      heapStart_(GpuHeapStart(renderer.Heaps->CbvSrvUavHeap)) {}

void FrameRecorder::BeginFrame() {
  Transition(list_, backBuffer_, D3D12_RESOURCE_STATE_PRESENT, D3D12_RESOURCE_STATE_RENDER_TARGET);
  list_->RSSetViewports(1, &renderer_.Viewport);
  list_->RSSetScissorRects(1, &renderer_.ScissorRect);

  const ::SwapChain& chain = *renderer_.SwapChain;
  const CD3DX12_CPU_DESCRIPTOR_HANDLE renderTarget(CpuHeapStart(renderer_.Heaps->RtvHeap), chain.CurrentBackBuffer,
                                                   chain.RtvDescriptorSize);
  list_->ClearRenderTargetView(renderTarget, ClearColor, 0, nullptr);
  const D3D12_CPU_DESCRIPTOR_HANDLE depthStencil = CpuHeapStart(renderer_.Heaps->DsvHeap);
  list_->ClearDepthStencilView(depthStencil, D3D12_CLEAR_FLAG_DEPTH | D3D12_CLEAR_FLAG_STENCIL, 1.0f, 0, 0, nullptr);
  list_->OMSetRenderTargets(1, &renderTarget, TRUE, &depthStencil);
  ID3D12DescriptorHeap* shaderVisibleHeaps[] = {renderer_.Heaps->CbvSrvUavHeap};
  list_->SetDescriptorHeaps(1, shaderVisibleHeaps);
}

void FrameRecorder::DrawTextBox() {
  if (renderer_.TextLabels.empty()) {
    return;
  }
  const TextLabel& label = renderer_.TextLabels.front();
  PipelineLibrary& pipelines = *renderer_.Pipelines;
  list_->SetGraphicsRootSignature(pipelines.GetRootSignature("font"));
  list_->SetGraphicsRootDescriptorTable(0, Descriptor(FontAtlasDescriptor));
  list_->SetPipelineState(pipelines.GetPipelineState("default"));
  list_->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
  list_->IASetVertexBuffers(0, 1, &label.InstanceBufferView);
  // One four-vertex strip per record: the box, then each character.
  list_->DrawInstanced(4, static_cast<UINT>(label.InstanceCount), 0, 0);
}

void FrameRecorder::DrawMeshes() {
  PipelineLibrary& pipelines = *renderer_.Pipelines;
  list_->SetGraphicsRootSignature(pipelines.GetRootSignature("object"));
  list_->SetGraphicsRootDescriptorTable(PassTable, Descriptor(layout_.PassIndex()));
  list_->SetGraphicsRootDescriptorTable(BoneTable, Descriptor(layout_.BoneIndex()));
  // The object shader poses a vertex by its bone weights and leaves one without weights as it is, so the
  // one pipeline draws skinned and rigid meshes alike.
  ID3D12PipelineState* object = pipelines.GetPipelineState("object");
  for (const Mesh& mesh : renderer_.Meshes) {
    list_->SetGraphicsRootDescriptorTable(TextureTable, Descriptor(ModelTextureDescriptor));
    DrawItems(mesh, object);
  }
}

void FrameRecorder::EndFrame() {
  Transition(list_, backBuffer_, D3D12_RESOURCE_STATE_RENDER_TARGET, D3D12_RESOURCE_STATE_PRESENT);
}

void FrameRecorder::DrawItems(const Mesh& mesh, ID3D12PipelineState* pipelineState) {
  const Model& model = mesh.Geometry;
  // A model without vertices or faces has no buffers to draw from.
  if (model.VertexBuffer == nullptr || model.IndexBuffer == nullptr) {
    return;
  }
  const D3D12_VERTEX_BUFFER_VIEW vertices = {model.VertexBuffer->GetGPUVirtualAddress(), model.VertexBufferSize,
                                             model.VertexStride};
  const D3D12_INDEX_BUFFER_VIEW indices = {model.IndexBuffer->GetGPUVirtualAddress(), model.IndexBufferSize,
                                           model.IndexFormat};
  // DrawMeshes bound the character's texture; an item that wears another binds its own, so the
  // character's frame records exactly the calls it always did.
  uint32_t boundTexture = ModelTextureDescriptor;
  for (size_t k = 0; k < mesh.DrawItems.size(); ++k) {
    const DrawItem& item = mesh.DrawItems[k];
    if (item.TextureDescriptor != boundTexture) {
      boundTexture = item.TextureDescriptor;
      list_->SetGraphicsRootDescriptorTable(TextureTable, Descriptor(boundTexture));
    }
    const uint32_t slot = static_cast<uint32_t>(mesh.ConstantSlot) + static_cast<uint32_t>(k);
    list_->SetGraphicsRootDescriptorTable(ObjectTable, Descriptor(layout_.ObjectIndex(slot)));
    list_->SetPipelineState(pipelineState);
    list_->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    list_->IASetVertexBuffers(0, 1, &vertices);
    list_->IASetIndexBuffer(&indices);
    list_->DrawIndexedInstanced(item.IndexCount, 1, item.FirstIndex, item.BaseVertex, 0);
  }
}

D3D12_GPU_DESCRIPTOR_HANDLE FrameRecorder::Descriptor(uint32_t index) const {
  return CD3DX12_GPU_DESCRIPTOR_HANDLE(heapStart_, static_cast<INT>(index), renderer_.CbvSrvUavDescriptorSize);
}

void StopIfDeviceLost(HRESULT presented) {
  if (presented == DXGI_ERROR_DEVICE_REMOVED || presented == DXGI_ERROR_DEVICE_RESET ||
      presented == DXGI_ERROR_DEVICE_HUNG) {
    throw CallFailedError("IDXGISwapChain::Present", "the device was lost", presented);
  }
}
