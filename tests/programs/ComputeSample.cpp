#include "ComputeSample.h"

#include <d3dx12.h>

void ComputeSample::LoadAssets() {
  CD3DX12_DESCRIPTOR_RANGE ranges[1];
  ranges[0].Init(D3D12_DESCRIPTOR_RANGE_TYPE_UAV, 1, 0);
  CD3DX12_ROOT_PARAMETER parameters[2];
  parameters[0].InitAsDescriptorTable(1, ranges);
  parameters[1].InitAsConstants(1, 0);
  CD3DX12_ROOT_SIGNATURE_DESC rootDesc;
  rootDesc.Init(_countof(parameters), parameters, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE);
  rootSignature_ = CreateRootSignature(rootDesc);

  ComPtr<ID3DBlob> computeShader = CompileShader(L"ComputeSample.hlsl", "CSMain", "cs_5_0");
  D3D12_COMPUTE_PIPELINE_STATE_DESC computeDesc{};
  computeDesc.pRootSignature = rootSignature_.Get();
  computeDesc.CS = CD3DX12_SHADER_BYTECODE(computeShader.Get());
  ThrowIfFailed(device_->CreateComputePipelineState(&computeDesc, IID_PPV_ARGS(&computeState_)),
                "CreateComputePipelineState");

  const CD3DX12_HEAP_PROPERTIES defaultHeap(D3D12_HEAP_TYPE_DEFAULT);
  const auto imageDesc = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, kWidth, kHeight, 1, 1, 1, 0,
                                                      D3D12_RESOURCE_FLAG_ALLOW_UNORDERED_ACCESS);
  ThrowIfFailed(device_->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &imageDesc,
                                                 D3D12_RESOURCE_STATE_UNORDERED_ACCESS, nullptr, IID_PPV_ARGS(&image_)),
                "CreateCommittedResource");
  const D3D12_DESCRIPTOR_HEAP_DESC heapDesc{D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, 1,
                                            D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, 0};
  ThrowIfFailed(device_->CreateDescriptorHeap(&heapDesc, IID_PPV_ARGS(&uavHeap_)), "CreateDescriptorHeap");
  D3D12_UNORDERED_ACCESS_VIEW_DESC uavDesc{};
  uavDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  uavDesc.ViewDimension = D3D12_UAV_DIMENSION_TEXTURE2D;
  device_->CreateUnorderedAccessView(image_.Get(), nullptr, &uavDesc, uavHeap_->GetCPUDescriptorHandleForHeapStart());

  CreateFrameCommandList(computeState_.Get());
}

void ComputeSample::PopulateCommandList() {
  ThrowIfFailed(allocator_->Reset(), "ID3D12CommandAllocator::Reset");
  ThrowIfFailed(commandList_->Reset(allocator_.Get(), computeState_.Get()), "ID3D12GraphicsCommandList::Reset");
  commandList_->SetComputeRootSignature(rootSignature_.Get());
  ID3D12DescriptorHeap* heaps[] = {uavHeap_.Get()};
  commandList_->SetDescriptorHeaps(_countof(heaps), heaps);
  commandList_->SetComputeRootDescriptorTable(0, uavHeap_->GetGPUDescriptorHandleForHeapStart());
  commandList_->SetComputeRoot32BitConstant(1, kBlue, 0);
  commandList_->Dispatch(kWidth / 8, kHeight / 8, 1);

  const D3D12_RESOURCE_BARRIER toCopy[] = {
      CD3DX12_RESOURCE_BARRIER::Transition(image_.Get(), D3D12_RESOURCE_STATE_UNORDERED_ACCESS,
                                           D3D12_RESOURCE_STATE_COPY_SOURCE),
      CD3DX12_RESOURCE_BARRIER::Transition(renderTargets_[frameIndex_].Get(), D3D12_RESOURCE_STATE_PRESENT,
                                           D3D12_RESOURCE_STATE_COPY_DEST)};
  commandList_->ResourceBarrier(_countof(toCopy), toCopy);
  commandList_->CopyResource(renderTargets_[frameIndex_].Get(), image_.Get());
  const D3D12_RESOURCE_BARRIER back[] = {
      CD3DX12_RESOURCE_BARRIER::Transition(image_.Get(), D3D12_RESOURCE_STATE_COPY_SOURCE,
                                           D3D12_RESOURCE_STATE_UNORDERED_ACCESS),
      CD3DX12_RESOURCE_BARRIER::Transition(renderTargets_[frameIndex_].Get(), D3D12_RESOURCE_STATE_COPY_DEST,
                                           D3D12_RESOURCE_STATE_PRESENT)};
  commandList_->ResourceBarrier(_countof(back), back);
  ThrowIfFailed(commandList_->Close(), "Close");
}
