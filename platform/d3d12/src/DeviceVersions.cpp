// The methods ID3D12Device1, 2 and 3 add. Everything here is built from the base device's own calls: pipeline
// state streams become the pipeline descriptions they stand for, multi-fence waits are fence waits that the program's event runs, and
// residency is trivially satisfied because the layer never evicts anything.

#include "Device.h"
#include "Diagnostics.h"
#include "Fence.h"

#include <d3dx12.h>

#include <vector>

namespace d3d12vk {

HRESULT Device::CreatePipelineLibrary(const void*, SIZE_T, REFIID, void** library) {
  if (library != nullptr) *library = nullptr;
  // What Direct3D 12 answers on drivers without pipeline libraries; programs fall back to plain pipelines.
  return Fail("ID3D12Device1::CreatePipelineLibrary", DXGI_ERROR_UNSUPPORTED, "pipeline libraries are not available");
}

HRESULT Device::SetEventOnMultipleFenceCompletion(ID3D12Fence* const* fences, const UINT64* values, UINT count,
                                                  D3D12_MULTIPLE_FENCE_WAIT_FLAGS flags, HANDLE event) {
  constexpr const char* kCall = "ID3D12Device1::SetEventOnMultipleFenceCompletion";
  if (count == 0 || fences == nullptr || values == nullptr) return Fail(kCall, E_INVALIDARG, "no fences given");
  if (count > MAXIMUM_WAIT_OBJECTS) {
    return Fail(kCall, E_INVALIDARG, "%u fences; at most %d can be waited for at once", count, MAXIMUM_WAIT_OBJECTS);
  }
  if (flags != D3D12_MULTIPLE_FENCE_WAIT_FLAG_NONE && flags != D3D12_MULTIPLE_FENCE_WAIT_FLAG_ANY) {
    return Fail(kCall, E_INVALIDARG, "0x%x is not a wait flag", flags);
  }
  for (UINT i = 0; i < count; ++i) {
    if (fences[i] == nullptr) return Fail(kCall, E_INVALIDARG, "fence %u is null", i);
  }
  std::vector<std::pair<Fence*, UINT64>> targets;
  for (UINT i = 0; i < count; ++i) targets.emplace_back(static_cast<Fence*>(fences[i]), values[i]);
  SetEventOnFences(targets, flags == D3D12_MULTIPLE_FENCE_WAIT_FLAG_NONE, event);
  return S_OK;
}

HRESULT Device::SetResidencyPriority(UINT count, ID3D12Pageable* const* objects,
                                     const D3D12_RESIDENCY_PRIORITY* priorities) {
  if (count > 0 && (objects == nullptr || priorities == nullptr)) {
    return Fail("ID3D12Device1::SetResidencyPriority", E_INVALIDARG, "null objects or priorities");
  }
  // Nothing is ever evicted, so every priority is already honoured.
  return S_OK;
}

HRESULT Device::CreatePipelineState(const D3D12_PIPELINE_STATE_STREAM_DESC* desc, REFIID riid, void** pipelineState) {
  constexpr const char* kCall = "ID3D12Device2::CreatePipelineState";
  if (desc == nullptr || desc->pPipelineStateSubobjectStream == nullptr || desc->SizeInBytes == 0) {
    return Fail(kCall, E_INVALIDARG, "the pipeline state stream is empty");
  }
  if (pipelineState == nullptr) return Fail(kCall, E_POINTER, "ppPipelineState is null");
  *pipelineState = nullptr;
  CD3DX12_PIPELINE_STATE_STREAM_PARSE_HELPER parsed;
  if (FAILED(D3DX12ParsePipelineStream(*desc, &parsed))) {
    return Fail(kCall, E_INVALIDARG, "the stream holds an unknown, repeated or misaligned subobject");
  }
  const D3D12_SHADER_BYTECODE& compute = parsed.PipelineStream.CS;
  if (compute.BytecodeLength != 0) {
    const D3D12_COMPUTE_PIPELINE_STATE_DESC computeDesc = parsed.PipelineStream.ComputeDescV0();
    return CreateComputePipelineState(&computeDesc, riid, pipelineState);
  }
  const D3D12_GRAPHICS_PIPELINE_STATE_DESC graphicsDesc = parsed.PipelineStream.GraphicsDescV0();
  return CreateGraphicsPipelineState(&graphicsDesc, riid, pipelineState);
}

HRESULT Device::OpenExistingHeapFromAddress(const void*, REFIID, void** heap) {
  if (heap != nullptr) *heap = nullptr;
  return NotImplemented("ID3D12Device3::OpenExistingHeapFromAddress");
}

HRESULT Device::OpenExistingHeapFromFileMapping(HANDLE, REFIID, void** heap) {
  if (heap != nullptr) *heap = nullptr;
  return NotImplemented("ID3D12Device3::OpenExistingHeapFromFileMapping");
}

HRESULT Device::EnqueueMakeResident(D3D12_RESIDENCY_FLAGS, UINT count, ID3D12Pageable* const* objects,
                                    ID3D12Fence* fenceToSignal, UINT64 fenceValueToSignal) {
  constexpr const char* kCall = "ID3D12Device3::EnqueueMakeResident";
  if (count > 0 && objects == nullptr) return Fail(kCall, E_INVALIDARG, "ppObjects is null");
  if (fenceToSignal == nullptr) return Fail(kCall, E_INVALIDARG, "pFenceToSignal is null");
  // Everything is resident already, so the fence can be signalled at once.
  return fenceToSignal->Signal(fenceValueToSignal);
}

}  // namespace d3d12vk
