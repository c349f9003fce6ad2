// The sample's entry point as on Windows, and the one line Linux needs: a main that calls WinMain. The test
// glue after it checks that the Vulkan validation layer stayed silent.
#include "TriangleSample.h"

#include <d3d12_vk_diagnostics.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nCmdShow) {
  try {
    TriangleSample sample(256, 192, L"Sample-style triangle", 4);
    return Win32Application::Run(&sample, hInstance, nCmdShow);
  } catch (const std::exception& error) {
    OutputDebugStringA(error.what());
    OutputDebugStringA("\n");
    return 1;
  }
}

int main() {
  const int exitCode = WinMain(GetModuleHandle(nullptr), nullptr, nullptr, SW_SHOWDEFAULT);
  const uint32_t validationMessages = d3d12_vk::ValidationMessageCount();
  std::printf("sample exit code %d, %u validation messages\n", exitCode, validationMessages);
  return exitCode == 0 && validationMessages == 0 ? 0 : 1;
}
