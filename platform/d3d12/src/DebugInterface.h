// ID3D12Debug: the debug layer of Direct3D 12 is the Vulkan validation layer here. Enabling it has the same
// effect as D3D12_VK_VALIDATION=1 for the devices created afterwards; its messages go to stderr.
#pragma once

#include "ComObject.h"

namespace d3d12vk {

class DebugInterface final : public ComObject<ID3D12Debug> {
 public:
  DebugInterface() = default;

  // ID3D12Debug
  void STDMETHODCALLTYPE EnableDebugLayer() override;
};

}  // namespace d3d12vk
