// ID3D12CommandSignature: the layout of one command in an ExecuteIndirect argument buffer. Draws, indexed
// draws and dispatches have Vulkan's own indirect layouts, so a signature of that argument alone maps onto
// Vulkan's indirect commands; root constants that change per command are split on the GPU (IndirectSlots).
#pragma once

#include "ComObject.h"

#include <vector>

namespace d3d12vk {

class RootSignature;

enum class IndirectKind { Draw, DrawIndexed, Dispatch };

// Root constants one command sets: `count` values of root parameter `parameter` from `destination` on, read
// at byte `offset` of the command.
struct IndirectConstants {
  UINT parameter;
  UINT destination;
  UINT count;
  UINT offset;
};

class CommandSignature final : public DeviceChild<ID3D12CommandSignature, ID3D12Pageable> {
 public:
  // Validates `desc` as Direct3D 12 does; arguments the layer cannot change per command answer E_NOTIMPL.
  static HRESULT Create(Device& device, const char* call, const D3D12_COMMAND_SIGNATURE_DESC& desc,
                        ID3D12RootSignature* rootSignature, CommandSignature** signature);

  UINT Stride() const { return stride_; }
  IndirectKind Kind() const { return kind_; }
  // The byte offset of the draw or dispatch arguments in a command, and their size.
  UINT CommandOffset() const { return commandOffset_; }
  UINT CommandBytes() const;
  const std::vector<IndirectConstants>& Constants() const { return constants_; }
  // Commands that set more than the draw or dispatch go through the split.
  bool NeedsSplit() const { return !constants_.empty(); }
  RootSignature* Root() const { return root_; }

 private:
  explicit CommandSignature(Device& device) : DeviceChild(device) {}
  ~CommandSignature() override;

  UINT stride_ = 0;
  IndirectKind kind_ = IndirectKind::Draw;
  UINT commandOffset_ = 0;
  std::vector<IndirectConstants> constants_;
  RootSignature* root_ = nullptr;
};

}  // namespace d3d12vk
