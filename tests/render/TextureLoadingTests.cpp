// LoadTextures on the real assets: both views, drawn texel for texel, show their images; and an upload
// whose rows need aligning arrives intact.
#include "support/RendererFixture.h"

#include "content/TextureLoader.h"

#include <png.h>

#include <string>
#include <vector>

namespace {

struct ReferenceImage {
  uint32_t Width = 0;
  uint32_t Height = 0;
  std::vector<uint8_t> Rgba;
};

// The image as libpng reads it, apart from the decoder under test.
ReferenceImage ReadPng(const char* path) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  ReferenceImage reference;
  if (png_image_begin_read_from_file(&image, path) == 0) {
    ADD_FAILURE() << path << ": " << image.message;
    return reference;
  }
  image.format = PNG_FORMAT_RGBA;
  reference.Width = image.width;
  reference.Height = image.height;
  reference.Rgba.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, reference.Rgba.data(), 0, nullptr) == 0) {
    ADD_FAILURE() << path << ": " << image.message;
  }
  return reference;
}

size_t CountDifferentPixels(const std::vector<uint8_t>& actual, const std::vector<uint8_t>& expected) {
  if (actual.size() != expected.size()) {
    return expected.size() / 4;
  }
  size_t different = 0;
  for (size_t i = 0; i < actual.size(); i += 4) {
    different += std::equal(&actual[i], &actual[i] + 4, &expected[i]) ? 0 : 1;
  }
  return different;
}

using TextureLoading = RendererFixture;

TEST_F(TextureLoading, SlotZeroShowsTheFontAtlasAndSlotOneTheModelTexture) {
  StartRenderer();
  EXPECT_EQ(renderer->TextureCount, 2);
  const char* files[] = {"newarial.png", "blessing-1x.png"};
  for (int slot = 0; slot < 2; ++slot) {
    const ReferenceImage reference = ReadPng(files[slot]);
    const std::vector<uint8_t> drawn = DrawTextureView(slot, reference.Width, reference.Height);
    EXPECT_EQ(CountDifferentPixels(drawn, reference.Rgba), 0u) << "slot " << slot << ", " << files[slot];
  }
}

// Three one-byte pixels make a 3-byte row, but the GPU copies rows 256 bytes apart: the staging buffer
// follows the GPU's layout and the texture still receives exactly the image.
TEST_F(TextureLoading, OddWidthRowsArriveThroughAnAlignedStagingBuffer) {
  StartRenderer();
  DecodedImage image;
  image.FileName = L"odd.png";
  image.Width = 3;
  image.Height = 2;
  image.Format = DXGI_FORMAT_R8_UNORM;
  image.RowPitch = 3;
  image.ByteSize = 6;
  image.Pixels = {10, 20, 30, 40, 50, 60};

  UploadContext context{renderer->Device, renderer->CommandAllocator, renderer->CommandList, renderer->CommandQueue};
  TextureSlot slot;
  BeginCommands();
  UploadTexture(context, image, slot);
  SubmitAndWait();

  EXPECT_GE(slot.Upload->GetDesc().Width, 256u + 3u);
  EXPECT_EQ(ReadBack(slot.Texture, D3D12_RESOURCE_STATE_PIXEL_SHADER_RESOURCE), image.Pixels);
}

}  // namespace
