#include "LayerFrame.h"

#include "FrameScene.h"

#include <d3dx12.h>

#include <chrono>
#include <cstring>

namespace frame_bench {
namespace {

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateBenchmarkWindow() {
  static const ATOM windowClass = [] {
    WNDCLASSEXW description{};
    description.cbSize = sizeof(description);
    description.lpfnWndProc = WindowProcedure;
    description.hInstance = GetModuleHandleW(nullptr);
    description.lpszClassName = L"frame benchmark";
    return RegisterClassExW(&description);
  }();
  (void)windowClass;
  return CreateWindowExW(0, L"frame benchmark", L"frame benchmark", WS_OVERLAPPEDWINDOW, 0, 0, int(kWidth),
                         int(kHeight), 0, 0, GetModuleHandleW(nullptr), nullptr);
}

D3D12_STATIC_SAMPLER_DESC LinearWrapSampler() {
  D3D12_STATIC_SAMPLER_DESC sampler = CD3DX12_STATIC_SAMPLER_DESC(0, D3D12_FILTER_MIN_MAG_LINEAR_MIP_POINT);
  sampler.ComparisonFunc = D3D12_COMPARISON_FUNC_LESS_EQUAL;
  return sampler;
}

}  // namespace

LayerFrame::LayerFrame(uint32_t drawCount, uint32_t samples) : drawCount_(drawCount), samples_(samples) {
  if (Initialize() && CreateResources()) CreatePipelines();
}

LayerFrame::~LayerFrame() {
  if (queue_ != nullptr) {
    queue_->Signal(fence_.Get(), ++fenceValue_);
    fence_->SetEventOnCompletion(fenceValue_, nullptr);
  }
  if (event_ != nullptr) CloseHandle(event_);
  for (auto& buffer : backBuffers_) buffer.Reset();
  swapChain_.Reset();
  if (window_ != nullptr) DestroyWindow(window_);
}

bool LayerFrame::Initialize() {
  window_ = CreateBenchmarkWindow();
  if (FAILED(CreateDXGIFactory1(IID_PPV_ARGS(&factory_))) ||
      FAILED(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device_)))) {
    error_ = "no Direct3D 12 device";
    return false;
  }
  const D3D12_COMMAND_QUEUE_DESC queueDesc{D3D12_COMMAND_LIST_TYPE_DIRECT, 0, D3D12_COMMAND_QUEUE_FLAG_NONE, 0};
  device_->CreateCommandQueue(&queueDesc, IID_PPV_ARGS(&queue_));
  device_->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&allocator_));
  device_->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, allocator_.Get(), nullptr, IID_PPV_ARGS(&list_));
  device_->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&fence_));
  event_ = CreateEventExW(nullptr, nullptr, 0, EVENT_ALL_ACCESS);

  DXGI_SWAP_CHAIN_DESC desc{};
  desc.BufferDesc = {kWidth,
                     kHeight,
                     {60, 1},
                     DXGI_FORMAT_R8G8B8A8_UNORM,
                     DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED,
                     DXGI_MODE_SCALING_UNSPECIFIED};
  desc.SampleDesc = {1, 0};
  desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
  desc.BufferCount = 2;
  desc.OutputWindow = window_;
  desc.Windowed = TRUE;
  desc.SwapEffect = DXGI_SWAP_EFFECT_FLIP_DISCARD;
  if (FAILED(factory_->CreateSwapChain(queue_.Get(), &desc, &swapChain_))) {
    error_ = "no swap chain";
    return false;
  }
  D3D12_DESCRIPTOR_HEAP_DESC heap{D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 2, D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
  device_->CreateDescriptorHeap(&heap, IID_PPV_ARGS(&rtvHeap_));
  heap = {D3D12_DESCRIPTOR_HEAP_TYPE_DSV, 1, D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
  device_->CreateDescriptorHeap(&heap, IID_PPV_ARGS(&dsvHeap_));
  heap = {D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, drawCount_ + 3, D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, 0};
  device_->CreateDescriptorHeap(&heap, IID_PPV_ARGS(&shaderHeap_));
  rtvIncrement_ = device_->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_RTV);
  shaderIncrement_ = device_->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV);
  for (UINT i = 0; i < 2; ++i) {
    swapChain_->GetBuffer(i, IID_PPV_ARGS(&backBuffers_[i]));
    device_->CreateRenderTargetView(
        backBuffers_[i].Get(), nullptr,
        CD3DX12_CPU_DESCRIPTOR_HANDLE(rtvHeap_->GetCPUDescriptorHandleForHeapStart(), i, rtvIncrement_));
  }
  return true;
}

bool LayerFrame::CreateResources() {
  const CD3DX12_HEAP_PROPERTIES defaultHeap(D3D12_HEAP_TYPE_DEFAULT);
  const CD3DX12_HEAP_PROPERTIES uploadHeap(D3D12_HEAP_TYPE_UPLOAD);
  const auto depthDesc = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_D24_UNORM_S8_UINT, kWidth, kHeight, 1, 1, samples_, 0,
                                                      D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL);
  const CD3DX12_CLEAR_VALUE depthClear(DXGI_FORMAT_D24_UNORM_S8_UINT, 1.0f, 0);
  device_->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &depthDesc, D3D12_RESOURCE_STATE_DEPTH_WRITE,
                                   &depthClear, IID_PPV_ARGS(&depthBuffer_));
  device_->CreateDepthStencilView(depthBuffer_.Get(), nullptr, dsvHeap_->GetCPUDescriptorHandleForHeapStart());
  if (samples_ > 1) {
    const auto targetDesc = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, kWidth, kHeight, 1, 1, samples_, 0,
                                                         D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET);
    const float clear[4] = {240 / 255.0f, 1, 1, 1};
    const CD3DX12_CLEAR_VALUE targetClear(DXGI_FORMAT_R8G8B8A8_UNORM, clear);
    if (FAILED(device_->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &targetDesc,
                                                D3D12_RESOURCE_STATE_RENDER_TARGET, &targetClear,
                                                IID_PPV_ARGS(&multisampledTarget_)))) {
      error_ = "no multisampled target";
      return false;
    }
    const D3D12_DESCRIPTOR_HEAP_DESC heap{D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1, D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
    device_->CreateDescriptorHeap(&heap, IID_PPV_ARGS(&multisampledRtvHeap_));
    device_->CreateRenderTargetView(multisampledTarget_.Get(), nullptr,
                                    multisampledRtvHeap_->GetCPUDescriptorHandleForHeapStart());
  }

  // Upload-heap buffers, mapped and written once, as the engine keeps its dynamic data.
  auto makeUpload = [&](const void* data, size_t size, ComPtr<ID3D12Resource>* buffer) {
    const auto desc = CD3DX12_RESOURCE_DESC::Buffer(size);
    device_->CreateCommittedResource(&uploadHeap, D3D12_HEAP_FLAG_NONE, &desc, D3D12_RESOURCE_STATE_GENERIC_READ,
                                     nullptr, IID_PPV_ARGS(buffer->GetAddressOf()));
    void* mapped = nullptr;
    (*buffer)->Map(0, nullptr, &mapped);
    std::memcpy(mapped, data, size);
  };
  const Mesh mesh = MakeMesh();
  const std::vector<GlyphInstance> glyphs = MakeGlyphs();
  const std::vector<uint8_t> constants = MakeConstants(drawCount_);
  makeUpload(mesh.vertices.data(), mesh.vertices.size() * sizeof(MeshVertex), &vertices_);
  makeUpload(mesh.indices.data(), mesh.indices.size() * sizeof(uint16_t), &indices_);
  makeUpload(glyphs.data(), glyphs.size() * sizeof(GlyphInstance), &instances_);
  makeUpload(constants.data(), constants.size(), &constants_);
  vertexView_ = {vertices_->GetGPUVirtualAddress(), UINT(mesh.vertices.size() * sizeof(MeshVertex)),
                 sizeof(MeshVertex)};
  indexView_ = {indices_->GetGPUVirtualAddress(), UINT(mesh.indices.size() * sizeof(uint16_t)), DXGI_FORMAT_R16_UINT};
  instanceView_ = {instances_->GetGPUVirtualAddress(), UINT(glyphs.size() * sizeof(GlyphInstance)),
                   sizeof(GlyphInstance)};
  indexCount_ = UINT(mesh.indices.size());

  // Descriptors: texture, pass, one object slot per draw, bones; the engine's layout.
  const CD3DX12_CPU_DESCRIPTOR_HANDLE start(shaderHeap_->GetCPUDescriptorHandleForHeapStart());
  for (UINT slot = 0; slot < drawCount_ + 2; ++slot) {
    const D3D12_CONSTANT_BUFFER_VIEW_DESC view{constants_->GetGPUVirtualAddress() + slot * kConstantSlot,
                                               kConstantSlot};
    device_->CreateConstantBufferView(&view, CD3DX12_CPU_DESCRIPTOR_HANDLE(start, 1 + slot, shaderIncrement_));
  }

  const auto textureDesc = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, kTextureSize, kTextureSize, 1, 1);
  device_->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &textureDesc, D3D12_RESOURCE_STATE_COPY_DEST,
                                   nullptr, IID_PPV_ARGS(&texture_));
  const auto uploadDesc = CD3DX12_RESOURCE_DESC::Buffer(GetRequiredIntermediateSize(texture_.Get(), 0, 1));
  device_->CreateCommittedResource(&uploadHeap, D3D12_HEAP_FLAG_NONE, &uploadDesc, D3D12_RESOURCE_STATE_GENERIC_READ,
                                   nullptr, IID_PPV_ARGS(&textureUpload_));
  const std::vector<uint32_t> texels = MakeTexture();
  const D3D12_SUBRESOURCE_DATA data{texels.data(), kTextureSize * 4, kTextureSize * kTextureSize * 4};
  UpdateSubresources(list_.Get(), texture_.Get(), textureUpload_.Get(), 0, 0, 1, &data);
  const auto barrier = CD3DX12_RESOURCE_BARRIER::Transition(texture_.Get(), D3D12_RESOURCE_STATE_COPY_DEST,
                                                            D3D12_RESOURCE_STATE_PIXEL_SHADER_RESOURCE);
  list_->ResourceBarrier(1, &barrier);
  device_->CreateShaderResourceView(texture_.Get(), nullptr, start);
  list_->Close();
  ID3D12CommandList* lists[] = {list_.Get()};
  queue_->ExecuteCommandLists(1, lists);
  queue_->Signal(fence_.Get(), ++fenceValue_);
  fence_->SetEventOnCompletion(fenceValue_, nullptr);
  return true;
}

bool LayerFrame::CreatePipelines() {
  const D3D12_STATIC_SAMPLER_DESC sampler = LinearWrapSampler();
  const CD3DX12_DESCRIPTOR_RANGE texture(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 1, 0);
  CD3DX12_ROOT_PARAMETER textParameter;
  textParameter.InitAsDescriptorTable(1, &texture);
  const CD3DX12_DESCRIPTOR_RANGE objectRanges[] = {{D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1, 0},
                                                   {D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1, 1},
                                                   {D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 1, 0},
                                                   {D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1, 2}};
  CD3DX12_ROOT_PARAMETER objectParameters[4];
  for (int i = 0; i < 4; ++i) objectParameters[i].InitAsDescriptorTable(1, &objectRanges[i]);
  auto makeRoot = [&](const D3D12_ROOT_SIGNATURE_DESC& desc, ComPtr<ID3D12RootSignature>* root) {
    ComPtr<ID3DBlob> blob;
    D3D12SerializeRootSignature(&desc, D3D_ROOT_SIGNATURE_VERSION_1, &blob, nullptr);
    return SUCCEEDED(device_->CreateRootSignature(0, blob->GetBufferPointer(), blob->GetBufferSize(),
                                                  IID_PPV_ARGS(root->GetAddressOf())));
  };
  const auto flags = D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT;
  if (!makeRoot({1, &textParameter, 1, &sampler, flags}, &textRoot_) ||
      !makeRoot({4, objectParameters, 1, &sampler, flags}, &objectRoot_)) {
    error_ = "root signature creation failed";
    return false;
  }

  const std::vector<uint32_t> textVs = CompileShader(kTextVertexShader, "vs_5_0");
  const std::vector<uint32_t> textPs = CompileShader(kTextPixelShader, "ps_5_0");
  const std::vector<uint32_t> objectVs = CompileShader(kObjectVertexShader, "vs_5_0");
  const std::vector<uint32_t> objectPs = CompileShader(kObjectPixelShader, "ps_5_0");
  const D3D12_INPUT_ELEMENT_DESC textLayout[] = {
      {"POSITION", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_INSTANCE_DATA, 1},
      {"TEXCOORD", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 16, D3D12_INPUT_CLASSIFICATION_PER_INSTANCE_DATA, 1},
      {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 32, D3D12_INPUT_CLASSIFICATION_PER_INSTANCE_DATA, 1}};
  const D3D12_INPUT_ELEMENT_DESC objectLayout[] = {
      {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0},
      {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 12, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0}};

  D3D12_GRAPHICS_PIPELINE_STATE_DESC desc{};
  desc.BlendState = CD3DX12_BLEND_DESC(D3D12_DEFAULT);
  desc.SampleMask = UINT_MAX;
  desc.RasterizerState = CD3DX12_RASTERIZER_DESC(D3D12_DEFAULT);
  desc.DepthStencilState = CD3DX12_DEPTH_STENCIL_DESC(D3D12_DEFAULT);
  desc.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
  desc.NumRenderTargets = 1;
  desc.RTVFormats[0] = DXGI_FORMAT_R8G8B8A8_UNORM;
  desc.DSVFormat = DXGI_FORMAT_D24_UNORM_S8_UINT;
  desc.SampleDesc = {samples_, 0};

  D3D12_GRAPHICS_PIPELINE_STATE_DESC text = desc;
  text.pRootSignature = textRoot_.Get();
  text.VS = {textVs.data(), textVs.size() * 4};
  text.PS = {textPs.data(), textPs.size() * 4};
  text.InputLayout = {textLayout, 3};
  text.DepthStencilState.DepthEnable = FALSE;
  text.BlendState.RenderTarget[0].BlendEnable = TRUE;
  text.BlendState.RenderTarget[0].SrcBlend = D3D12_BLEND_SRC_ALPHA;
  text.BlendState.RenderTarget[0].DestBlend = D3D12_BLEND_INV_SRC_ALPHA;
  D3D12_GRAPHICS_PIPELINE_STATE_DESC object = desc;
  object.pRootSignature = objectRoot_.Get();
  object.VS = {objectVs.data(), objectVs.size() * 4};
  object.PS = {objectPs.data(), objectPs.size() * 4};
  object.InputLayout = {objectLayout, 2};
  if (FAILED(device_->CreateGraphicsPipelineState(&text, IID_PPV_ARGS(&textPipeline_))) ||
      FAILED(device_->CreateGraphicsPipelineState(&object, IID_PPV_ARGS(&objectPipeline_)))) {
    error_ = "pipeline creation failed";
    return false;
  }
  return true;
}

void LayerFrame::Record() {
  allocator_->Reset();
  list_->Reset(allocator_.Get(), nullptr);
  ID3D12Resource* backBuffer = backBuffers_[currentBuffer_].Get();
  const bool multisampled = samples_ > 1;
  if (!multisampled) {
    const auto toTarget = CD3DX12_RESOURCE_BARRIER::Transition(backBuffer, D3D12_RESOURCE_STATE_PRESENT,
                                                               D3D12_RESOURCE_STATE_RENDER_TARGET);
    list_->ResourceBarrier(1, &toTarget);
  }
  const D3D12_VIEWPORT viewport{0, 0, float(kWidth), float(kHeight), 0, 1};
  const D3D12_RECT scissor{0, 0, LONG(kWidth), LONG(kHeight)};
  list_->RSSetViewports(1, &viewport);
  list_->RSSetScissorRects(1, &scissor);
  const D3D12_CPU_DESCRIPTOR_HANDLE rtv =
      multisampled ? multisampledRtvHeap_->GetCPUDescriptorHandleForHeapStart()
                   : CD3DX12_CPU_DESCRIPTOR_HANDLE(rtvHeap_->GetCPUDescriptorHandleForHeapStart(), currentBuffer_,
                                                   rtvIncrement_);
  const D3D12_CPU_DESCRIPTOR_HANDLE dsv = dsvHeap_->GetCPUDescriptorHandleForHeapStart();
  const float clear[4] = {240 / 255.0f, 1, 1, 1};
  list_->ClearRenderTargetView(rtv, clear, 0, nullptr);
  list_->ClearDepthStencilView(dsv, D3D12_CLEAR_FLAG_DEPTH | D3D12_CLEAR_FLAG_STENCIL, 1.0f, 0, 0, nullptr);
  list_->OMSetRenderTargets(1, &rtv, TRUE, &dsv);
  ID3D12DescriptorHeap* heaps[] = {shaderHeap_.Get()};
  list_->SetDescriptorHeaps(1, heaps);

  const CD3DX12_GPU_DESCRIPTOR_HANDLE start(shaderHeap_->GetGPUDescriptorHandleForHeapStart());
  list_->SetGraphicsRootSignature(textRoot_.Get());
  list_->SetGraphicsRootDescriptorTable(0, start);
  list_->SetPipelineState(textPipeline_.Get());
  list_->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
  list_->IASetVertexBuffers(0, 1, &instanceView_);
  list_->DrawInstanced(4, kGlyphCount, 0, 0);

  list_->SetGraphicsRootSignature(objectRoot_.Get());
  list_->SetGraphicsRootDescriptorTable(0, CD3DX12_GPU_DESCRIPTOR_HANDLE(start, 1, shaderIncrement_));
  list_->SetGraphicsRootDescriptorTable(3, CD3DX12_GPU_DESCRIPTOR_HANDLE(start, drawCount_ + 2, shaderIncrement_));
  for (UINT draw = 0; draw < drawCount_; ++draw) {
    list_->SetGraphicsRootDescriptorTable(2, start);
    list_->SetGraphicsRootDescriptorTable(1, CD3DX12_GPU_DESCRIPTOR_HANDLE(start, 2 + draw, shaderIncrement_));
    list_->SetPipelineState(objectPipeline_.Get());
    list_->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    list_->IASetVertexBuffers(0, 1, &vertexView_);
    list_->IASetIndexBuffer(&indexView_);
    list_->DrawIndexedInstanced(indexCount_, 1, 0, 0, 0);
  }
  if (multisampled) {
    // The way Microsoft's multisampling sample ends a frame: resolve into the back buffer, then present it.
    const D3D12_RESOURCE_BARRIER toResolve[] = {
        CD3DX12_RESOURCE_BARRIER::Transition(multisampledTarget_.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET,
                                             D3D12_RESOURCE_STATE_RESOLVE_SOURCE),
        CD3DX12_RESOURCE_BARRIER::Transition(backBuffer, D3D12_RESOURCE_STATE_PRESENT,
                                             D3D12_RESOURCE_STATE_RESOLVE_DEST)};
    list_->ResourceBarrier(2, toResolve);
    list_->ResolveSubresource(backBuffer, 0, multisampledTarget_.Get(), 0, DXGI_FORMAT_R8G8B8A8_UNORM);
    const D3D12_RESOURCE_BARRIER afterResolve[] = {
        CD3DX12_RESOURCE_BARRIER::Transition(multisampledTarget_.Get(), D3D12_RESOURCE_STATE_RESOLVE_SOURCE,
                                             D3D12_RESOURCE_STATE_RENDER_TARGET),
        CD3DX12_RESOURCE_BARRIER::Transition(backBuffer, D3D12_RESOURCE_STATE_RESOLVE_DEST,
                                             D3D12_RESOURCE_STATE_PRESENT)};
    list_->ResourceBarrier(2, afterResolve);
  } else {
    const auto toPresent = CD3DX12_RESOURCE_BARRIER::Transition(backBuffer, D3D12_RESOURCE_STATE_RENDER_TARGET,
                                                                D3D12_RESOURCE_STATE_PRESENT);
    list_->ResourceBarrier(1, &toPresent);
  }
  list_->Close();
}

double LayerFrame::Render() {
  const auto start = std::chrono::steady_clock::now();
  Record();
  const double recording = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ID3D12CommandList* lists[] = {list_.Get()};
  queue_->ExecuteCommandLists(1, lists);
  swapChain_->Present(0, 0);
  currentBuffer_ = (currentBuffer_ + 1) % 2;
  queue_->Signal(fence_.Get(), ++fenceValue_);
  if (fence_->GetCompletedValue() < fenceValue_) {
    fence_->SetEventOnCompletion(fenceValue_, event_);
    WaitForSingleObject(event_, INFINITE);
  }
  return recording;
}

}  // namespace frame_bench
