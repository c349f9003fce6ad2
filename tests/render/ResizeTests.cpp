// OnResize on the Direct3D 12 layer: every size-dependent object is rebuilt at the new size, a same-size
// resize still runs every step, and a minimised window's 0 x 0 reaches none of them.
#include "support/RendererFixture.h"

#include "app/InputState.h"
#include "app/MainLoop.h"
#include "render/DescriptorHeaps.h"
#include "render/SwapChain.h"
#include "text/TextLabel.h"

#include <d3d12_vk_diagnostics.h>
#include <win32_test.h>

namespace {

constexpr float Green[4] = {0.0f, 1.0f, 0.0f, 1.0f};

void ExpectSize(ID3D12Resource* resource, uint64_t width, uint32_t height) {
  const D3D12_RESOURCE_DESC description = resource->GetDesc();
  EXPECT_EQ(description.Width, width);
  EXPECT_EQ(description.Height, height);
}

void ExpectViewport(const Renderer& renderer, float width, float height) {
  EXPECT_EQ(renderer.Viewport.Width, width);
  EXPECT_EQ(renderer.Viewport.Height, height);
  EXPECT_EQ(renderer.ScissorRect.right, static_cast<LONG>(width));
  EXPECT_EQ(renderer.ScissorRect.bottom, static_cast<LONG>(height));
}

class Resize : public RendererFixture {
 protected:
  // Start-up as the program runs it, up to the first pass of the main loop, which resizes to the size the
  // window reported at creation.
  void StartAndSettle() {
    StartRenderer();
    renderer->SetupCamera();
    DispatchPendingMessages();
    ApplyPendingResize(*renderer);
  }

  void DispatchPendingMessages() {
    MSG message = {};
    while (DispatchOneMessage(message)) {}
  }

  // One pass of the main loop's resize step after the window system changed the window.
  std::vector<std::string> ResizeStep() {
    DispatchPendingMessages();
    LogCapture log;
    ApplyPendingResize(*renderer);
    return log.Messages();
  }
};

TEST_F(Resize, RebuildsEverySizedObjectAtTheNewSize) {
  StartRenderer();
  renderer->SetupCamera();
  renderer->TextLabels.emplace_back(800.0f, 600.0f, 500.0f, 0.0f, 200.0f, 70.0f);
  renderer->SwapChain->CurrentBackBuffer = 1;
  renderer->CameraChanged = false;
  const uint64_t fenceBefore = renderer->FenceValue;

  renderer->Width = 640;
  renderer->Height = 480;
  LogCapture log;
  renderer->OnResize();
  EXPECT_EQ(log.Messages(), std::vector<std::string>{"Resize Performed"});

  EXPECT_EQ(renderer->FenceValue, fenceBefore + 2);
  EXPECT_EQ(renderer->Fence->GetCompletedValue(), renderer->FenceValue);
  EXPECT_EQ(renderer->SwapChain->CurrentBackBuffer, 0);
  for (ID3D12Resource* buffer : renderer->SwapChain->BackBuffers) {
    ExpectSize(buffer, 640, 480);
  }
  EXPECT_EQ(renderer->SwapChain->Width, 800);  // the size it was made with
  ExpectSize(renderer->DepthStencilBuffer, 640, 480);
  ExpectViewport(*renderer, 640.0f, 480.0f);

  const Camera& camera = renderer->Camera;
  EXPECT_EQ(camera.FieldOfViewY, 0.785f);
  EXPECT_EQ(camera.AspectRatio, 640.0f / 480.0f);
  EXPECT_EQ(camera.NearPlane, 1.0f);
  EXPECT_EQ(camera.FarPlane, 1000.0f);
  EXPECT_TRUE(renderer->CameraChanged);

  EXPECT_FLOAT_EQ(renderer->TextLabels[0].Width, 320.0f);
  EXPECT_FLOAT_EQ(renderer->TextLabels[0].Height, 240.0f);
}

TEST_F(Resize, SameSizeStillRunsEveryStep) {
  StartRenderer();
  renderer->SetupCamera();  // near plane 500 until a resize
  const uint64_t fenceBefore = renderer->FenceValue;
  LogCapture log;
  renderer->OnResize();
  renderer->CameraChanged = false;
  renderer->OnResize();
  EXPECT_EQ(log.Messages(), (std::vector<std::string>{"Resize Performed", "Resize Performed"}));
  EXPECT_EQ(renderer->FenceValue, fenceBefore + 4);
  EXPECT_EQ(renderer->Camera.NearPlane, 1.0f);
  EXPECT_TRUE(renderer->CameraChanged);
  ExpectSize(renderer->SwapChain->BackBuffers[1], 800, 600);
  ExpectSize(renderer->DepthStencilBuffer, 800, 600);
}

TEST_F(Resize, MinimisedWindowKeepsEverythingAndDrawsAgainAfterRestore) {
  StartAndSettle();
  const uint64_t fenceBefore = renderer->FenceValue;
  const float4x4 projection = renderer->Camera.ProjMatrix;

  win32_test::Minimize(window);
  EXPECT_TRUE(ResizeStep().empty());
  EXPECT_EQ(renderer->Width, 0);  // the client size is what the window reports
  EXPECT_EQ(renderer->FenceValue, fenceBefore);
  ExpectSize(renderer->SwapChain->BackBuffers[0], 800, 600);
  ExpectSize(renderer->DepthStencilBuffer, 800, 600);
  ExpectViewport(*renderer, 800.0f, 600.0f);
  EXPECT_EQ(renderer->Camera.ProjMatrix.m[0][0], projection.m[0][0]);
  EXPECT_EQ(renderer->Camera.AspectRatio, 800.0f / 600.0f);
  // Frames go on while the window is minimised.
  ClearAndPresent(Green);

  win32_test::Restore(window);
  EXPECT_EQ(ResizeStep(), std::vector<std::string>{"Resize Performed"});
  ExpectViewport(*renderer, 800.0f, 600.0f);
  ClearAndPresent(Green);
  std::vector<uint8_t> frame;
  UINT width = 0;
  UINT height = 0;
  ASSERT_SUCCEEDED(d3d12_vk::ReadLastPresentedFrame(renderer->SwapChain->Chain, &frame, &width, &height));
  EXPECT_EQ(width, 800u);
  EXPECT_EQ(height, 600u);
  EXPECT_TRUE(frame == SolidPixels(Green, 800 * 600));
  // The new depth buffer is in DEPTH_WRITE again (the validation layer checks the clear's layout).
  BeginCommands();
  renderer->CommandList->ClearDepthStencilView(renderer->Heaps->DsvHeap->GetCPUDescriptorHandleForHeapStart(),
                                               D3D12_CLEAR_FLAG_DEPTH, 1.0f, 0, 0, nullptr);
  SubmitAndWait();
}

}  // namespace
