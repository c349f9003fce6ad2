#include "content/TextureFileError.h"
#include "content/TextureLoader.h"
#include "core/Direct3D12.h"

void UploadTexture(UploadContext& context, const DecodedImage& image, TextureSlot& out) {
  const CD3DX12_RESOURCE_DESC textureDescription =
      CD3DX12_RESOURCE_DESC::Tex2D(image.Format, image.Width, image.Height, 1, 1);
  const CD3DX12_HEAP_PROPERTIES defaultHeap(D3D12_HEAP_TYPE_DEFAULT);
  HRESULT result =
      context.Device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &textureDescription,
                                              D3D12_RESOURCE_STATE_COPY_DEST, nullptr, IID_PPV_ARGS(&out.Texture));
  if (FAILED(result)) {
    throw TextureFileError(image.FileName, "cannot create the texture", result);
  }

  // The staging buffer holds the rows in the GPU's copy layout, whose rows are aligned wider than the
  // image's own.
  UINT64 stagingSize = 0;
  context.Device->GetCopyableFootprints(&textureDescription, 0, 1, 0, nullptr, nullptr, nullptr, &stagingSize);
  const CD3DX12_HEAP_PROPERTIES uploadHeap(D3D12_HEAP_TYPE_UPLOAD);
  const CD3DX12_RESOURCE_DESC stagingDescription = CD3DX12_RESOURCE_DESC::Buffer(stagingSize);
  result =
      context.Device->CreateCommittedResource(&uploadHeap, D3D12_HEAP_FLAG_NONE, &stagingDescription,
                                              D3D12_RESOURCE_STATE_GENERIC_READ, nullptr, IID_PPV_ARGS(&out.Upload));
  if (FAILED(result)) {
    throw TextureFileError(image.FileName, "cannot create the staging buffer", result);
  }

  D3D12_SUBRESOURCE_DATA pixels = {};
  pixels.pData = image.Pixels.data();
  pixels.RowPitch = static_cast<LONG_PTR>(image.RowPitch);
  pixels.SlicePitch = static_cast<LONG_PTR>(image.ByteSize);
  // Writes the rows into the staging buffer now and records the buffer-to-texture copy.
  if (UpdateSubresources<1>(context.CommandList, out.Texture, out.Upload, 0, 0, 1, &pixels) == 0) {
    throw TextureFileError(image.FileName, "cannot copy the pixels into the staging buffer");
  }
  const CD3DX12_RESOURCE_BARRIER toShaderResource = CD3DX12_RESOURCE_BARRIER::Transition(
      out.Texture, D3D12_RESOURCE_STATE_COPY_DEST, D3D12_RESOURCE_STATE_PIXEL_SHADER_RESOURCE);
  context.CommandList->ResourceBarrier(1, &toShaderResource);
}
