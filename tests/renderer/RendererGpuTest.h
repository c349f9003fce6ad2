// A Renderer on the Direct3D 12 layer, in the in-memory window of the Win32 layer (its swap chain renders
// off-screen), with what the tests need to look at its GPU objects: resources read back, views drawn, the
// console log of a step. Every test fails if the Vulkan validation layer reported anything.
#pragma once

#include "render/Renderer.h"
#include "support/ValidationWatch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <d3d12.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// GoogleTest's HRESULT checks exist on Windows only.
#define ASSERT_SUCCEEDED(expression) ASSERT_GE((expression), 0) << #expression

// The log lines of the steps it runs, without their result texts.
class LogCapture {
 public:
  LogCapture();
  std::vector<std::string> Messages();
};

class RendererGpuTest : public testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // InitDirect3D, with the log lines it wrote.
  std::vector<std::string> StartRenderer();

  // Resets the Renderer's command list for a test's own commands; SubmitAndWait runs them.
  void BeginCommands();
  void SubmitAndWait();

  // The pixels of a texture or back buffer in `state`, rows tightly packed, 4 bytes a pixel (or as the
  // format has them). The resource is back in `state` afterwards.
  std::vector<uint8_t> ReadBack(ID3D12Resource* resource, D3D12_RESOURCE_STATES state);

  // Draws the shader-resource view in `slot` of the shader-visible heap texel for texel into an RGBA8
  // target of width x height and returns the target's pixels.
  std::vector<uint8_t> DrawTextureView(int slot, uint32_t width, uint32_t height);

  // Clears the current back buffer through its render-target view and presents it.
  void ClearAndPresent(const float rgba[4]);

  D3D12_CPU_DESCRIPTOR_HANDLE RenderTargetView(int slot) const;

  HWND window = {};
  std::unique_ptr<Renderer> renderer;

 private:
  ValidationWatch validation_;
};

// RGBA8 of a solid colour given as floats, as a clear writes it.
std::vector<uint8_t> SolidPixels(const float rgba[4], size_t pixelCount);
