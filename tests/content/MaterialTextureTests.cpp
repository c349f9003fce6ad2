// Each material's own base-colour image for viewer mode: files beside the model as real files name them,
// embedded compressed and raw textures, and the material's colour where there is no usable texture.
#include "content/MaterialTextures.h"
#include "support/PngWriter.h"
#include "support/ScratchFolder.h"
#include "support/TestScenes.h"

#include <assimp/material.h>
#include <assimp/scene.h>
#include <assimp/texture.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

using testing::ElementsAre;
using testing::HasSubstr;

namespace {

// A material with the diffuse colour and, when `texture` is not empty, that diffuse texture path.
aiMaterial* MakeMaterial(aiColor4D colour, const std::string& texture = "") {
  auto* material = new aiMaterial();
  material->AddProperty(&colour, 1, AI_MATKEY_COLOR_DIFFUSE);
  if (!texture.empty()) {
    const aiString path(texture);
    material->AddProperty(&path, AI_MATKEY_TEXTURE(aiTextureType_DIFFUSE, 0));
  }
  return material;
}

void SetMaterials(aiScene& scene, const std::vector<aiMaterial*>& materials) {
  scene.mNumMaterials = static_cast<unsigned int>(materials.size());
  scene.mMaterials = new aiMaterial*[materials.size()];
  std::copy(materials.begin(), materials.end(), scene.mMaterials);
}

// A 2 x 1 PNG: a red texel, then a green one.
void WriteTwoTexelPng(const std::string& path) {
  ASSERT_TRUE(WritePng(path, MakePng(PNG_COLOR_TYPE_RGB, 8, 2, 1, {255, 0, 0, 0, 255, 0})));
}

}  // namespace

TEST(MaterialTextures, FilesAreFoundThroughBackslashesOtherFoldersAndAnotherCase) {
  ScratchFolder folder;
  std::filesystem::create_directories(folder.Path() / "textures");
  folder.WriteFile("textures/Skin.png", "x");
  folder.WriteFile("Wood.JPG", "x");
  const std::filesystem::path here = folder.Path();
  EXPECT_EQ(FindTextureFile(here, "textures\\Skin.png"), here / "textures/Skin.png");
  EXPECT_EQ(FindTextureFile(here, "textures/Skin.png"), here / "textures/Skin.png");
  // A path from the exporter's machine: only the name is left to go by, in whatever case.
  EXPECT_EQ(FindTextureFile(here, "D:\\art\\old\\wood.jpg"), here / "Wood.JPG");
  EXPECT_EQ(FindTextureFile(here, "D:\\art\\old\\missing.png"), std::filesystem::path());
}

TEST(MaterialTextures, EmbeddedCompressedAndRawTexturesDecodeToTheirTexels) {
  ScratchFolder folder;
  WriteTwoTexelPng("two.png");
  ASSERT_FALSE(HasFatalFailure());
  const std::vector<uint8_t> bytes = ReadBytes("two.png");
  aiTexture compressed;
  compressed.mWidth = static_cast<unsigned int>(bytes.size());
  compressed.mHeight = 0;
  compressed.pcData = reinterpret_cast<aiTexel*>(new uint8_t[bytes.size()]);
  std::memcpy(compressed.pcData, bytes.data(), bytes.size());
  const DecodedImage fromPng = DecodeEmbeddedTexture(compressed, L"*0");
  EXPECT_EQ(fromPng.Width, 2u);
  EXPECT_EQ(fromPng.Height, 1u);
  EXPECT_GT(fromPng.ByteSize, 0u);

  aiTexture raw;
  raw.mWidth = 2;
  raw.mHeight = 1;
  raw.pcData = new aiTexel[2];
  raw.pcData[0] = {10, 20, 30, 40};  // b, g, r, a
  raw.pcData[1] = {50, 60, 70, 80};
  const DecodedImage fromTexels = DecodeEmbeddedTexture(raw, L"*1");
  EXPECT_EQ(fromTexels.Format, DXGI_FORMAT_R8G8B8A8_UNORM);
  EXPECT_THAT(fromTexels.Pixels, ElementsAre(30, 20, 10, 40, 70, 60, 50, 80));
}

TEST(MaterialTextures, EachMaterialGetsItsTextureOrItsColourAndAnUnreadableTextureOneLine) {
  ScratchFolder folder;
  WriteTwoTexelPng("beside.png");
  ASSERT_FALSE(HasFatalFailure());
  folder.WriteFile("broken.png", "not an image");
  const auto scene = test_scenes::MakeScene({});
  SetMaterials(*scene, {MakeMaterial({1.0f, 0.5f, 0.0f, 1.0f}), MakeMaterial({0, 0, 1, 1}, "C:\\work\\BESIDE.png"),
                        MakeMaterial({0, 1, 0, 1}, "missing.png"), MakeMaterial({0.2f, 0.2f, 0.2f, 1}, "broken.png")});
  const std::string model = (folder.Path() / "model.fbx").string();

  testing::internal::CaptureStderr();
  const std::vector<DecodedImage> images = DecodeMaterialImages(*scene, model);
  const std::string errors = testing::internal::GetCapturedStderr();
  ASSERT_EQ(images.size(), 4u);
  EXPECT_THAT(images[0].Pixels, ElementsAre(255, 128, 0, 255));  // no texture: the diffuse colour
  EXPECT_EQ(images[1].Width, 2u);                                // found beside the model
  EXPECT_THAT(images[2].Pixels, ElementsAre(0, 255, 0, 255));
  EXPECT_THAT(images[3].Pixels, ElementsAre(51, 51, 51, 255));
  EXPECT_THAT(errors, HasSubstr("model.fbx: texture \"missing.png\" not found beside the model"));
  EXPECT_THAT(errors, HasSubstr("broken.png: cannot open the image"));
}

TEST(MaterialTextures, TgaTexturesBesideTheModelOrEmbeddedDecodeToTheirTexels) {
  // A 2 x 1 true-colour TGA, top row first: a blue texel, then a red one (stored as BGR).
  const char bytes[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0x20, '\xFF', 0, 0, 0, 0, '\xFF'};
  const std::string tga(bytes, sizeof(bytes));
  ScratchFolder folder;
  folder.WriteFile("skin.tga", tga);
  const auto scene = test_scenes::MakeScene({});
  SetMaterials(*scene, {MakeMaterial({0, 0, 0, 1}, "textures\\SKIN.TGA"), MakeMaterial({0, 0, 0, 1}, "*0")});
  auto* embedded = new aiTexture();
  embedded->mWidth = static_cast<unsigned int>(tga.size());
  embedded->mHeight = 0;
  std::strcpy(embedded->achFormatHint, "tga");
  embedded->pcData = reinterpret_cast<aiTexel*>(new uint8_t[tga.size()]);
  std::memcpy(embedded->pcData, tga.data(), tga.size());
  scene->mNumTextures = 1;
  scene->mTextures = new aiTexture* [1] { embedded };

  testing::internal::CaptureStderr();
  const std::vector<DecodedImage> images = DecodeMaterialImages(*scene, (folder.Path() / "model.fbx").string());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  ASSERT_EQ(images.size(), 2u);
  for (const DecodedImage& image : images) {
    EXPECT_EQ(image.Format, DXGI_FORMAT_R8G8B8A8_UNORM);
    EXPECT_THAT(image.Pixels, ElementsAre(0, 0, 255, 255, 255, 0, 0, 255));
  }
}
