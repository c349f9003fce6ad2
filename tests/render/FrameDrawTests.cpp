// Frames of the real program drawn off-screen and read back: the background, the translucent text box,
// the textured character, its animation, and the text box underneath a mesh.
#include "support/RendererFixture.h"

#include "render/PipelineLibrary.h"

#include "render/SwapChain.h"

#include <gtest/gtest.h>

#include <string>
#include <unordered_map>

namespace {

constexpr Rgb Background = {240, 255, 255};
// The box's colour at 20 % over the background.
constexpr Rgb TextBox = {197, 250, 224};

bool IsBackground(Rgb pixel) { return Near(pixel, Background, 3); }

// Pixels of the rectangle [left, right) x [top, bottom) that differ between two frames.
int CountDifferences(const FrameImage& a, const FrameImage& b, uint32_t left, uint32_t top, uint32_t right,
                     uint32_t bottom) {
  int count = 0;
  for (uint32_t y = top; y < bottom; ++y) {
    for (uint32_t x = left; x < right; ++x) {
      count += Near(a.Pixel(x, y), b.Pixel(x, y), 0) ? 0 : 1;
    }
  }
  return count;
}

class FrameDraw : public RendererFixture {
 protected:
  void SetUp() override {
    RendererFixture::SetUp();
    StartUp();
  }
};

TEST_F(FrameDraw, ShowsTheBackgroundTheTextBoxAndTheTexturedCharacterInTheMiddle) {
  const uint64_t fenceBefore = renderer->FenceValue;
  DrawFrameAt(0.0f);
  EXPECT_EQ(renderer->SwapChain->CurrentBackBuffer, 1);
  EXPECT_EQ(renderer->FenceValue, fenceBefore + 1);  // presented, then waited for

  const FrameImage frame = LastPresentedFrame();
  ASSERT_EQ(frame.Width, 800u);
  ASSERT_EQ(frame.Height, 600u);
  EXPECT_TRUE(IsBackground(frame.Pixel(5, 595)));
  EXPECT_TRUE(IsBackground(frame.Pixel(795, 595)));
  // After the first resize the box covers half the client area from (500, 0).
  EXPECT_TRUE(Near(frame.Pixel(510, 10), TextBox));
  EXPECT_TRUE(Near(frame.Pixel(790, 290), TextBox));
  EXPECT_TRUE(IsBackground(frame.Pixel(790, 310)));
  EXPECT_TRUE(IsBackground(frame.Pixel(490, 10)));

  // The character stands in the middle, textured: its shirt and trousers are blue, its skin is not.
  int covered = 0, blue = 0;
  for (uint32_t y = 50; y < 550; ++y) {
    for (uint32_t x = 300; x < 500; ++x) {
      const Rgb pixel = frame.Pixel(x, y);
      covered += IsBackground(pixel) ? 0 : 1;
      blue += pixel.B > pixel.R + 40 ? 1 : 0;
    }
  }
  EXPECT_GT(covered, 10000);
  EXPECT_GT(blue, 2000) << "the character shows no texture";
  EXPECT_LT(blue, covered - 2000) << "the character shows no texture";

  DrawFrameAt(0.0f);
  EXPECT_EQ(renderer->SwapChain->CurrentBackBuffer, 0);
}

TEST_F(FrameDraw, TheCharacterMovesWithTheAnimationAndTheBackgroundStaysPut) {
  DrawFrameAt(0.1f);
  const FrameImage early = LastPresentedFrame();
  DrawFrameAt(0.6f);
  const FrameImage later = LastPresentedFrame();
  EXPECT_GT(CountDifferences(early, later, 250, 0, 550, 600), 1000);
  EXPECT_EQ(CountDifferences(early, later, 0, 500, 100, 600), 0);
}

// The frame draws the character with "object"; the skinning variant, "skinned", gives the very same picture
// at any point of the animation, so nothing is lost by never binding it.
TEST_F(FrameDraw, TheObjectStateDrawsTheSkinnedCharacterAsTheSkinnedStateDoes) {
  std::unordered_map<std::string, ID3D12PipelineState*>& states = renderer->Pipelines->PipelineStates;
  ID3D12PipelineState* object = states["object"];
  for (const float seconds : {0.1f, 0.6f}) {
    SCOPED_TRACE(seconds);
    states["object"] = object;
    DrawFrameAt(seconds);
    const FrameImage drawnWithObject = LastPresentedFrame();
    states["object"] = states["skinned"];
    DrawFrameAt(seconds);
    const FrameImage drawnWithSkinned = LastPresentedFrame();
    EXPECT_EQ(CountDifferences(drawnWithObject, drawnWithSkinned, 0, 0, 800, 600), 0);
  }
  states["object"] = object;
}

TEST_F(FrameDraw, AMeshInFrontOfTheTextBoxHidesIt) {
  // Moved right, the character stands inside the box's rectangle.
  renderer->Meshes[0].World = Translation(1.4f, 0.0f, 0.0f);
  renderer->Meshes[0].Dirty = true;
  DrawFrameAt(0.0f);
  const FrameImage withBox = LastPresentedFrame();
  renderer->TextLabels[0].InstanceCount = 0;
  DrawFrameAt(0.0f);
  const FrameImage withoutBox = LastPresentedFrame();

  // Inside the box, wherever the character is, the frame is the same with and without the box.
  int characterInBox = 0, boxOverCharacter = 0, boxMissing = 0;
  for (uint32_t y = 40; y < 290; ++y) {
    for (uint32_t x = 510; x < 790; ++x) {
      const Rgb pixel = withoutBox.Pixel(x, y);
      if (IsBackground(pixel)) {
        boxMissing += Near(withBox.Pixel(x, y), TextBox) ? 0 : 1;
      } else {
        ++characterInBox;
        boxOverCharacter += Near(withBox.Pixel(x, y), pixel, 0) ? 0 : 1;
      }
    }
  }
  EXPECT_GT(characterInBox, 3000);
  EXPECT_EQ(boxOverCharacter, 0);
  EXPECT_EQ(boxMissing, 0);
}

}  // namespace
