// Loading the two textures: each PNG is decoded with the imaging component, converted when the GPU has no
// format for its pixels, and uploaded into a default-heap texture through a staging buffer. The copies are
// recorded on a command list of the loader's own, which the caller submits.
#pragma once

#include <windows.h>

#include "content/UploadContext.h"
#include "core/Direct3D12.h"

#include <wincodec.h>

#include <cstdint>
#include <string>
#include <vector>

// One loaded image: the texture and the staging buffer its pixels came through. Both live for the whole
// run; the Renderer reaches the texture only through its view.
struct TextureSlot {
  ID3D12Resource* Texture = nullptr;
  ID3D12Resource* Upload = nullptr;
};

// Decoded pixels on their way to the GPU: tightly packed rows, top row first.
struct DecodedImage {
  std::wstring FileName;
  std::vector<uint8_t> Pixels;
  uint32_t Width = 0;
  uint32_t Height = 0;
  DXGI_FORMAT Format = DXGI_FORMAT_UNKNOWN;  // of the pixels, and of the texture made from them
  uint32_t RowPitch = 0;                     // Width x bits per pixel / 8
  uint32_t ByteSize = 0;                     // RowPitch x Height
};

// The one imaging factory of the process: made by the first decode and kept for the run.
extern IWICImagingFactory* ImagingFactory;

// Decodes the file (relative to the working directory) and records its upload on the context's command
// list. An image that cannot be used throws TextureFileError naming the file and the reason: the file is
// missing or not a PNG, its pixels have no GPU format and no conversion, or the GPU refused the texture.
// Returns whether the image has any bytes.
bool LoadTextureFromFile(UploadContext& context, std::wstring fileName, TextureSlot& out);

// The decoding half of LoadTextureFromFile: the image in a GPU format, ready for UploadTexture.
DecodedImage DecodeImage(const std::wstring& fileName);

// The same for an image file held in memory (an embedded PNG or JPEG); name only names it in messages.
DecodedImage DecodeImageInMemory(const std::vector<uint8_t>& bytes, const std::wstring& name);

// Creates the texture in COPY_DEST and its staging buffer, and records the copy and the texture's move to
// PIXEL_SHADER_RESOURCE on the context's command list.
void UploadTexture(UploadContext& context, const DecodedImage& image, TextureSlot& out);
