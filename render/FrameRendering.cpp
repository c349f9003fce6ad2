// One frame: the text box, then every mesh, into the current back buffer; presented, then waited for, so
// the next frame may rewrite every constant and glyph buffer at once.
#include "render/ConstantBufferLayout.h"
#include "render/DescriptorHeaps.h"
#include "render/FatalError.h"
#include "render/PipelineLibrary.h"
#include "render/Renderer.h"
#include "render/StructGetters.h"
#include "render/SwapChain.h"

#include "d3dx12.h"

#include <cstdio>
#include <string>

namespace {

constexpr float ClearColor[4] = {240.0f / 255.0f, 1.0f, 1.0f, 1.0f};

// Texture descriptors at the start of the heap: the font atlas, then the model texture.
constexpr uint32_t FontAtlasDescriptor = 0;
constexpr uint32_t ModelTextureDescriptor = 1;

// Root parameters of the "object" root signature.
enum ObjectRootParameter : UINT { PassTable = 0, ObjectTable = 1, TextureTable = 2, BoneTable = 3 };

// A device that was removed or reset (a GPU hang, a driver update or reset) draws nothing ever again: the
// program stops with one line instead of presenting empty frames for ever.
void StopIfDeviceLost(HRESULT presented) {
  if (presented == DXGI_ERROR_DEVICE_REMOVED || presented == DXGI_ERROR_DEVICE_RESET ||
      presented == DXGI_ERROR_DEVICE_HUNG) {
    char code[16];
    std::snprintf(code, sizeof(code), "0x%08X", static_cast<unsigned>(presented));
    throw FatalError(std::string("IDXGISwapChain::Present: the device was lost (") + code + ")");
  }
}

void Transition(ID3D12GraphicsCommandList* list, ID3D12Resource* resource, D3D12_RESOURCE_STATES before,
                D3D12_RESOURCE_STATES after) {
  const CD3DX12_RESOURCE_BARRIER barrier = CD3DX12_RESOURCE_BARRIER::Transition(resource, before, after);
  list->ResourceBarrier(1, &barrier);
}

// A model with bones is posed by its skeleton; a rigid one (no bones, so no weights) is drawn as it stands,
// since blending it by its zero weights would collapse it.
const char* PipelineFor(const Mesh& mesh) { return mesh.Geometry.BoneCount > 0 ? "skinned" : "object"; }

class FrameRecorder {
 public:
  explicit FrameRecorder(Renderer& renderer)
      : renderer_(renderer),
        list_(renderer.CommandList),
        layout_(DescriptorLayoutFor(renderer.TextureCount, renderer.Meshes)),
        heapStart_(GpuHeapStart(renderer.Heaps->CbvSrvUavHeap)) {}

  void DrawTextBox() {
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

  void DrawMeshes() {
    PipelineLibrary& pipelines = *renderer_.Pipelines;
    list_->SetGraphicsRootSignature(pipelines.GetRootSignature("object"));
    list_->SetGraphicsRootDescriptorTable(PassTable, Descriptor(layout_.PassIndex()));
    list_->SetGraphicsRootDescriptorTable(BoneTable, Descriptor(layout_.BoneIndex()));
    for (const Mesh& mesh : renderer_.Meshes) {
      list_->SetGraphicsRootDescriptorTable(TextureTable, Descriptor(ModelTextureDescriptor));
      DrawItems(mesh, pipelines.GetPipelineState(PipelineFor(mesh)));
    }
  }

 private:
  void DrawItems(const Mesh& mesh, ID3D12PipelineState* pipelineState) {
    const Model& model = mesh.Geometry;
    // A model without vertices or faces has no buffers to draw from.
    if (model.VertexBuffer == nullptr || model.IndexBuffer == nullptr) {
      return;
    }
    const D3D12_VERTEX_BUFFER_VIEW vertices = {model.VertexBuffer->GetGPUVirtualAddress(), model.VertexBufferSize,
                                               model.VertexStride};
    const D3D12_INDEX_BUFFER_VIEW indices = {model.IndexBuffer->GetGPUVirtualAddress(), model.IndexBufferSize,
                                             model.IndexFormat};
    for (size_t k = 0; k < mesh.DrawItems.size(); ++k) {
      const DrawItem& item = mesh.DrawItems[k];
      const uint32_t slot = static_cast<uint32_t>(mesh.ConstantSlot) + static_cast<uint32_t>(k);
      list_->SetGraphicsRootDescriptorTable(ObjectTable, Descriptor(layout_.ObjectIndex(slot)));
      list_->SetPipelineState(pipelineState);
      list_->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
      list_->IASetVertexBuffers(0, 1, &vertices);
      list_->IASetIndexBuffer(&indices);
      list_->DrawIndexedInstanced(item.IndexCount, 1, item.FirstIndex, item.BaseVertex, 0);
    }
  }

  D3D12_GPU_DESCRIPTOR_HANDLE Descriptor(uint32_t index) const {
    return CD3DX12_GPU_DESCRIPTOR_HANDLE(heapStart_, static_cast<INT>(index), renderer_.CbvSrvUavDescriptorSize);
  }

  Renderer& renderer_;
  ID3D12GraphicsCommandList* list_;
  ConstantDescriptorLayout layout_;
  D3D12_GPU_DESCRIPTOR_HANDLE heapStart_;
};

}  // namespace

void Renderer::DrawFrame() {
  // A renderer whose device setup or constant buffers are missing has nothing to record into; the main
  // loop may still run its frames (its tests do, on a bare Renderer).
  if (SwapChain == nullptr || Heaps == nullptr || Pipelines == nullptr || MappedBoneConstants == nullptr) {
    return;
  }
  ID3D12Resource* backBuffer = SwapChain->BackBuffers[SwapChain->CurrentBackBuffer];
  CommandAllocator->Reset();
  CommandList->Reset(CommandAllocator, nullptr);
  Transition(CommandList, backBuffer, D3D12_RESOURCE_STATE_PRESENT, D3D12_RESOURCE_STATE_RENDER_TARGET);
  CommandList->RSSetViewports(1, &Viewport);
  CommandList->RSSetScissorRects(1, &ScissorRect);

  const CD3DX12_CPU_DESCRIPTOR_HANDLE renderTarget(CpuHeapStart(Heaps->RtvHeap),
                                                   SwapChain->CurrentBackBuffer, SwapChain->RtvDescriptorSize);
  CommandList->ClearRenderTargetView(renderTarget, ClearColor, 0, nullptr);
  const D3D12_CPU_DESCRIPTOR_HANDLE depthStencil = CpuHeapStart(Heaps->DsvHeap);
  CommandList->ClearDepthStencilView(depthStencil, D3D12_CLEAR_FLAG_DEPTH | D3D12_CLEAR_FLAG_STENCIL, 1.0f, 0, 0,
                                     nullptr);
  CommandList->OMSetRenderTargets(1, &renderTarget, TRUE, &depthStencil);
  ID3D12DescriptorHeap* shaderVisibleHeaps[] = {Heaps->CbvSrvUavHeap};
  CommandList->SetDescriptorHeaps(1, shaderVisibleHeaps);

  // The text box goes first and ignores depth, so a mesh in front of it covers it.
  FrameRecorder recorder(*this);
  recorder.DrawTextBox();
  recorder.DrawMeshes();

  Transition(CommandList, backBuffer, D3D12_RESOURCE_STATE_RENDER_TARGET, D3D12_RESOURCE_STATE_PRESENT);
  CommandList->Close();
  ID3D12CommandList* lists[] = {CommandList};
  CommandQueue->ExecuteCommandLists(1, lists);
  StopIfDeviceLost(SwapChain->Chain->Present(0, 0));
  SwapChain->CurrentBackBuffer = (SwapChain->CurrentBackBuffer + 1) % BufferCount;
  FlushCommandQueue();
}
