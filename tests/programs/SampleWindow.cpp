#include "SampleWindow.h"

#include <d3dcompiler.h>
#include <d3dx12.h>
#include <shellapi.h>

#include <stdexcept>

void ThrowIfFailed(HRESULT result, const char* what) {
  if (FAILED(result)) throw std::runtime_error(what);
}

namespace {

// What the window procedure needs: the sample, and how many frames to show before closing (0: no limit).
struct RunningSample {
  Sample* sample;
  UINT frameLimit;
  UINT framesShown;
};

// Rendering happens on WM_PAINT, as in the samples: a window that never validates itself keeps receiving it.
LRESULT CALLBACK SampleProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* running = reinterpret_cast<RunningSample*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_CREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      return 0;
    }
    case WM_PAINT:
      if (running != nullptr && running->sample != nullptr) {
        running->sample->OnRender();
        if (running->frameLimit != 0 && ++running->framesShown == running->frameLimit) DestroyWindow(window);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void Sample::LoadPipeline(HWND window) {
  ThrowIfFailed(CreateDXGIFactory2(0, IID_PPV_ARGS(&factory_)), "CreateDXGIFactory2");
  ThrowIfFailed(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device_)), "D3D12CreateDevice");
  const D3D12_COMMAND_QUEUE_DESC queueDesc{D3D12_COMMAND_LIST_TYPE_DIRECT, 0, D3D12_COMMAND_QUEUE_FLAG_NONE, 0};
  ThrowIfFailed(device_->CreateCommandQueue(&queueDesc, IID_PPV_ARGS(&queue_)), "CreateCommandQueue");

  DXGI_SWAP_CHAIN_DESC1 swapChainDesc{};
  swapChainDesc.BufferCount = kFrameCount;
  swapChainDesc.Width = kWidth;
  swapChainDesc.Height = kHeight;
  swapChainDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  swapChainDesc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
  swapChainDesc.SwapEffect = DXGI_SWAP_EFFECT_FLIP_DISCARD;
  swapChainDesc.SampleDesc.Count = 1;
  ComPtr<IDXGISwapChain1> swapChain;
  ThrowIfFailed(factory_->CreateSwapChainForHwnd(queue_.Get(), window, &swapChainDesc, nullptr, nullptr, &swapChain),
                "CreateSwapChainForHwnd");
  ThrowIfFailed(swapChain.As(&swapChain_), "IDXGISwapChain3");
  frameIndex_ = swapChain_->GetCurrentBackBufferIndex();

  const D3D12_DESCRIPTOR_HEAP_DESC rtvDesc{D3D12_DESCRIPTOR_HEAP_TYPE_RTV, kFrameCount, D3D12_DESCRIPTOR_HEAP_FLAG_NONE,
                                           0};
  ThrowIfFailed(device_->CreateDescriptorHeap(&rtvDesc, IID_PPV_ARGS(&rtvHeap_)), "CreateDescriptorHeap");
  rtvIncrement_ = device_->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_RTV);
  CD3DX12_CPU_DESCRIPTOR_HANDLE rtv(rtvHeap_->GetCPUDescriptorHandleForHeapStart());
  for (UINT n = 0; n < kFrameCount; ++n) {
    ThrowIfFailed(swapChain_->GetBuffer(n, IID_PPV_ARGS(&renderTargets_[n])), "GetBuffer");
    device_->CreateRenderTargetView(renderTargets_[n].Get(), nullptr, rtv);
    rtv.Offset(1, rtvIncrement_);
  }
  ThrowIfFailed(device_->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&fence_)), "CreateFence");
  fenceEvent_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

void Sample::OnInit(HWND window) {
  LoadPipeline(window);
  LoadAssets();
}

void Sample::OnRender() {
  PopulateCommandList();
  ID3D12CommandList* lists[] = {commandList_.Get()};
  queue_->ExecuteCommandLists(_countof(lists), lists);
  ThrowIfFailed(swapChain_->Present(1, 0), "Present");
  WaitForGpu();
}

void Sample::OnDestroy() {
  WaitForGpu();
  CloseHandle(fenceEvent_);
}

void Sample::CreateFrameCommandList(ID3D12PipelineState* initialState) {
  ThrowIfFailed(device_->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&allocator_)),
                "CreateCommandAllocator");
  ThrowIfFailed(device_->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, allocator_.Get(), initialState,
                                           IID_PPV_ARGS(&commandList_)),
                "CreateCommandList");
  ThrowIfFailed(commandList_->Close(), "Close");
}

ComPtr<ID3D12RootSignature> Sample::CreateRootSignature(const D3D12_ROOT_SIGNATURE_DESC& desc) {
  ComPtr<ID3DBlob> signature, error;
  ThrowIfFailed(D3D12SerializeRootSignature(&desc, D3D_ROOT_SIGNATURE_VERSION_1, &signature, &error),
                "D3D12SerializeRootSignature");
  ComPtr<ID3D12RootSignature> rootSignature;
  ThrowIfFailed(device_->CreateRootSignature(0, signature->GetBufferPointer(), signature->GetBufferSize(),
                                             IID_PPV_ARGS(&rootSignature)),
                "CreateRootSignature");
  return rootSignature;
}

std::wstring Sample::AssetPath(const wchar_t* name) {
  wchar_t path[512];
  const DWORD length = GetModuleFileNameW(nullptr, path, 512);
  std::wstring folder(path, length);
  const size_t slash = folder.find_last_of(L"/\\");
  folder = slash == std::wstring::npos ? L"" : folder.substr(0, slash + 1);
  return folder + name;
}

ComPtr<ID3DBlob> Sample::CompileShader(const wchar_t* file, const char* entry, const char* target) {
  ComPtr<ID3DBlob> code, errors;
  const HRESULT result =
      D3DCompileFromFile(AssetPath(file).c_str(), nullptr, nullptr, entry, target, 0, 0, &code, &errors);
  if (FAILED(result)) {
    throw std::runtime_error(errors ? static_cast<const char*>(errors->GetBufferPointer()) : "D3DCompileFromFile");
  }
  return code;
}

void Sample::WaitForGpu() {
  ThrowIfFailed(queue_->Signal(fence_.Get(), ++fenceValue_), "Signal");
  ThrowIfFailed(fence_->SetEventOnCompletion(fenceValue_, fenceEvent_), "SetEventOnCompletion");
  WaitForSingleObject(fenceEvent_, INFINITE);
  frameIndex_ = swapChain_->GetCurrentBackBufferIndex();
}

int RunSample(Sample& sample, HINSTANCE instance, const wchar_t* title, UINT frames) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = SampleProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"LayerSampleClass";
  RegisterClassExW(&windowClass);
  RunningSample running{nullptr, frames, 0};
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                int(Sample::kWidth), int(Sample::kHeight), nullptr, nullptr, instance, &running);
  sample.OnInit(window);
  running.sample = &sample;
  ShowWindow(window, SW_SHOW);
  MSG message{};
  while (message.message != WM_QUIT) {
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  sample.OnDestroy();
  return int(message.wParam);
}

UINT FramesFromCommandLine() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  UINT frames = 0;
  for (int i = 1; arguments != nullptr && i + 1 < count; ++i) {
    if (std::wstring(arguments[i]) == L"-frames") frames = UINT(std::wcstoul(arguments[i + 1], nullptr, 10));
  }
  LocalFree(arguments);
  return frames;
}
