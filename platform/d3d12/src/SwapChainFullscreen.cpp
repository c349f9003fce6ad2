// Full screen for a swap chain, as a borderless window over the whole output (SDL's desktop full screen, no
// change of display mode), which is what Windows' flip-model swap chains do for most programs too. The
// window gets a popup style and the output's rectangle through SetWindowPos, so its procedure sees WM_SIZE
// while SetFullscreenState runs, as on Windows; leaving restores the style and the rectangle it had.

#include "CommandQueue.h"
#include "Device.h"
#include "Diagnostics.h"
#include "DxgiFactory.h"
#include "DxgiOutput.h"
#include "SwapChain.h"

#include <win32_platform.h>

#include <SDL_video.h>

namespace d3d12vk {
namespace {

constexpr DWORD kFullscreenStyle = WS_POPUP | WS_VISIBLE;

}  // namespace

HRESULT SwapChain::ContainingOutput(const char* call, IDXGIOutput** output) {
  Microsoft::WRL::ComPtr<IDXGIAdapter> adapter;
  const HRESULT found = factory_.EnumAdapterByLuid(queue_.OwningDevice().GetAdapterLuid(), IID_PPV_ARGS(&adapter));
  if (FAILED(found)) return Fail(call, found, "the device's adapter is no longer enumerated");
  return HandOut(new Output(adapter.Get(), win32_platform::DisplayIndexOfWindow(desc_.OutputWindow)),
                 __uuidof(IDXGIOutput), reinterpret_cast<void**>(output));
}

HRESULT SwapChain::EnterFullscreen(IDXGIOutput* target) {
  constexpr const char* kCall = "IDXGISwapChain::SetFullscreenState";
  Microsoft::WRL::ComPtr<IDXGIOutput> output = target;
  if (output == nullptr) {
    const HRESULT result = ContainingOutput(kCall, &output);
    if (FAILED(result)) return result;
  }
  DXGI_OUTPUT_DESC outputDesc{};
  output->GetDesc(&outputDesc);
  const HWND window = desc_.OutputWindow;
  windowedStyle_ = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
  GetWindowRect(window, &windowedRect_);
  fullscreenOutput_ = output;
  desc_.Windowed = FALSE;

  SetWindowLongW(window, GWL_STYLE, static_cast<LONG>(kFullscreenStyle));
  const RECT& bounds = outputDesc.DesktopCoordinates;
  SetWindowPos(window, HWND_TOPMOST, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
               SWP_FRAMECHANGED | SWP_NOACTIVATE);
  if (SDL_Window* sdlWindow = win32_platform::SdlWindowFromHandle(window)) {
    SDL_SetWindowFullscreen(sdlWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
  }
  return S_OK;
}

void SwapChain::LeaveFullscreen() {
  const HWND window = desc_.OutputWindow;
  desc_.Windowed = TRUE;
  fullscreenOutput_.Reset();
  if (SDL_Window* sdlWindow = win32_platform::SdlWindowFromHandle(window)) SDL_SetWindowFullscreen(sdlWindow, 0);
  SetWindowLongW(window, GWL_STYLE, static_cast<LONG>(windowedStyle_));
  SetWindowPos(window, HWND_NOTOPMOST, windowedRect_.left, windowedRect_.top, windowedRect_.right - windowedRect_.left,
               windowedRect_.bottom - windowedRect_.top, SWP_FRAMECHANGED | SWP_NOACTIVATE);
}

HRESULT SwapChain::SetFullscreenState(BOOL fullscreen, IDXGIOutput* target) {
  if (target != nullptr && dynamic_cast<Output*>(target) == nullptr) {
    return Fail("IDXGISwapChain::SetFullscreenState", DXGI_ERROR_INVALID_CALL,
                "pTarget is not an output this layer enumerated");
  }
  if (!IsWindow(desc_.OutputWindow)) {
    return Fail("IDXGISwapChain::SetFullscreenState", DXGI_ERROR_INVALID_CALL, "the swap chain's window is gone");
  }
  const bool wanted = fullscreen != FALSE;
  if (wanted == !desc_.Windowed) {
    // Already so; a new target while full screen moves to it.
    if (!wanted || target == nullptr || target == fullscreenOutput_.Get()) return S_OK;
    LeaveFullscreen();
  }
  if (!wanted) {
    LeaveFullscreen();
    return S_OK;
  }
  return EnterFullscreen(target);
}

HRESULT SwapChain::GetFullscreenState(BOOL* fullscreen, IDXGIOutput** target) {
  if (fullscreen != nullptr) *fullscreen = desc_.Windowed ? FALSE : TRUE;
  if (target != nullptr) {
    *target = fullscreenOutput_.Get();
    if (*target != nullptr) (*target)->AddRef();
  }
  return S_OK;
}

HRESULT SwapChain::ResizeTarget(const DXGI_MODE_DESC* parameters) {
  constexpr const char* kCall = "IDXGISwapChain::ResizeTarget";
  if (parameters == nullptr) return Fail(kCall, DXGI_ERROR_INVALID_CALL, "pNewTargetParameters is null");
  // Full screen covers the output at the desktop's mode, which is never switched: the window keeps its size.
  if (!desc_.Windowed) return S_OK;
  const HWND window = desc_.OutputWindow;
  RECT client{};
  GetClientRect(window, &client);
  RECT outer{0, 0, parameters->Width != 0 ? static_cast<LONG>(parameters->Width) : client.right,
             parameters->Height != 0 ? static_cast<LONG>(parameters->Height) : client.bottom};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
  SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return S_OK;
}

HRESULT SwapChain::GetContainingOutput(IDXGIOutput** output) {
  constexpr const char* kCall = "IDXGISwapChain::GetContainingOutput";
  if (output == nullptr) return Fail(kCall, DXGI_ERROR_INVALID_CALL, "ppOutput is null");
  *output = nullptr;
  return ContainingOutput(kCall, output);
}

}  // namespace d3d12vk
