// Recording one frame on the Renderer's command list: the back buffer made ready and cleared, the text box,
// then every mesh, and the back buffer handed back for presentation.
#pragma once

#include "content/Mesh.h"
#include "core/Direct3D12.h"
#include "render/ConstantBufferLayout.h"

#include <windows.h>

class Renderer;

class FrameRecorder {
 public:
  explicit FrameRecorder(Renderer& renderer);

  // The back buffer to RENDER_TARGET, viewport and scissor, both clears, the targets and the
  // shader-visible heap bound.
  void BeginFrame();

  // The text box's glyph instances with the "font" root signature and the "default" pipeline state. It
  // goes first and ignores depth, so a mesh in front of it covers it.
  void DrawTextBox();

  // Every draw item of every mesh with the "object" root signature and pipeline state.
  void DrawMeshes();

  // The back buffer back to PRESENT.
  void EndFrame();

  // What a scene's own mesh pass records with: the list, the frame's descriptor layout and the GPU handle of
  // a slot of the shader-visible heap.
  ID3D12GraphicsCommandList* List() const { return list_; }
  const ConstantDescriptorLayout& Layout() const { return layout_; }
  D3D12_GPU_DESCRIPTOR_HANDLE Descriptor(uint32_t index) const;

 private:
  void DrawItems(const Mesh& mesh, ID3D12PipelineState* pipelineState);

  Renderer& renderer_;
  ID3D12GraphicsCommandList* list_;
  ID3D12Resource* backBuffer_;
  ConstantDescriptorLayout layout_;
  D3D12_GPU_DESCRIPTOR_HANDLE heapStart_;
};

// A device that was removed or reset (a GPU hang, a driver update or reset) draws nothing ever again: the
// program stops with one line instead of presenting empty frames for ever.
void StopIfDeviceLost(HRESULT presented);
