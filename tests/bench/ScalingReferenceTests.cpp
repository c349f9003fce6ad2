// The scaling benchmark's measuring pieces. Its plain-Vulkan frame must draw the engine's picture, or the
// engine / Vulkan ratio compares unequal work; a fresh viewer process must report its first frame and its
// peak memory, and say so when it could not start.
#include "FreshProcess.h"
#include "ScalingModels.h"
#include "VulkanViewerFrame.h"

#include "content/SkinnedVertex.h"
#include "support/RendererFixture.h"
#include "viewer/ModelViewer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Pixels whose colour differs by more than `tolerance` in a channel.
size_t DifferentPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int tolerance) {
  size_t count = 0;
  for (size_t i = 0; i + 3 < a.size() && i + 3 < b.size(); i += 4) {
    for (int c = 0; c < 3; ++c) {
      if (std::abs(int(a[i + c]) - int(b[i + c])) > tolerance) {
        ++count;
        break;
      }
    }
  }
  return count;
}

class VulkanViewerFrameTest : public RendererFixture, public testing::WithParamInterface<ModelSize> {};

TEST_P(VulkanViewerFrameTest, DrawsTheEnginesPicture) {
  ModelViewer viewer(WriteModel(GetParam(), folder->Path()));
  renderer->Scene = &viewer;
  StartUp();
  DrawFrameAt(0.0f);
  const FrameImage engine = LastPresentedFrame();
  ASSERT_EQ(engine.Rgba.size(), size_t{800} * 600 * 4);
  // The model covers a good part of the view, so a reference that drew nothing could not pass.
  const float clear[4] = {240.0f / 255.0f, 1.0f, 1.0f, 1.0f};
  const size_t pixels = engine.Rgba.size() / 4;
  ASSERT_GT(DifferentPixels(engine.Rgba, SolidPixels(clear, pixels), 2), pixels / 10);

  VulkanViewerFrame vulkan(*renderer, /*validation=*/true);
  ASSERT_EQ(vulkan.Error(), "");
  vulkan.Render();
  vulkan.Render();  // both of its targets, as the benchmark uses them
  const std::vector<uint8_t> reference = vulkan.ReadFrontImage();
  ASSERT_EQ(reference.size(), engine.Rgba.size());
  // The same picture, but for a few edge pixels of bones posed a few milliseconds apart.
  EXPECT_LE(DifferentPixels(engine.Rgba, reference, 2), pixels / 1000);
  EXPECT_EQ(vulkan.ValidationMessages(), 0u);
}

INSTANTIATE_TEST_SUITE_P(OneMeshManyMeshesAndBones, VulkanViewerFrameTest,
                         testing::Values(ModelSize{2000, 1, 0}, ModelSize{2000, 12, 0}, ModelSize{2000, 1, 4},
                                         ModelSize{2000, 12, 4, true}),
                         [](const testing::TestParamInfo<ModelSize>& size) {
                           return std::to_string(size.param.Meshes) + "_meshes_" + std::to_string(size.param.Bones) +
                                  (size.param.Glb ? "_bones_glb" : "_bones");
                         });

TEST(FreshViewerProcess, ReportsFirstFrameAndPeakMemoryOrWhyNot) {
  ScratchFolder folder;
  const std::string model = WriteModel({2000, 1, 0}, folder.Path());
  const FreshProcessFigures figures = MeasureFreshProcess(SCALING_BENCH, model, 2);
  EXPECT_EQ(figures.Error, "");
  EXPECT_GT(figures.FirstFrameSeconds, 0.0);
  // The viewer holds a device, the shader compiler and the model: tens of megabytes, not a few, not gigabytes.
  EXPECT_GT(figures.PeakResidentMegabytes, 20.0);
  EXPECT_LT(figures.PeakResidentMegabytes, 2048.0);
  EXPECT_GT(figures.FirstFrameResidentMegabytes, 20.0);
  EXPECT_LE(figures.FirstFrameResidentMegabytes, figures.PeakResidentMegabytes);
  // "2000 triangles" is a grid of 32 x 32 cells: 33 x 33 vertices, each once, and three 16-bit indices a triangle.
  EXPECT_NEAR(figures.ModelBufferMegabytes, (33 * 33 * sizeof(SkinnedVertex) + 2 * 32 * 32 * 3 * 2) / 1048576.0, 1e-4);

  const FreshProcessFigures missing = MeasureFreshProcess(SCALING_BENCH, (folder.Path() / "none.fbx").string(), 2);
  EXPECT_NE(missing.Error.find("none.fbx"), std::string::npos) << missing.Error;
  EXPECT_EQ(missing.PeakResidentMegabytes, 0.0);
}

}  // namespace
