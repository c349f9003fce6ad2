// Root signature descriptions of version 1.1 as the version 1.0 ones the layer serializes. The 1.1 flags
// only promise how often descriptors and the data behind them change; the layer binds every descriptor
// when a draw is recorded, so it has no use for them and dropping them keeps the meaning.
#pragma once

#include <windows.h>

#include <d3d12.h>

#include <vector>

namespace d3d12vk {

class RootSignatureAsVersion10 {
 public:
  explicit RootSignatureAsVersion10(const D3D12_ROOT_SIGNATURE_DESC1& desc);
  RootSignatureAsVersion10(const RootSignatureAsVersion10&) = delete;
  RootSignatureAsVersion10& operator=(const RootSignatureAsVersion10&) = delete;

  const D3D12_ROOT_SIGNATURE_DESC& Desc() const { return desc_; }

 private:
  D3D12_ROOT_PARAMETER Convert(const D3D12_ROOT_PARAMETER1& parameter, std::vector<D3D12_DESCRIPTOR_RANGE>* ranges);

  std::vector<std::vector<D3D12_DESCRIPTOR_RANGE>> ranges_;  // one array per descriptor table
  std::vector<D3D12_ROOT_PARAMETER> parameters_;
  D3D12_ROOT_SIGNATURE_DESC desc_{};
};

}  // namespace d3d12vk
