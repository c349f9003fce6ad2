// The Win32 side of the sample-style programs: one window, the message loop, and what every sample shares
// (the device, queue, swap chain and the folder beside the executable the shaders are read from). Written
// the way Direct3D 12 samples are written, so the layer is checked against programs of that shape.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <dxgi1_4.h>
#include <wrl/client.h>

#include <string>

using Microsoft::WRL::ComPtr;

class Sample {
 public:
  static constexpr UINT kWidth = 128;
  static constexpr UINT kHeight = 128;
  static constexpr UINT kFrameCount = 2;

  virtual ~Sample() = default;
  virtual void OnInit(HWND window) = 0;
  virtual void OnRender() = 0;
  virtual void OnDestroy() = 0;

  IDXGISwapChain3* SwapChain() const { return swapChain_.Get(); }

 protected:
  // Device, direct queue and a flip-model swap chain on `window`.
  void LoadPipeline(HWND window);
  // The folder of the executable plus `name`, as the samples find their shader files.
  static std::wstring AssetPath(const wchar_t* name);
  // Compiles `entry` of the HLSL file beside the executable; throws with the compiler's message on failure.
  static ComPtr<ID3DBlob> CompileShader(const wchar_t* file, const char* entry, const char* target);
  void WaitForGpu();

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
};

// Opens the window, runs `sample` until the window closes or `frames` frames (when not 0) have been shown,
// and returns the exit code.
int RunSample(Sample& sample, HINSTANCE instance, const wchar_t* title, UINT frames);

// "-frames N" on the command line, as samples take their options; 0 when absent.
UINT FramesFromCommandLine();
