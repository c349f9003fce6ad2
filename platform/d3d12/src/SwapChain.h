// IDXGISwapChain4 for Direct3D 12: flip-model back buffers owned by the layer, shown by a Presenter.
#pragma once

#include "DxgiObject.h"
#include "Presenter.h"

#include <wrl/client.h>

#include <memory>
#include <vector>

namespace d3d12vk {

class CommandQueue;
class Factory;
class Resource;

class SwapChain final : public DxgiObject<IDXGISwapChain4, IDXGISwapChain3, IDXGISwapChain2, IDXGISwapChain1,
                                          IDXGISwapChain, IDXGIDeviceSubObject> {
 public:
  static HRESULT Create(const char* call, Factory& factory, CommandQueue& queue, const DXGI_SWAP_CHAIN_DESC& desc,
                        SwapChain** swapChain);

  // IDXGIObject, IDXGIDeviceSubObject
  HRESULT STDMETHODCALLTYPE GetParent(REFIID riid, void** parent) override;
  HRESULT STDMETHODCALLTYPE GetDevice(REFIID riid, void** device) override;
  // IDXGISwapChain
  HRESULT STDMETHODCALLTYPE Present(UINT syncInterval, UINT flags) override;
  HRESULT STDMETHODCALLTYPE GetBuffer(UINT buffer, REFIID riid, void** surface) override;
  HRESULT STDMETHODCALLTYPE SetFullscreenState(BOOL fullscreen, IDXGIOutput* target) override;
  HRESULT STDMETHODCALLTYPE GetFullscreenState(BOOL* fullscreen, IDXGIOutput** target) override;
  HRESULT STDMETHODCALLTYPE GetDesc(DXGI_SWAP_CHAIN_DESC* desc) override;
  HRESULT STDMETHODCALLTYPE ResizeBuffers(UINT bufferCount, UINT width, UINT height, DXGI_FORMAT format,
                                          UINT flags) override;
  HRESULT STDMETHODCALLTYPE ResizeTarget(const DXGI_MODE_DESC* parameters) override;
  HRESULT STDMETHODCALLTYPE GetContainingOutput(IDXGIOutput** output) override;
  HRESULT STDMETHODCALLTYPE GetFrameStatistics(DXGI_FRAME_STATISTICS* statistics) override;
  HRESULT STDMETHODCALLTYPE GetLastPresentCount(UINT* count) override;
  // IDXGISwapChain1
  HRESULT STDMETHODCALLTYPE GetDesc1(DXGI_SWAP_CHAIN_DESC1* desc) override;
  HRESULT STDMETHODCALLTYPE GetFullscreenDesc(DXGI_SWAP_CHAIN_FULLSCREEN_DESC* desc) override;
  HRESULT STDMETHODCALLTYPE GetHwnd(HWND* window) override;
  HRESULT STDMETHODCALLTYPE GetCoreWindow(REFIID riid, void** window) override;
  HRESULT STDMETHODCALLTYPE Present1(UINT syncInterval, UINT flags, const DXGI_PRESENT_PARAMETERS* parameters) override;
  BOOL STDMETHODCALLTYPE IsTemporaryMonoSupported() override { return FALSE; }
  HRESULT STDMETHODCALLTYPE GetRestrictToOutput(IDXGIOutput** output) override;
  HRESULT STDMETHODCALLTYPE SetBackgroundColor(const DXGI_RGBA* color) override;
  HRESULT STDMETHODCALLTYPE GetBackgroundColor(DXGI_RGBA* color) override;
  HRESULT STDMETHODCALLTYPE SetRotation(DXGI_MODE_ROTATION rotation) override;
  HRESULT STDMETHODCALLTYPE GetRotation(DXGI_MODE_ROTATION* rotation) override;
  // IDXGISwapChain2
  HRESULT STDMETHODCALLTYPE SetSourceSize(UINT width, UINT height) override;
  HRESULT STDMETHODCALLTYPE GetSourceSize(UINT* width, UINT* height) override;
  HRESULT STDMETHODCALLTYPE SetMaximumFrameLatency(UINT latency) override;
  HRESULT STDMETHODCALLTYPE GetMaximumFrameLatency(UINT* latency) override;
  HANDLE STDMETHODCALLTYPE GetFrameLatencyWaitableObject() override;
  HRESULT STDMETHODCALLTYPE SetMatrixTransform(const DXGI_MATRIX_3X2_F* matrix) override;
  HRESULT STDMETHODCALLTYPE GetMatrixTransform(DXGI_MATRIX_3X2_F* matrix) override;
  // IDXGISwapChain3
  UINT STDMETHODCALLTYPE GetCurrentBackBufferIndex() override { return currentBuffer_; }
  HRESULT STDMETHODCALLTYPE CheckColorSpaceSupport(DXGI_COLOR_SPACE_TYPE colorSpace, UINT* support) override;
  HRESULT STDMETHODCALLTYPE SetColorSpace1(DXGI_COLOR_SPACE_TYPE colorSpace) override;
  HRESULT STDMETHODCALLTYPE ResizeBuffers1(UINT bufferCount, UINT width, UINT height, DXGI_FORMAT format, UINT flags,
                                           const UINT* nodeMasks, IUnknown* const* presentQueues) override;
  // IDXGISwapChain4
  HRESULT STDMETHODCALLTYPE SetHDRMetaData(DXGI_HDR_METADATA_TYPE type, UINT size, void* metaData) override;

  HRESULT ReadLastPresentedFrame(std::vector<uint8_t>* rgba, UINT* width, UINT* height) {
    return presenter_->ReadLastFrame(rgba, width, height);
  }

 private:
  bool CheckLatencyWaitable(const char* call) const;
  SwapChain(Factory& factory, CommandQueue& queue);
  ~SwapChain() override;
  HRESULT CreateBuffers(const char* call);
  void ReleaseBuffers();
  // The output that holds most of the window, enumerated from the device's adapter.
  HRESULT ContainingOutput(const char* call, IDXGIOutput** output);
  HRESULT EnterFullscreen(IDXGIOutput* target);
  void LeaveFullscreen();

  Factory& factory_;
  CommandQueue& queue_;
  DXGI_SWAP_CHAIN_DESC desc_{};
  std::vector<Resource*> buffers_;
  UINT currentBuffer_ = 0;
  UINT presentCount_ = 0;
  // The frame latency waitable object, made on first request, and the latency the program set.
  HANDLE latencyEvent_ = nullptr;
  UINT maximumFrameLatency_ = 1;
  std::unique_ptr<Presenter> presenter_;
  // Full screen (desc_.Windowed false): the output covered, and the window's style and place to go back to.
  Microsoft::WRL::ComPtr<IDXGIOutput> fullscreenOutput_;
  DWORD windowedStyle_ = 0;
  RECT windowedRect_{};
};

}  // namespace d3d12vk
