// IDXGIOutput: one of the displays the window system knows (win32_platform::Displays), with its real
// modes. Every adapter reports every display, since any of them can present to any window.
#pragma once

#include "DxgiObject.h"

#include <wrl/client.h>

namespace d3d12vk {

class Output final : public DxgiObject<IDXGIOutput> {
 public:
  // `parent` is the adapter that enumerated the output (held).
  Output(IDXGIAdapter* parent, size_t displayIndex);

  size_t DisplayIndex() const { return displayIndex_; }

  // IDXGIObject
  HRESULT STDMETHODCALLTYPE GetParent(REFIID riid, void** parent) override;
  // IDXGIOutput
  HRESULT STDMETHODCALLTYPE GetDesc(DXGI_OUTPUT_DESC* desc) override;
  HRESULT STDMETHODCALLTYPE GetDisplayModeList(DXGI_FORMAT format, UINT flags, UINT* count,
                                               DXGI_MODE_DESC* modes) override;
  HRESULT STDMETHODCALLTYPE FindClosestMatchingMode(const DXGI_MODE_DESC* wanted, DXGI_MODE_DESC* closest,
                                                    IUnknown* device) override;
  HRESULT STDMETHODCALLTYPE WaitForVBlank() override;
  HRESULT STDMETHODCALLTYPE TakeOwnership(IUnknown* device, BOOL exclusive) override;
  void STDMETHODCALLTYPE ReleaseOwnership() override {}
  HRESULT STDMETHODCALLTYPE GetGammaControlCapabilities(DXGI_GAMMA_CONTROL_CAPABILITIES* capabilities) override;
  HRESULT STDMETHODCALLTYPE SetGammaControl(const DXGI_GAMMA_CONTROL* control) override;
  HRESULT STDMETHODCALLTYPE GetGammaControl(DXGI_GAMMA_CONTROL* control) override;
  HRESULT STDMETHODCALLTYPE SetDisplaySurface(IDXGISurface* surface) override;
  HRESULT STDMETHODCALLTYPE GetDisplaySurfaceData(IDXGISurface* destination) override;
  HRESULT STDMETHODCALLTYPE GetFrameStatistics(DXGI_FRAME_STATISTICS* statistics) override;

 private:
  ~Output() override = default;

  Microsoft::WRL::ComPtr<IDXGIAdapter> parent_;
  size_t displayIndex_;
};

// The display formats a mode list can be asked for; other formats have no modes.
bool IsDisplayModeFormat(DXGI_FORMAT format);

}  // namespace d3d12vk
