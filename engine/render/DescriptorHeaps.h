// The three descriptor heaps of the Renderer: render-target views of the back buffers, the depth view,
// and the shader-visible heap of texture and constant-buffer views that the frame binds.
#pragma once

#include "core/Direct3D12.h"

#include <windows.h>

#include <cstdint>

// Descriptors of the shader-visible heap as device setup makes it, before the model is known: the texture
// views first, then the constant-buffer views. A model that needs more grows it (GrowShaderVisibleHeap).
inline constexpr uint32_t ShaderVisibleDescriptorCount = 20;

class DescriptorHeaps {
 public:
  // Takes the device; the heaps are made by CreateHeaps.
  DescriptorHeaps();

  // One render-target slot per back buffer, one depth slot, and the shader-visible heap. Returns the
  // result of creating the shader-visible heap, the one the frame cannot do without.
  HRESULT CreateHeaps(int32_t backBufferCount);

  // Replaces the shader-visible heap with an empty one of descriptorCount descriptors and releases the old
  // one, whose views are lost: the caller writes them again. Nothing may still use the old heap. On
  // failure the old heap stays and the result says why.
  HRESULT GrowShaderVisibleHeap(uint32_t descriptorCount);

  ID3D12Device* Device = nullptr;
  ID3D12DescriptorHeap* RtvHeap = nullptr;
  ID3D12DescriptorHeap* DsvHeap = nullptr;
  ID3D12DescriptorHeap* CbvSrvUavHeap = nullptr;
};
