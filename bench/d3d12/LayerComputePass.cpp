#include "ComputePass.h"

#include <d3dcompiler.h>
#include <d3dx12.h>

#include <cstring>
#include <numeric>

namespace compute_bench {
namespace {

constexpr const char* kTransform = R"(
StructuredBuffer<uint> Input : register(t0);
RWStructuredBuffer<uint> Output : register(u0);
cbuffer Constants : register(b0) { uint Scale; uint Bias; };
[numthreads(256, 1, 1)]
void main(uint3 id : SV_DispatchThreadID) { Output[id.x] = Input[id.x] * Scale + Bias; }
)";

}  // namespace

std::vector<uint32_t> CompileTransform(std::string* error) {
  ComPtr<ID3DBlob> code, errors;
  if (FAILED(D3DCompile(kTransform, std::strlen(kTransform), "transform.hlsl", nullptr, nullptr, "main", "cs_5_0", 0, 0,
                        &code, &errors))) {
    *error = errors ? static_cast<const char*>(errors->GetBufferPointer()) : "the transform did not compile";
    return {};
  }
  const auto* words = static_cast<const uint32_t*>(code->GetBufferPointer());
  return std::vector<uint32_t>(words, words + code->GetBufferSize() / 4);
}

LayerComputePass::LayerComputePass() {
  if (!Initialize() && error_.empty()) error_ = "the layer's compute pass could not be set up";
}

LayerComputePass::~LayerComputePass() = default;

bool LayerComputePass::Initialize() {
  if (!gpu_.Initialize()) return false;

  const UINT64 bytes = UINT64(kElements) * 4;
  const CD3DX12_HEAP_PROPERTIES defaultHeap(D3D12_HEAP_TYPE_DEFAULT), upload(D3D12_HEAP_TYPE_UPLOAD),
      readback(D3D12_HEAP_TYPE_READBACK);
  const auto uavDesc = CD3DX12_RESOURCE_DESC::Buffer(bytes, D3D12_RESOURCE_FLAG_ALLOW_UNORDERED_ACCESS);
  const auto plainDesc = CD3DX12_RESOURCE_DESC::Buffer(bytes);
  ComPtr<ID3D12Resource> staging;
  if (FAILED(gpu_.device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &plainDesc,
                                                  D3D12_RESOURCE_STATE_COPY_DEST, nullptr, IID_PPV_ARGS(&input_))) ||
      FAILED(gpu_.device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &uavDesc,
                                                  D3D12_RESOURCE_STATE_UNORDERED_ACCESS, nullptr,
                                                  IID_PPV_ARGS(&output_))) ||
      FAILED(gpu_.device->CreateCommittedResource(&upload, D3D12_HEAP_FLAG_NONE, &plainDesc,
                                                  D3D12_RESOURCE_STATE_GENERIC_READ, nullptr,
                                                  IID_PPV_ARGS(&staging))) ||
      FAILED(gpu_.device->CreateCommittedResource(&readback, D3D12_HEAP_FLAG_NONE, &plainDesc,
                                                  D3D12_RESOURCE_STATE_COPY_DEST, nullptr, IID_PPV_ARGS(&readback_)))) {
    return false;
  }
  void* mapped = nullptr;
  staging->Map(0, nullptr, &mapped);
  std::iota(static_cast<uint32_t*>(mapped), static_cast<uint32_t*>(mapped) + kElements, 0u);
  staging->Unmap(0, nullptr);
  gpu_.list->CopyBufferRegion(input_.Get(), 0, staging.Get(), 0, bytes);
  auto toRead = CD3DX12_RESOURCE_BARRIER::Transition(input_.Get(), D3D12_RESOURCE_STATE_COPY_DEST,
                                                     D3D12_RESOURCE_STATE_NON_PIXEL_SHADER_RESOURCE);
  gpu_.list->ResourceBarrier(1, &toRead);
  gpu_.list->Close();
  gpu_.ExecuteAndWait();

  const D3D12_DESCRIPTOR_HEAP_DESC heapDesc{D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, 2,
                                            D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, 0};
  if (FAILED(gpu_.device->CreateDescriptorHeap(&heapDesc, IID_PPV_ARGS(&heap_)))) return false;
  const UINT increment = gpu_.device->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV);
  D3D12_SHADER_RESOURCE_VIEW_DESC srv{};
  srv.ViewDimension = D3D12_SRV_DIMENSION_BUFFER;
  srv.Shader4ComponentMapping = D3D12_DEFAULT_SHADER_4_COMPONENT_MAPPING;
  srv.Buffer.NumElements = kElements;
  srv.Buffer.StructureByteStride = 4;
  gpu_.device->CreateShaderResourceView(input_.Get(), &srv, heap_->GetCPUDescriptorHandleForHeapStart());
  D3D12_UNORDERED_ACCESS_VIEW_DESC uav{};
  uav.ViewDimension = D3D12_UAV_DIMENSION_BUFFER;
  uav.Buffer.NumElements = kElements;
  uav.Buffer.StructureByteStride = 4;
  gpu_.device->CreateUnorderedAccessView(output_.Get(), nullptr, &uav,
                                         {heap_->GetCPUDescriptorHandleForHeapStart().ptr + increment});

  CD3DX12_DESCRIPTOR_RANGE ranges[2];
  ranges[0].Init(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 1, 0);
  ranges[1].Init(D3D12_DESCRIPTOR_RANGE_TYPE_UAV, 1, 0);
  CD3DX12_ROOT_PARAMETER parameters[2];
  parameters[0].InitAsDescriptorTable(2, ranges);
  parameters[1].InitAsConstants(2, 0);
  const D3D12_ROOT_SIGNATURE_DESC rootDesc{2, parameters, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE};
  ComPtr<ID3DBlob> blob;
  if (FAILED(D3D12SerializeRootSignature(&rootDesc, D3D_ROOT_SIGNATURE_VERSION_1, &blob, nullptr)) ||
      FAILED(
          gpu_.device->CreateRootSignature(0, blob->GetBufferPointer(), blob->GetBufferSize(), IID_PPV_ARGS(&root_)))) {
    return false;
  }
  const std::vector<uint32_t> code = CompileTransform(&error_);
  if (code.empty()) return false;
  D3D12_COMPUTE_PIPELINE_STATE_DESC pipelineDesc{};
  pipelineDesc.pRootSignature = root_.Get();
  pipelineDesc.CS = {code.data(), code.size() * 4};
  if (FAILED(gpu_.device->CreateComputePipelineState(&pipelineDesc, IID_PPV_ARGS(&pipeline_)))) return false;
  gpu_.allocator->Reset();
  return true;
}

void LayerComputePass::Run() {
  gpu_.allocator->Reset();
  gpu_.list->Reset(gpu_.allocator.Get(), pipeline_.Get());
  ID3D12DescriptorHeap* heaps[] = {heap_.Get()};
  gpu_.list->SetDescriptorHeaps(1, heaps);
  gpu_.list->SetComputeRootSignature(root_.Get());
  gpu_.list->SetComputeRootDescriptorTable(0, heap_->GetGPUDescriptorHandleForHeapStart());
  const uint32_t constants[2] = {kScale, kBias};
  gpu_.list->SetComputeRoot32BitConstants(1, 2, constants, 0);
  gpu_.list->Dispatch(kElements / kGroupSize, 1, 1);
  gpu_.list->Close();
  gpu_.ExecuteAndWait();
}

bool LayerComputePass::OutputIsRight() {
  gpu_.allocator->Reset();
  gpu_.list->Reset(gpu_.allocator.Get(), nullptr);
  auto toCopy = CD3DX12_RESOURCE_BARRIER::Transition(output_.Get(), D3D12_RESOURCE_STATE_UNORDERED_ACCESS,
                                                     D3D12_RESOURCE_STATE_COPY_SOURCE);
  gpu_.list->ResourceBarrier(1, &toCopy);
  gpu_.list->CopyResource(readback_.Get(), output_.Get());
  auto back = CD3DX12_RESOURCE_BARRIER::Transition(output_.Get(), D3D12_RESOURCE_STATE_COPY_SOURCE,
                                                   D3D12_RESOURCE_STATE_UNORDERED_ACCESS);
  gpu_.list->ResourceBarrier(1, &back);
  gpu_.list->Close();
  gpu_.ExecuteAndWait();
  void* mapped = nullptr;
  readback_->Map(0, nullptr, &mapped);
  const auto* values = static_cast<const uint32_t*>(mapped);
  bool right = true;
  for (uint32_t i = 0; i < kElements && right; ++i) right = values[i] == i * kScale + kBias;
  readback_->Unmap(0, nullptr);
  return right;
}

}  // namespace compute_bench
