// The base-colour image of every material of a viewed model: the texture the material names, embedded in
// the file or beside it, or else a single texel of the material's colour.
#pragma once

#include "content/TextureLoader.h"

#include <filesystem>
#include <string>
#include <vector>

struct aiMaterial;
struct aiScene;
struct aiTexture;

// One image per material, in material order. A texture that cannot be found or decoded gives one line on
// stderr and the material's colour instead: the model still shows, in its flat colours.
std::vector<DecodedImage> DecodeMaterialImages(const aiScene& scene, const std::string& modelPath);

// The file a material names, beside the model: files from other systems name it with backslashes, by a
// path that no longer exists, or in another case than the file has. Empty when nothing fits.
std::filesystem::path FindTextureFile(const std::filesystem::path& modelFolder, const std::string& named);

// A 1 x 1 RGBA8 image of the colour, each channel clamped to [0, 1].
DecodedImage SolidColourImage(float red, float green, float blue, float alpha);

// An embedded texture: compressed bytes (PNG, JPEG) decoded, or raw BGRA texels turned into RGBA8.
DecodedImage DecodeEmbeddedTexture(const aiTexture& texture, const std::wstring& name);

// The texture coordinate set the material's base-colour texture reads: 0 unless the material names another.
unsigned int BaseColourTexCoordSet(const aiMaterial& material);
