#include "TriangleSample.h"

// The same sample three ways: compiling its HLSL at run time, loading .cso files fxc wrote when the sample was
// built, or with fxc's /Fh headers compiled in.
#if defined(SAMPLE_SHADERS_FROM_HEADERS)
#include "shaders_ps.h"
#include "shaders_vs.h"
#endif

TriangleSample::TriangleSample(UINT width, UINT height, std::wstring name, LONG framesToRender)
    : DXSample(width, height, std::move(name)), m_framesToRender(framesToRender) {
  m_viewport = {0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height), 0.0f, 1.0f};
  m_scissorRect = {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
}

void TriangleSample::OnInit() {
  LoadPipeline();
  LoadAssets();
}

void TriangleSample::LoadPipeline() {
  UINT dxgiFactoryFlags = 0;
  ComPtr<IDXGIFactory4> factory;
  ThrowIfFailed(CreateDXGIFactory2(dxgiFactoryFlags, IID_PPV_ARGS(&factory)));

  if (m_useWarpDevice) {
    ComPtr<IDXGIAdapter> warpAdapter;
    ThrowIfFailed(factory->EnumWarpAdapter(IID_PPV_ARGS(&warpAdapter)));
    ThrowIfFailed(D3D12CreateDevice(warpAdapter.Get(), D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&m_device)));
  } else {
    ComPtr<IDXGIAdapter1> hardwareAdapter;
    GetHardwareAdapter(factory.Get(), &hardwareAdapter);
    ThrowIfFailed(D3D12CreateDevice(hardwareAdapter.Get(), D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&m_device)));
  }

  D3D12_COMMAND_QUEUE_DESC queueDesc = {};
  queueDesc.Flags = D3D12_COMMAND_QUEUE_FLAG_NONE;
  queueDesc.Type = D3D12_COMMAND_LIST_TYPE_DIRECT;
  ThrowIfFailed(m_device->CreateCommandQueue(&queueDesc, IID_PPV_ARGS(&m_commandQueue)));

  // Variable refresh rate displays want tearing; ask DXGI 1.5 whether this one can.
  ComPtr<IDXGIFactory5> factory5;
  if (SUCCEEDED(factory.As(&factory5))) {
    BOOL allowTearing = FALSE;
    m_tearingSupport = SUCCEEDED(factory5->CheckFeatureSupport(DXGI_FEATURE_PRESENT_ALLOW_TEARING, &allowTearing,
                                                               sizeof(allowTearing))) &&
                       allowTearing;
  }
  OutputDebugStringA(m_tearingSupport ? "presenting with tearing allowed\n" : "presenting without tearing\n");

  DXGI_SWAP_CHAIN_DESC1 swapChainDesc = {};
  swapChainDesc.BufferCount = FrameCount;
  swapChainDesc.Width = m_width;
  swapChainDesc.Height = m_height;
  swapChainDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  swapChainDesc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
  swapChainDesc.SwapEffect = DXGI_SWAP_EFFECT_FLIP_DISCARD;
  swapChainDesc.SampleDesc.Count = 1;
  swapChainDesc.Flags = m_tearingSupport ? DXGI_SWAP_CHAIN_FLAG_ALLOW_TEARING : 0;
  ComPtr<IDXGISwapChain1> swapChain;
  ThrowIfFailed(factory->CreateSwapChainForHwnd(m_commandQueue.Get(), Win32Application::GetHwnd(), &swapChainDesc,
                                                nullptr, nullptr, &swapChain));
  ThrowIfFailed(factory->MakeWindowAssociation(Win32Application::GetHwnd(), DXGI_MWA_NO_ALT_ENTER));
  ThrowIfFailed(swapChain.As(&m_swapChain));
  m_frameIndex = m_swapChain->GetCurrentBackBufferIndex();

  D3D12_DESCRIPTOR_HEAP_DESC rtvHeapDesc = {};
  rtvHeapDesc.NumDescriptors = FrameCount;
  rtvHeapDesc.Type = D3D12_DESCRIPTOR_HEAP_TYPE_RTV;
  rtvHeapDesc.Flags = D3D12_DESCRIPTOR_HEAP_FLAG_NONE;
  ThrowIfFailed(m_device->CreateDescriptorHeap(&rtvHeapDesc, IID_PPV_ARGS(&m_rtvHeap)));
  m_rtvDescriptorSize = m_device->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_RTV);

  CD3DX12_CPU_DESCRIPTOR_HANDLE rtvHandle(m_rtvHeap->GetCPUDescriptorHandleForHeapStart());
  for (UINT n = 0; n < FrameCount; n++) {
    ThrowIfFailed(m_swapChain->GetBuffer(n, IID_PPV_ARGS(&m_renderTargets[n])));
    m_device->CreateRenderTargetView(m_renderTargets[n].Get(), nullptr, rtvHandle);
    rtvHandle.Offset(1, m_rtvDescriptorSize);
  }
  ThrowIfFailed(m_device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&m_commandAllocator)));
}

DWORD WINAPI TriangleSample::LoadShaderSource(LPVOID parameter) {
  auto* sample = static_cast<TriangleSample*>(parameter);
  try {
    ReadDataFromFile(sample->GetAssetFullPath(L"shaders.hlsl").c_str(), &sample->m_shaderSource);
  } catch (const HrException& error) {
    return static_cast<DWORD>(error.Error());
  }
  return 0;
}

void TriangleSample::LoadAssets() {
  // The shader source is read on a thread of its own while the root signature is made.
  DWORD loaderId = 0;
  HANDLE loader = CreateThread(nullptr, 0, LoadShaderSource, this, CREATE_SUSPENDED, &loaderId);
  if (loader == nullptr) throw HrException(HRESULT_FROM_WIN32(GetLastError()));
  ResumeThread(loader);

  CD3DX12_ROOT_SIGNATURE_DESC rootSignatureDesc;
  rootSignatureDesc.Init(0, nullptr, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT);
  ComPtr<ID3DBlob> signature;
  ComPtr<ID3DBlob> error;
  ThrowIfFailed(D3D12SerializeRootSignature(&rootSignatureDesc, D3D_ROOT_SIGNATURE_VERSION_1, &signature, &error));
  ThrowIfFailed(m_device->CreateRootSignature(0, signature->GetBufferPointer(), signature->GetBufferSize(),
                                              IID_PPV_ARGS(&m_rootSignature)));

  HANDLE waitables[] = {loader};
  if (WaitForMultipleObjects(_countof(waitables), waitables, TRUE, INFINITE) != WAIT_OBJECT_0) {
    throw HrException(HRESULT_FROM_WIN32(GetLastError()));
  }
  DWORD loaderResult = STILL_ACTIVE;
  GetExitCodeThread(loader, &loaderResult);
  CloseHandle(loader);
  ThrowIfFailed(static_cast<HRESULT>(loaderResult));

#if defined(SAMPLE_SHADERS_FROM_CSO)
  std::vector<char> vertexShaderFile;
  std::vector<char> pixelShaderFile;
  ReadDataFromFile(GetAssetFullPath(L"shaders_vs.cso").c_str(), &vertexShaderFile);
  ReadDataFromFile(GetAssetFullPath(L"shaders_ps.cso").c_str(), &pixelShaderFile);
  const D3D12_SHADER_BYTECODE vertexShader{vertexShaderFile.data(), vertexShaderFile.size()};
  const D3D12_SHADER_BYTECODE pixelShader{pixelShaderFile.data(), pixelShaderFile.size()};
#elif defined(SAMPLE_SHADERS_FROM_HEADERS)
  const D3D12_SHADER_BYTECODE vertexShader{g_VSMain, sizeof(g_VSMain)};
  const D3D12_SHADER_BYTECODE pixelShader{g_PSMain, sizeof(g_PSMain)};
#else
  ComPtr<ID3DBlob> vertexBlob;
  ComPtr<ID3DBlob> pixelBlob;
  UINT compileFlags = 0;
  ThrowIfFailed(D3DCompile(m_shaderSource.data(), m_shaderSource.size(), "shaders.hlsl", nullptr, nullptr, "VSMain",
                           "vs_5_0", compileFlags, 0, &vertexBlob, nullptr));
  ThrowIfFailed(D3DCompile(m_shaderSource.data(), m_shaderSource.size(), "shaders.hlsl", nullptr, nullptr, "PSMain",
                           "ps_5_0", compileFlags, 0, &pixelBlob, nullptr));
  const D3D12_SHADER_BYTECODE vertexShader = CD3DX12_SHADER_BYTECODE(vertexBlob.Get());
  const D3D12_SHADER_BYTECODE pixelShader = CD3DX12_SHADER_BYTECODE(pixelBlob.Get());
#endif

  D3D12_INPUT_ELEMENT_DESC inputElementDescs[] = {
      {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0},
      {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 12, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0}};

  D3D12_GRAPHICS_PIPELINE_STATE_DESC psoDesc = {};
  psoDesc.InputLayout = {inputElementDescs, _countof(inputElementDescs)};
  psoDesc.pRootSignature = m_rootSignature.Get();
  psoDesc.VS = vertexShader;
  psoDesc.PS = pixelShader;
  psoDesc.RasterizerState = CD3DX12_RASTERIZER_DESC(D3D12_DEFAULT);
  psoDesc.BlendState = CD3DX12_BLEND_DESC(D3D12_DEFAULT);
  psoDesc.DepthStencilState.DepthEnable = FALSE;
  psoDesc.DepthStencilState.StencilEnable = FALSE;
  psoDesc.SampleMask = UINT_MAX;
  psoDesc.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
  psoDesc.NumRenderTargets = 1;
  psoDesc.RTVFormats[0] = DXGI_FORMAT_R8G8B8A8_UNORM;
  psoDesc.SampleDesc.Count = 1;
  ThrowIfFailed(m_device->CreateGraphicsPipelineState(&psoDesc, IID_PPV_ARGS(&m_pipelineState)));

  ThrowIfFailed(m_device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, m_commandAllocator.Get(),
                                            m_pipelineState.Get(), IID_PPV_ARGS(&m_commandList)));
  ThrowIfFailed(m_commandList->Close());

  const Vertex triangleVertices[] = {{{0.0f, 0.25f * m_aspectRatio, 0.0f}, {1.0f, 0.0f, 0.0f, 1.0f}},
                                     {{0.25f, -0.25f * m_aspectRatio, 0.0f}, {0.0f, 1.0f, 0.0f, 1.0f}},
                                     {{-0.25f, -0.25f * m_aspectRatio, 0.0f}, {0.0f, 0.0f, 1.0f, 1.0f}}};
  const UINT vertexBufferSize = sizeof(triangleVertices);
  const CD3DX12_HEAP_PROPERTIES uploadHeap(D3D12_HEAP_TYPE_UPLOAD);
  const CD3DX12_RESOURCE_DESC vertexBufferDesc = CD3DX12_RESOURCE_DESC::Buffer(vertexBufferSize);
  ThrowIfFailed(m_device->CreateCommittedResource(&uploadHeap, D3D12_HEAP_FLAG_NONE, &vertexBufferDesc,
                                                  D3D12_RESOURCE_STATE_GENERIC_READ, nullptr,
                                                  IID_PPV_ARGS(&m_vertexBuffer)));
  UINT8* vertexDataBegin = nullptr;
  CD3DX12_RANGE readRange(0, 0);
  ThrowIfFailed(m_vertexBuffer->Map(0, &readRange, reinterpret_cast<void**>(&vertexDataBegin)));
  CopyMemory(vertexDataBegin, triangleVertices, sizeof(triangleVertices));
  m_vertexBuffer->Unmap(0, nullptr);
  m_vertexBufferView.BufferLocation = m_vertexBuffer->GetGPUVirtualAddress();
  m_vertexBufferView.StrideInBytes = sizeof(Vertex);
  m_vertexBufferView.SizeInBytes = vertexBufferSize;

  // Room for one back buffer, row pitch aligned as copies need.
  const D3D12_RESOURCE_DESC backBufferDesc = m_renderTargets[0]->GetDesc();
  UINT64 readbackSize = 0;
  m_device->GetCopyableFootprints(&backBufferDesc, 0, 1, 0, &m_readbackFootprint, nullptr, nullptr, &readbackSize);
  const CD3DX12_HEAP_PROPERTIES readbackHeap(D3D12_HEAP_TYPE_READBACK);
  const CD3DX12_RESOURCE_DESC readbackDesc = CD3DX12_RESOURCE_DESC::Buffer(readbackSize);
  ThrowIfFailed(m_device->CreateCommittedResource(&readbackHeap, D3D12_HEAP_FLAG_NONE, &readbackDesc,
                                                  D3D12_RESOURCE_STATE_COPY_DEST, nullptr, IID_PPV_ARGS(&m_readback)));

  ThrowIfFailed(m_device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&m_fence)));
  m_fenceValue = 1;
  m_fenceEvent = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  if (m_fenceEvent == nullptr) ThrowIfFailed(HRESULT_FROM_WIN32(GetLastError()));
  WaitForPreviousFrame();
}

void TriangleSample::OnUpdate() {}

void TriangleSample::OnRender() {
  const LONG frame = InterlockedIncrement(&m_framesRendered);
  const bool lastFrame = frame >= m_framesToRender;
  PopulateCommandList();
  if (lastFrame) RecordReadback();
  ThrowIfFailed(m_commandList->Close());

  ID3D12CommandList* ppCommandLists[] = {m_commandList.Get()};
  m_commandQueue->ExecuteCommandLists(_countof(ppCommandLists), ppCommandLists);
  // With tearing allowed the frame goes out at once; otherwise it waits for the vertical blank.
  ThrowIfFailed(m_tearingSupport ? m_swapChain->Present(0, DXGI_PRESENT_ALLOW_TEARING) : m_swapChain->Present(1, 0));
  WaitForPreviousFrame();

  WCHAR text[64];
  swprintf_s(text, L"%ld of %ld frames", frame, m_framesToRender);
  SetCustomWindowText(text);
  char line[64];
  sprintf_s(line, "frame %ld presented\n", frame);
  OutputDebugStringA(line);

  if (lastFrame) {
    if (TriangleIsInTheLastFrame()) {
      DestroyWindow(Win32Application::GetHwnd());
    } else {
      PostQuitMessage(3);
    }
  }
}

void TriangleSample::OnDestroy() {
  WaitForPreviousFrame();
  CloseHandle(m_fenceEvent);
}

void TriangleSample::PopulateCommandList() {
  ThrowIfFailed(m_commandAllocator->Reset());
  ThrowIfFailed(m_commandList->Reset(m_commandAllocator.Get(), m_pipelineState.Get()));
  m_commandList->SetGraphicsRootSignature(m_rootSignature.Get());
  m_commandList->RSSetViewports(1, &m_viewport);
  m_commandList->RSSetScissorRects(1, &m_scissorRect);

  const auto toTarget = CD3DX12_RESOURCE_BARRIER::Transition(
      m_renderTargets[m_frameIndex].Get(), D3D12_RESOURCE_STATE_PRESENT, D3D12_RESOURCE_STATE_RENDER_TARGET);
  m_commandList->ResourceBarrier(1, &toTarget);
  CD3DX12_CPU_DESCRIPTOR_HANDLE rtvHandle(m_rtvHeap->GetCPUDescriptorHandleForHeapStart(), m_frameIndex,
                                          m_rtvDescriptorSize);
  m_commandList->OMSetRenderTargets(1, &rtvHandle, FALSE, nullptr);

  const float clearColor[] = {0.0f, 0.2f, 0.4f, 1.0f};
  m_commandList->ClearRenderTargetView(rtvHandle, clearColor, 0, nullptr);
  m_commandList->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  m_commandList->IASetVertexBuffers(0, 1, &m_vertexBufferView);
  m_commandList->DrawInstanced(3, 1, 0, 0);

  const auto toPresent = CD3DX12_RESOURCE_BARRIER::Transition(
      m_renderTargets[m_frameIndex].Get(), D3D12_RESOURCE_STATE_RENDER_TARGET, D3D12_RESOURCE_STATE_PRESENT);
  m_commandList->ResourceBarrier(1, &toPresent);
}

void TriangleSample::RecordReadback() {
  ID3D12Resource* backBuffer = m_renderTargets[m_frameIndex].Get();
  const auto toSource =
      CD3DX12_RESOURCE_BARRIER::Transition(backBuffer, D3D12_RESOURCE_STATE_PRESENT, D3D12_RESOURCE_STATE_COPY_SOURCE);
  m_commandList->ResourceBarrier(1, &toSource);
  const CD3DX12_TEXTURE_COPY_LOCATION destination(m_readback.Get(), m_readbackFootprint);
  const CD3DX12_TEXTURE_COPY_LOCATION source(backBuffer, 0);
  m_commandList->CopyTextureRegion(&destination, 0, 0, 0, &source, nullptr);
  const auto toPresent =
      CD3DX12_RESOURCE_BARRIER::Transition(backBuffer, D3D12_RESOURCE_STATE_COPY_SOURCE, D3D12_RESOURCE_STATE_PRESENT);
  m_commandList->ResourceBarrier(1, &toPresent);
}

bool TriangleSample::TriangleIsInTheLastFrame() {
  const BYTE* pixels = nullptr;
  const CD3DX12_RANGE readRange(0, static_cast<SIZE_T>(m_readbackFootprint.Footprint.RowPitch) * m_height);
  ThrowIfFailed(m_readback->Map(0, &readRange, reinterpret_cast<void**>(const_cast<BYTE**>(&pixels))));
  auto pixelAt = [&](UINT x, UINT y) { return pixels + y * m_readbackFootprint.Footprint.RowPitch + x * 4; };
  // The centre mixes the three vertex colours about equally; a corner keeps the clear colour.
  const BYTE* centre = pixelAt(m_width / 2, m_height / 2);
  const BYTE* corner = pixelAt(1, 1);
  const bool centreMixed = min(min(centre[0], centre[1]), centre[2]) > 40 && max(centre[0], centre[1]) < 140;
  const bool cornerCleared = corner[0] == 0 && corner[1] == 51 && corner[2] == 102;
  m_readback->Unmap(0, nullptr);
  char report[128];
  sprintf_s(report, "centre %u %u %u, corner %u %u %u\n", centre[0], centre[1], centre[2], corner[0], corner[1],
            corner[2]);
  OutputDebugStringA(report);
  return centreMixed && cornerCleared;
}

void TriangleSample::WaitForPreviousFrame() {
  const UINT64 fence = m_fenceValue;
  ThrowIfFailed(m_commandQueue->Signal(m_fence.Get(), fence));
  m_fenceValue++;
  if (m_fence->GetCompletedValue() < fence) {
    ThrowIfFailed(m_fence->SetEventOnCompletion(fence, m_fenceEvent));
    WaitForSingleObject(m_fenceEvent, INFINITE);
  }
  m_frameIndex = m_swapChain->GetCurrentBackBufferIndex();
}
