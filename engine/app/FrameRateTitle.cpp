#include "app/FrameRateTitle.h"

#include "core/FrameTimer.h"

#include <cwchar>
#include <iterator>

int32_t FrameCount = 0;
float TitleMark = 0.0f;

namespace {

// Six digits after the point, as "%f" prints the value widened to f64.
std::wstring FixedSixDigits(float value) {
  // Room for any f32 ("%f" of FLT_MAX has 39 digits before the point).
  wchar_t text[64];
  const int length = std::swprintf(text, std::size(text), L"%f", static_cast<double>(value));
  return std::wstring(text, length > 0 ? static_cast<size_t>(length) : 0);
}

}  // namespace

std::wstring FrameRateText(int32_t passCount) {
  const float framesPerSecond = static_cast<float>(passCount);
  const float millisecondsPerFrame = 1000.0f / framesPerSecond;
  return L"fps: " + FixedSixDigits(framesPerSecond) + L" mspf: " + FixedSixDigits(millisecondsPerFrame);
}

void CountPassAndUpdateTitle(HWND window, const FrameTimer& timer) {
  FrameCount += 1;
  if (timer.Elapsed() - TitleMark < 1.0f) {
    return;
  }
  SetWindowTextW(window, FrameRateText(FrameCount).c_str());
  FrameCount = 0;
  TitleMark += 1.0f;
}
