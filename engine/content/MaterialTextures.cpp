#include "content/MaterialTextures.h"

#include "core/ConsoleOutput.h"
#include "core/FatalError.h"
#include "core/PathText.h"

#include <assimp/material.h>
#include <assimp/scene.h>
#include <assimp/texture.h>

#include <algorithm>
#include <cctype>
#include <system_error>

namespace {

uint8_t ChannelByte(float value) { return static_cast<uint8_t>(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f); }

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool IsFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

// The material's base-colour texture path and its type: glTF's base colour first, then the classic diffuse
// slot.
bool BaseColourTexture(const aiMaterial& material, aiString& path, aiTextureType* found = nullptr) {
  for (const aiTextureType type : {aiTextureType_BASE_COLOR, aiTextureType_DIFFUSE}) {
    if (material.GetTextureCount(type) > 0 && material.GetTexture(type, 0, &path) == aiReturn_SUCCESS &&
        path.length > 0) {
      if (found != nullptr) {
        *found = type;
      }
      return true;
    }
  }
  return false;
}

DecodedImage MaterialColour(const aiMaterial& material) {
  aiColor4D colour(1.0f, 1.0f, 1.0f, 1.0f);
  if (material.Get(AI_MATKEY_BASE_COLOR, colour) != aiReturn_SUCCESS) {
    material.Get(AI_MATKEY_COLOR_DIFFUSE, colour);
  }
  return SolidColourImage(colour.r, colour.g, colour.b, colour.a);
}

DecodedImage MaterialImage(const aiScene& scene, const aiMaterial& material, const std::filesystem::path& folder,
                           const std::string& modelPath) {
  aiString named;
  if (!BaseColourTexture(material, named)) {
    return MaterialColour(material);
  }
  const std::string name = named.C_Str();
  try {
    if (const aiTexture* embedded = scene.GetEmbeddedTexture(named.C_Str())) {
      return DecodeEmbeddedTexture(*embedded, WideOf(PathFromUtf8(modelPath).filename()) + L":" + WideFromUtf8(name));
    }
    const std::filesystem::path file = FindTextureFile(folder, name);
    if (file.empty()) {
      WriteErrorLine(modelPath + ": texture \"" + name +
                     "\" not found beside the model; the material's colour is used");
      return MaterialColour(material);
    }
    return DecodeImage(WideOf(file));
  } catch (const FatalError& error) {
    WriteErrorLine(std::string(error.what()) + "; the material's colour is used");
    return MaterialColour(material);
  }
}

}  // namespace

DecodedImage SolidColourImage(float red, float green, float blue, float alpha) {
  DecodedImage image;
  image.FileName = L"material colour";
  image.Width = 1;
  image.Height = 1;
  image.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  image.RowPitch = 4;
  image.ByteSize = 4;
  image.Pixels = {ChannelByte(red), ChannelByte(green), ChannelByte(blue), ChannelByte(alpha)};
  return image;
}

DecodedImage DecodeEmbeddedTexture(const aiTexture& texture, const std::wstring& name) {
  if (texture.pcData == nullptr || texture.mWidth == 0) {
    throw FatalError(ToUtf8(name) + ": the embedded texture is empty");
  }
  // A height of 0 marks a compressed file of mWidth bytes.
  if (texture.mHeight == 0) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(texture.pcData);
    return DecodeImageInMemory(std::vector<uint8_t>(bytes, bytes + texture.mWidth), name);
  }
  DecodedImage image;
  image.FileName = name;
  image.Width = texture.mWidth;
  image.Height = texture.mHeight;
  image.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  image.RowPitch = 4 * image.Width;
  image.ByteSize = image.RowPitch * image.Height;
  image.Pixels.reserve(image.ByteSize);
  for (size_t t = 0; t < size_t{image.Width} * image.Height; ++t) {
    const aiTexel& texel = texture.pcData[t];
    image.Pixels.insert(image.Pixels.end(), {texel.r, texel.g, texel.b, texel.a});
  }
  return image;
}

std::filesystem::path FindTextureFile(const std::filesystem::path& modelFolder, const std::string& named) {
  std::string portable = named;
  std::replace(portable.begin(), portable.end(), '\\', '/');
  const std::filesystem::path relative = PathFromUtf8(portable);
  // As named, relative to the model; then the bare file name beside the model.
  for (const std::filesystem::path& candidate : {modelFolder / relative, modelFolder / relative.filename()}) {
    if (IsFile(candidate)) {
      return candidate;
    }
  }
  const std::string wanted = Lowercase(Utf8Of(relative.filename()));
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(modelFolder, error)) {
    if (entry.is_regular_file(error) && Lowercase(Utf8Of(entry.path().filename())) == wanted) {
      return entry.path();
    }
  }
  return {};
}

std::vector<DecodedImage> DecodeMaterialImages(const aiScene& scene, const std::string& modelPath) {
  const std::filesystem::path folder = PathFromUtf8(modelPath).parent_path();
  std::vector<DecodedImage> images;
  for (unsigned int m = 0; scene.mMaterials != nullptr && m < scene.mNumMaterials; ++m) {
    images.push_back(scene.mMaterials[m] != nullptr ? MaterialImage(scene, *scene.mMaterials[m], folder, modelPath)
                                                    : SolidColourImage(1.0f, 1.0f, 1.0f, 1.0f));
  }
  return images;
}

unsigned int BaseColourTexCoordSet(const aiMaterial& material) {
  aiString path;
  aiTextureType type = aiTextureType_DIFFUSE;
  int set = 0;
  if (BaseColourTexture(material, path, &type) && material.Get(AI_MATKEY_UVWSRC(type, 0), set) == aiReturn_SUCCESS &&
      set > 0) {
    return static_cast<unsigned int>(set);
  }
  return 0;
}
