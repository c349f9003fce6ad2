// The model's buffers on the GPU through the Direct3D 12 layer: their contents read back, and the posed
// character drawn at two animation times. Writes character-poses.png (the two poses side by side) into
// the working directory to be looked at.
#include "GpuModel.h"
#include "anim/Animation.h"
#include "content/ModelLoader.h"
#include "content/SceneImport.h"
#include "support/PngWriter.h"
#include "support/ValidationWatch.h"

#include <assimp/cimport.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

const std::string CharacterPath = std::string(ENGINE_ASSETS_DIR) + "/char.fbx";
constexpr uint32_t ImageWidth = 400;
constexpr uint32_t ImageHeight = 300;

struct Silhouette {
  uint32_t Left = ImageWidth, Top = ImageHeight, Right = 0, Bottom = 0;
  size_t Area = 0;
};

Silhouette SilhouetteOf(const std::vector<uint32_t>& pixels) {
  Silhouette s;
  for (uint32_t y = 0; y < ImageHeight; ++y) {
    for (uint32_t x = 0; x < ImageWidth; ++x) {
      if ((pixels[y * ImageWidth + x] & 0xFFFFFF) != 0) {
        s.Left = std::min(s.Left, x);
        s.Right = std::max(s.Right, x);
        s.Top = std::min(s.Top, y);
        s.Bottom = std::max(s.Bottom, y);
        ++s.Area;
      }
    }
  }
  return s;
}

std::vector<uint32_t> SideBySide(const std::vector<uint32_t>& left, const std::vector<uint32_t>& right) {
  std::vector<uint32_t> joined;
  for (uint32_t y = 0; y < ImageHeight; ++y) {
    joined.insert(joined.end(), left.begin() + y * ImageWidth, left.begin() + (y + 1) * ImageWidth);
    joined.insert(joined.end(), right.begin() + y * ImageWidth, right.begin() + (y + 1) * ImageWidth);
  }
  return joined;
}

}  // namespace

class ModelGpu : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(CharacterPath)) << "the committed " << CharacterPath << " is missing";
    ASSERT_NO_FATAL_FAILURE(validation_.Start());
  }

  void TearDown() override {
    validation_.ExpectSilent();
    for (ID3D12Resource* buffer : {model.VertexBuffer, model.IndexBuffer, model.VertexUpload, model.IndexUpload}) {
      if (buffer != nullptr) buffer->Release();
    }
    aiReleaseImport(model.Scene);
  }

  // The character loaded as content loading does it: recorded on an open list, then submitted and
  // waited for.
  void LoadCharacter() {
    ModelLoader loader;
    loader.Device = gpu.device.Get();
    loader.CommandList = gpu.list.Get();
    model = loader.LoadModel(CharacterPath);
    gpu.ExecuteAndWait();
  }

  GpuModel gpu;
  Model model;

 private:
  ValidationWatch validation_;
};

TEST_F(ModelGpu, BuffersHoldTheImportedVerticesAndIndices) {
  LoadCharacter();
  const aiScene* scene = ImportScene(CharacterPath);
  ModelLoader cpuLoader;
  Model cpuModel;
  const ModelArrays arrays = cpuLoader.ReadScene(*scene, CharacterPath, cpuModel);

  ASSERT_EQ(model.VertexBufferSize, arrays.Vertices.size() * sizeof(SkinnedVertex));
  ASSERT_EQ(model.IndexBufferSize, arrays.Indices.size() * sizeof(uint16_t));
  EXPECT_EQ(model.VertexStride, 80u);
  EXPECT_EQ(model.IndexFormat, DXGI_FORMAT_R16_UINT);
  const std::vector<uint8_t> vertices =
      gpu.ReadBuffer(model.VertexBuffer, model.VertexBufferSize, D3D12_RESOURCE_STATE_GENERIC_READ);
  EXPECT_EQ(std::memcmp(vertices.data(), arrays.Vertices.data(), vertices.size()), 0);
  const std::vector<uint8_t> indices =
      gpu.ReadBuffer(model.IndexBuffer, model.IndexBufferSize, D3D12_RESOURCE_STATE_GENERIC_READ);
  EXPECT_EQ(std::memcmp(indices.data(), arrays.Indices.data(), indices.size()), 0);
  aiReleaseImport(scene);
}

TEST_F(ModelGpu, PosedCharacterStandsInViewInTwoDifferentPoses) {
  LoadCharacter();
  std::vector<float4x4> palette;
  std::vector<std::vector<uint32_t>> images;
  for (float seconds : {0.1f, 0.6f}) {
    UpdateAnimation(model, TimerAtPreviousFrame(seconds), palette);
    images.push_back(gpu.DrawPosed(model, palette, ImageWidth, ImageHeight));
  }
  EXPECT_TRUE(
      WriteRgbaPng("character-poses.png", SideBySide(images[0], images[1]).data(), 2 * ImageWidth, ImageHeight));

  for (const std::vector<uint32_t>& image : images) {
    const Silhouette s = SilhouetteOf(image);
    const uint32_t width = s.Right - s.Left + 1;
    const uint32_t height = s.Bottom - s.Top + 1;
    EXPECT_GT(s.Top, 0u) << "cut off at the top";
    EXPECT_LT(s.Bottom, ImageHeight - 1) << "cut off at the bottom";
    EXPECT_GT(height, ImageHeight * 7 / 10) << "about three units tall fills most of the view";
    EXPECT_GT(height, 2 * width) << "standing upright";
    EXPECT_NEAR((s.Left + s.Right) / 2.0, ImageWidth / 2.0, ImageWidth / 10.0) << "centred";
  }
  size_t changed = 0;
  for (size_t i = 0; i < images[0].size(); ++i) {
    changed += (images[0][i] & 0xFFFFFF) != (images[1][i] & 0xFFFFFF);
  }
  EXPECT_GT(changed, SilhouetteOf(images[0]).Area / 20) << "the two poses should differ visibly";
}
