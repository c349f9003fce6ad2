// The Win32 side of the sample-style programs: one window, the message loop, and what every sample shares
// (the device, queue, swap chain and the folder beside the executable the shaders are read from). Written
// the way Direct3D 12 samples are written, so the layer is checked against programs of that shape.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <dxgi1_4.h>
#include <wrl/client.h>

#include <cstdio>
#include <exception>
#include <string>

using Microsoft::WRL::ComPtr;

// Throws std::runtime_error naming `what` when `result` is a failure: the samples stop at the first failed call.
void ThrowIfFailed(HRESULT result, const char* what);

class Sample {
 public:
  static constexpr UINT kWidth = 128;
  static constexpr UINT kHeight = 128;
  static constexpr UINT kFrameCount = 2;

  virtual ~Sample() = default;
  // The device, queue and swap chain, then what the sample itself loads.
  virtual void OnInit(HWND window);
  // Records the frame, runs it, presents it and waits for it, so each frame starts with the GPU idle.
  virtual void OnRender();
  // Waits for the last frame before the fence's event goes away.
  virtual void OnDestroy();

  IDXGISwapChain3* SwapChain() const { return swapChain_.Get(); }

 protected:
  // Device, direct queue and a flip-model swap chain on `window`.
  void LoadPipeline(HWND window);
  // The folder of the executable plus `name`, as the samples find their shader files.
  static std::wstring AssetPath(const wchar_t* name);
  // Compiles `entry` of the HLSL file beside the executable; throws with the compiler's message on failure.
  static ComPtr<ID3DBlob> CompileShader(const wchar_t* file, const char* entry, const char* target);
  void WaitForGpu();

  // The sample's pipelines, resources and anything recorded once.
  virtual void LoadAssets() = 0;
  // Records this frame into commandList_, closed.
  virtual void PopulateCommandList() = 0;

  // The frame's direct allocator and command list, created closed with `initialState`.
  void CreateFrameCommandList(ID3D12PipelineState* initialState);
  // Serializes `desc` (version 1) and creates the root signature on the device.
  ComPtr<ID3D12RootSignature> CreateRootSignature(const D3D12_ROOT_SIGNATURE_DESC& desc);

  ComPtr<IDXGIFactory4> factory_;
  ComPtr<ID3D12Device> device_;
  ComPtr<ID3D12CommandQueue> queue_;
  ComPtr<IDXGISwapChain3> swapChain_;
  ComPtr<ID3D12Resource> renderTargets_[kFrameCount];
  ComPtr<ID3D12DescriptorHeap> rtvHeap_;
  UINT rtvIncrement_ = 0;
  UINT frameIndex_ = 0;
  ComPtr<ID3D12Fence> fence_;
  UINT64 fenceValue_ = 0;
  HANDLE fenceEvent_ = nullptr;
  ComPtr<ID3D12CommandAllocator> allocator_;
  ComPtr<ID3D12GraphicsCommandList> commandList_;
};

// Opens the window, runs `sample` until the window closes or `frames` frames (when not 0) have been shown,
// and returns the exit code.
int RunSample(Sample& sample, HINSTANCE instance, const wchar_t* title, UINT frames);

// "-frames N" on the command line, as samples take their options; 0 when absent.
UINT FramesFromCommandLine();

// The whole of a sample program's WinMain: runs a `SampleType` for the frames the command line asks for, and
// turns a failure into a line on stderr headed `name` and exit code 1.
template <typename SampleType>
int RunSampleProgram(HINSTANCE instance, const wchar_t* title, const char* name) {
  try {
    SampleType sample;
    return RunSample(sample, instance, title, FramesFromCommandLine());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", name, error.what());
    return 1;
  }
}
