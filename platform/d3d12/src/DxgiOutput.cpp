#include "DxgiOutput.h"

#include "Diagnostics.h"

#include <win32_platform.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cwchar>
#include <thread>

namespace d3d12vk {
namespace {

constexpr int kAssumedRefreshRate = 60;

// The display, or the first one if displays went away since the output was made.
win32_platform::Display DisplayAt(size_t index) {
  auto displays = win32_platform::Displays();
  return index < displays.size() ? displays[index] : displays.front();
}

DXGI_MODE_DESC ModeDesc(const win32_platform::DisplayMode& mode, DXGI_FORMAT format) {
  DXGI_MODE_DESC desc{};
  desc.Width = static_cast<UINT>(mode.width);
  desc.Height = static_cast<UINT>(mode.height);
  desc.RefreshRate = {static_cast<UINT>(mode.refreshRate), mode.refreshRate > 0 ? 1u : 0u};
  desc.Format = format;
  desc.ScanlineOrdering = DXGI_MODE_SCANLINE_ORDER_PROGRESSIVE;
  desc.Scaling = DXGI_MODE_SCALING_UNSPECIFIED;
  return desc;
}

// Windows lists modes from the smallest up.
std::vector<win32_platform::DisplayMode> AscendingModes(const win32_platform::Display& display) {
  auto modes = display.modes;
  std::sort(modes.begin(), modes.end(), [](const auto& a, const auto& b) {
    return std::tie(a.width, a.height, a.refreshRate) < std::tie(b.width, b.height, b.refreshRate);
  });
  return modes;
}

double RefreshOf(const DXGI_RATIONAL& rate) {
  return rate.Denominator == 0 ? 0.0 : static_cast<double>(rate.Numerator) / rate.Denominator;
}

// How far a mode is from the wanted one: the size first, then the refresh rate; unspecified parts (0)
// match anything.
double Distance(const win32_platform::DisplayMode& mode, const DXGI_MODE_DESC& wanted) {
  double distance = 0.0;
  if (wanted.Width != 0 && wanted.Height != 0) {
    distance += 1e6 * (std::abs(mode.width - static_cast<int>(wanted.Width)) +
                       std::abs(mode.height - static_cast<int>(wanted.Height)));
  }
  const double refresh = RefreshOf(wanted.RefreshRate);
  if (refresh > 0.0) distance += std::abs(mode.refreshRate - refresh);
  return distance;
}

}  // namespace

bool IsDisplayModeFormat(DXGI_FORMAT format) {
  switch (format) {
    case DXGI_FORMAT_R8G8B8A8_UNORM:
    case DXGI_FORMAT_R8G8B8A8_UNORM_SRGB:
    case DXGI_FORMAT_B8G8R8A8_UNORM:
    case DXGI_FORMAT_B8G8R8A8_UNORM_SRGB:
    case DXGI_FORMAT_R10G10B10A2_UNORM:
    case DXGI_FORMAT_R16G16B16A16_FLOAT:
      return true;
    default:
      return false;
  }
}

Output::Output(IDXGIAdapter* parent, size_t displayIndex) : parent_(parent), displayIndex_(displayIndex) {}

HRESULT Output::GetParent(REFIID riid, void** parent) {
  if (parent == nullptr) return E_POINTER;
  return parent_->QueryInterface(riid, parent);
}

HRESULT Output::GetDesc(DXGI_OUTPUT_DESC* desc) {
  if (desc == nullptr) return Fail("IDXGIOutput::GetDesc", E_INVALIDARG, "pDesc is null");
  const auto display = DisplayAt(displayIndex_);
  *desc = DXGI_OUTPUT_DESC{};
  std::wcsncpy(desc->DeviceName, display.deviceName.c_str(), 31);
  desc->DesktopCoordinates = display.bounds;
  desc->AttachedToDesktop = TRUE;
  desc->Rotation = DXGI_MODE_ROTATION_IDENTITY;
  desc->Monitor = display.monitor;
  return S_OK;
}

HRESULT Output::GetDisplayModeList(DXGI_FORMAT format, UINT, UINT* count, DXGI_MODE_DESC* modes) {
  constexpr const char* kCall = "IDXGIOutput::GetDisplayModeList";
  if (count == nullptr) return Fail(kCall, DXGI_ERROR_INVALID_CALL, "pNumModes is null");
  const auto available = IsDisplayModeFormat(format) ? AscendingModes(DisplayAt(displayIndex_))
                                                     : std::vector<win32_platform::DisplayMode>{};
  const auto total = static_cast<UINT>(available.size());
  if (modes == nullptr) {
    *count = total;
    return S_OK;
  }
  const UINT written = std::min(*count, total);
  for (UINT i = 0; i < written; ++i) modes[i] = ModeDesc(available[i], format);
  // Windows fills what fits and says there was more.
  const bool more = *count < total;
  *count = written;
  return more ? DXGI_ERROR_MORE_DATA : S_OK;
}

HRESULT Output::FindClosestMatchingMode(const DXGI_MODE_DESC* wanted, DXGI_MODE_DESC* closest, IUnknown* device) {
  constexpr const char* kCall = "IDXGIOutput::FindClosestMatchingMode";
  if (wanted == nullptr || closest == nullptr) return Fail(kCall, DXGI_ERROR_INVALID_CALL, "a mode pointer is null");
  if (wanted->Format == DXGI_FORMAT_UNKNOWN && device == nullptr) {
    return Fail(kCall, DXGI_ERROR_INVALID_CALL, "an UNKNOWN format needs pConcernedDevice");
  }
  if ((wanted->Width == 0) != (wanted->Height == 0)) {
    return Fail(kCall, DXGI_ERROR_INVALID_CALL, "Width and Height must both be 0 or both be set");
  }
  const DXGI_FORMAT format = wanted->Format == DXGI_FORMAT_UNKNOWN ? DXGI_FORMAT_R8G8B8A8_UNORM : wanted->Format;
  if (!IsDisplayModeFormat(format)) return Fail(kCall, DXGI_ERROR_NOT_FOUND, "no display mode has that format");
  const auto modes = AscendingModes(DisplayAt(displayIndex_));
  const auto best = std::min_element(modes.begin(), modes.end(), [&](const auto& a, const auto& b) {
    return Distance(a, *wanted) < Distance(b, *wanted);
  });
  *closest = ModeDesc(*best, format);
  return S_OK;
}

HRESULT Output::WaitForVBlank() {
  // The window system does not say when its blanks are: wait for the next period of the display's rate.
  const int rate = DisplayAt(displayIndex_).current.refreshRate;
  const auto period = std::chrono::nanoseconds(1000000000LL / (rate > 0 ? rate : kAssumedRefreshRate));
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  std::this_thread::sleep_for(period - now % period);
  return S_OK;
}

HRESULT Output::TakeOwnership(IUnknown*, BOOL) {
  return Fail("IDXGIOutput::TakeOwnership", DXGI_ERROR_NOT_CURRENTLY_AVAILABLE,
              "outputs are owned through SetFullscreenState only");
}

// Gamma ramps belong to exclusive full screen, which the desktop full screen here never is; Windows answers
// windowed swap chains the same way.
HRESULT Output::GetGammaControlCapabilities(DXGI_GAMMA_CONTROL_CAPABILITIES*) {
  return DXGI_ERROR_NOT_CURRENTLY_AVAILABLE;
}
HRESULT Output::SetGammaControl(const DXGI_GAMMA_CONTROL*) { return DXGI_ERROR_NOT_CURRENTLY_AVAILABLE; }
HRESULT Output::GetGammaControl(DXGI_GAMMA_CONTROL*) { return DXGI_ERROR_NOT_CURRENTLY_AVAILABLE; }
HRESULT Output::SetDisplaySurface(IDXGISurface*) { return DXGI_ERROR_UNSUPPORTED; }
HRESULT Output::GetDisplaySurfaceData(IDXGISurface*) { return DXGI_ERROR_UNSUPPORTED; }
HRESULT Output::GetFrameStatistics(DXGI_FRAME_STATISTICS*) { return DXGI_ERROR_NOT_CURRENTLY_AVAILABLE; }

}  // namespace d3d12vk
