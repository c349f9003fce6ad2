// Construction of a text label and its GPU buffer. Kept apart from the layout and editing code so that
// code which only edits or hit-tests labels does not pull in the device.
#include "text/TextLabel.h"

#include <windows.h>

#include "core/ConsoleOutput.h"
#include "core/Direct3D12.h"
#include "core/ErrorText.h"

#include <wrl/client.h>

namespace {

// What the box shows before its first relayout.
constexpr QuadRect ConstructionBackgroundTexCoord = {0.0f, 0.0f, 0.9f, 0.9f};
constexpr ColorRGBA ConstructionBackgroundColor = {0.4f, 0.9f, 0.4f, 1.0f};

// The box is not worth stopping for: the program goes on without it.
void ReportFailure(const char* call, HRESULT result) {
  WriteErrorLine(CallFailureLine(call, "cannot create the text box's buffer; the text box will not be drawn", result));
}

}  // namespace

TextLabel::TextLabel(float screenWidth, float screenHeight, float x, float y, float width, float height)
    : ScreenWidth(screenWidth), ScreenHeight(screenHeight), X(x), Y(y), Width(width), Height(height) {
  ClipRect = ComputeClipRect();
  ReadFont();
  CreateInstanceBuffer();
  WriteBackground(ConstructionBackgroundTexCoord, ConstructionBackgroundColor);
}

// The buffer is written by the CPU between frames and read by the GPU during them; the frame waits for
// the GPU before it returns, so one persistently mapped upload buffer needs no copies or barriers.
void TextLabel::CreateInstanceBuffer() {
  // Every GPU-side object asks for the device itself and receives the one device of the default adapter.
  Microsoft::WRL::ComPtr<ID3D12Device> device;
  HRESULT result = D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device));
  if (FAILED(result)) {
    ReportFailure("D3D12CreateDevice", result);
    return;
  }
  const UINT64 byteSize = UINT64{MaxCharacters} * sizeof(GlyphInstance);
  const CD3DX12_HEAP_PROPERTIES uploadHeap(D3D12_HEAP_TYPE_UPLOAD);
  const CD3DX12_RESOURCE_DESC bufferDescription = CD3DX12_RESOURCE_DESC::Buffer(byteSize);
  result = device->CreateCommittedResource(&uploadHeap, D3D12_HEAP_FLAG_NONE, &bufferDescription,
                                           D3D12_RESOURCE_STATE_GENERIC_READ, nullptr, IID_PPV_ARGS(&InstanceBuffer));
  if (FAILED(result)) {
    ReportFailure("ID3D12Device::CreateCommittedResource", result);
    InstanceBuffer = nullptr;
    return;
  }
  InstanceBufferView = {InstanceBuffer->GetGPUVirtualAddress(), static_cast<UINT>(byteSize), sizeof(GlyphInstance)};
  void* mapped = nullptr;
  result = InstanceBuffer->Map(0, nullptr, &mapped);
  if (FAILED(result)) {
    ReportFailure("ID3D12Resource::Map", result);
    return;
  }
  MappedInstances = static_cast<uint8_t*>(mapped);
}
