// The ID3D12Device methods that write views into descriptor heaps, and the descriptor copies.
#include "BufferViews.h"
#include "Device.h"
#include "Diagnostics.h"
#include "FormatTable.h"
#include "Resource.h"

#include <algorithm>

namespace d3d12vk {
namespace {

constexpr UINT kAllMips = UINT(-1);

VkComponentSwizzle MemoryComponent(UINT component, const VkComponentMapping& formatSwizzle) {
  const VkComponentSwizzle byFormat[] = {formatSwizzle.r, formatSwizzle.g, formatSwizzle.b, formatSwizzle.a};
  const VkComponentSwizzle identity[] = {VK_COMPONENT_SWIZZLE_R, VK_COMPONENT_SWIZZLE_G, VK_COMPONENT_SWIZZLE_B,
                                         VK_COMPONENT_SWIZZLE_A};
  return byFormat[component] == VK_COMPONENT_SWIZZLE_IDENTITY ? identity[component] : byFormat[component];
}

// Direct3D's per-component mapping, applied on top of the swizzle the format itself needs.
VkComponentMapping ComposeSwizzle(UINT shaderMapping, const VkComponentMapping& formatSwizzle) {
  VkComponentSwizzle result[4];
  for (UINT i = 0; i < 4; ++i) {
    const UINT source = D3D12_DECODE_SHADER_4_COMPONENT_MAPPING(i, shaderMapping);
    if (source == D3D12_SHADER_COMPONENT_MAPPING_FORCE_VALUE_0) {
      result[i] = VK_COMPONENT_SWIZZLE_ZERO;
    } else if (source == D3D12_SHADER_COMPONENT_MAPPING_FORCE_VALUE_1) {
      result[i] = VK_COMPONENT_SWIZZLE_ONE;
    } else {
      result[i] = MemoryComponent(source, formatSwizzle);
    }
  }
  return {result[0], result[1], result[2], result[3]};
}

// The typed format a view uses: the one asked for, or the resource's own when the view leaves it UNKNOWN.
const FormatInfo* ViewFormat(const char* call, const Resource& resource, DXGI_FORMAT requested) {
  const FormatInfo* format = requested == DXGI_FORMAT_UNKNOWN ? resource.Format() : FindFormat(requested);
  if (format == nullptr) {
    Report(call, "unsupported view format %d", requested);
    return nullptr;
  }
  if (format->typeless) {
    Report(call, "a view of a typeless resource needs a typed format (got %d)", format->dxgi);
    return nullptr;
  }
  if (format->bytesPerBlock != resource.Format()->bytesPerBlock || format->blockSize != resource.Format()->blockSize) {
    Report(call, "view format %d does not match the resource's format %d", format->dxgi, resource.Format()->dxgi);
    return nullptr;
  }
  return format;
}

Resource* TextureFor(const char* call, ID3D12Resource* program, D3D12_RESOURCE_FLAGS requiredFlag,
                     const char* flagName) {
  Resource* resource = AsResource(program);
  if (resource->IsBuffer()) {
    Report(call, "buffers cannot be viewed this way here");
    return nullptr;
  }
  if (requiredFlag != D3D12_RESOURCE_FLAG_NONE && !(resource->Desc().Flags & requiredFlag)) {
    Report(call, "the resource was created without %s", flagName);
    return nullptr;
  }
  return resource;
}

// An attachment view (render target or depth stencil) of one mip of one array slice.
Descriptor AttachmentDescriptor(Resource& resource, DescriptorType type, const FormatInfo& format, UINT mip,
                                UINT layer) {
  const VkFormat vkFormat = IsDepthStencil(format) ? resource.ImageFormat() : format.vulkan;
  const VkImageAspectFlags aspects = resource.Aspects();
  const ImageViewKey key{VK_IMAGE_VIEW_TYPE_2D,
                         vkFormat,
                         aspects,
                         mip,
                         1,
                         layer,
                         1,
                         VkComponentMapping{VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_IDENTITY,
                                            VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_IDENTITY}};
  Descriptor descriptor;
  descriptor.type = type;
  descriptor.resource = &resource;
  descriptor.view = resource.View(key);
  descriptor.format = vkFormat;
  const VkExtent3D extent = resource.MipExtent(mip);
  descriptor.extent = {extent.width, extent.height};
  descriptor.aspects = aspects;
  if (descriptor.view == VK_NULL_HANDLE) descriptor.type = DescriptorType::Empty;
  return descriptor;
}

bool SliceInRange(const char* call, const Resource& resource, UINT mip, UINT layer) {
  if (mip >= resource.MipLevels() || layer >= resource.ArrayLayers()) {
    Report(call, "mip %u, array slice %u is outside the resource (%u mips, %u slices)", mip, layer,
           resource.MipLevels(), resource.ArrayLayers());
    return false;
  }
  return true;
}

}  // namespace

void Device::CreateConstantBufferView(const D3D12_CONSTANT_BUFFER_VIEW_DESC* desc,
                                      D3D12_CPU_DESCRIPTOR_HANDLE destination) {
  constexpr const char* kCall = "ID3D12Device::CreateConstantBufferView";
  Descriptor* descriptor = descriptorHeaps_.Resolve(destination, D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, kCall);
  if (descriptor == nullptr) return;
  if (desc == nullptr || desc->BufferLocation == 0) {
    *descriptor = Descriptor{};
    return;
  }
  constexpr UINT kAlignment = D3D12_CONSTANT_BUFFER_DATA_PLACEMENT_ALIGNMENT;
  if (desc->SizeInBytes == 0 || desc->SizeInBytes % kAlignment != 0 || desc->BufferLocation % kAlignment != 0) {
    Report(kCall, "BufferLocation 0x%llx and SizeInBytes %u must be non-zero multiples of %u",
           (unsigned long long)desc->BufferLocation, desc->SizeInBytes, kAlignment);
    return;
  }
  if (desc->SizeInBytes > vulkan_->Limits().maxUniformBufferRange) {
    Report(kCall, "SizeInBytes %u exceeds the adapter's %u", desc->SizeInBytes,
           vulkan_->Limits().maxUniformBufferRange);
    return;
  }
  ResolvedAddress address;
  if (!addresses_.Resolve(desc->BufferLocation, &address)) {
    Report(kCall, "BufferLocation 0x%llx is not inside a live buffer", (unsigned long long)desc->BufferLocation);
    return;
  }
  if (address.remaining < desc->SizeInBytes) {
    Report(kCall, "the view of %u bytes runs %llu bytes past the end of its buffer", desc->SizeInBytes,
           (unsigned long long)(desc->SizeInBytes - address.remaining));
    return;
  }
  Descriptor view;
  view.type = DescriptorType::ConstantBuffer;
  view.resource = address.resource;
  view.buffer = address.buffer;
  view.offset = address.offset;
  view.range = desc->SizeInBytes;
  *descriptor = view;
}

void Device::CreateShaderResourceView(ID3D12Resource* resource, const D3D12_SHADER_RESOURCE_VIEW_DESC* desc,
                                      D3D12_CPU_DESCRIPTOR_HANDLE destination) {
  constexpr const char* kCall = "ID3D12Device::CreateShaderResourceView";
  Descriptor* descriptor = descriptorHeaps_.Resolve(destination, D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, kCall);
  if (descriptor == nullptr) return;
  if (resource == nullptr) {
    *descriptor = Descriptor{};
    return;
  }
  if (AsResource(resource)->IsBuffer()) {
    if (desc == nullptr || desc->ViewDimension != D3D12_SRV_DIMENSION_BUFFER) {
      Report(kCall, "a buffer needs a description with ViewDimension BUFFER");
      return;
    }
    const BufferViewRange range{desc->Format, desc->Buffer.FirstElement, desc->Buffer.NumElements,
                                desc->Buffer.StructureByteStride,
                                (desc->Buffer.Flags & D3D12_BUFFER_SRV_FLAG_RAW) != 0};
    Descriptor view;
    if (MakeBufferView(kCall, *AsResource(resource), range, DescriptorType::ShaderResource, &view)) *descriptor = view;
    return;
  }
  Resource* texture = TextureFor(kCall, resource, D3D12_RESOURCE_FLAG_NONE, "");
  if (texture == nullptr) return;
  if (texture->Desc().Flags & D3D12_RESOURCE_FLAG_DENY_SHADER_RESOURCE) {
    Report(kCall, "the resource was created with DENY_SHADER_RESOURCE");
    return;
  }

  D3D12_SRV_DIMENSION dimension =
      texture->ArrayLayers() > 1 ? D3D12_SRV_DIMENSION_TEXTURE2DARRAY : D3D12_SRV_DIMENSION_TEXTURE2D;
  UINT firstMip = 0, mipCount = kAllMips, firstLayer = 0, layerCount = texture->ArrayLayers();
  UINT mapping = D3D12_DEFAULT_SHADER_4_COMPONENT_MAPPING;
  DXGI_FORMAT requested = DXGI_FORMAT_UNKNOWN;
  if (desc != nullptr) {
    dimension = desc->ViewDimension;
    mapping = desc->Shader4ComponentMapping;
    requested = desc->Format;
    if (dimension == D3D12_SRV_DIMENSION_TEXTURE2D) {
      firstMip = desc->Texture2D.MostDetailedMip;
      mipCount = desc->Texture2D.MipLevels;
      layerCount = 1;
    } else if (dimension == D3D12_SRV_DIMENSION_TEXTURE2DARRAY) {
      firstMip = desc->Texture2DArray.MostDetailedMip;
      mipCount = desc->Texture2DArray.MipLevels;
      firstLayer = desc->Texture2DArray.FirstArraySlice;
      layerCount = desc->Texture2DArray.ArraySize;
    } else {
      ReportNotImplementedOnce("ID3D12Device::CreateShaderResourceView with views other than Texture2D(Array)");
      return;
    }
  }
  if (mipCount == kAllMips && firstMip < texture->MipLevels()) mipCount = texture->MipLevels() - firstMip;
  if (mipCount == 0 || firstMip + mipCount > texture->MipLevels() || layerCount == 0 ||
      firstLayer + layerCount > texture->ArrayLayers()) {
    Report(kCall, "mips %u+%u, slices %u+%u are outside the resource (%u mips, %u slices)", firstMip, mipCount,
           firstLayer, layerCount, texture->MipLevels(), texture->ArrayLayers());
    return;
  }
  const FormatInfo* format = ViewFormat(kCall, *texture, requested);
  if (format == nullptr) return;

  const bool depth = IsDepthStencil(*texture->Format());
  const ImageViewKey key{
      dimension == D3D12_SRV_DIMENSION_TEXTURE2D ? VK_IMAGE_VIEW_TYPE_2D : VK_IMAGE_VIEW_TYPE_2D_ARRAY,
      depth ? texture->ImageFormat() : format->vulkan,
      depth ? VkImageAspectFlags(VK_IMAGE_ASPECT_DEPTH_BIT) : texture->Aspects(),
      firstMip,
      mipCount,
      firstLayer,
      layerCount,
      ComposeSwizzle(mapping, format->swizzle)};
  Descriptor view;
  view.type = DescriptorType::ShaderResource;
  view.resource = texture;
  view.view = texture->View(key);
  view.format = key.format;
  view.aspects = key.aspects;
  if (view.view != VK_NULL_HANDLE) *descriptor = view;
}

void Device::CreateRenderTargetView(ID3D12Resource* resource, const D3D12_RENDER_TARGET_VIEW_DESC* desc,
                                    D3D12_CPU_DESCRIPTOR_HANDLE destination) {
  constexpr const char* kCall = "ID3D12Device::CreateRenderTargetView";
  Descriptor* descriptor = descriptorHeaps_.Resolve(destination, D3D12_DESCRIPTOR_HEAP_TYPE_RTV, kCall);
  if (descriptor == nullptr) return;
  if (resource == nullptr) {
    *descriptor = Descriptor{};
    return;
  }
  Resource* texture = TextureFor(kCall, resource, D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET, "ALLOW_RENDER_TARGET");
  if (texture == nullptr) return;
  UINT mip = 0, layer = 0;
  DXGI_FORMAT requested = DXGI_FORMAT_UNKNOWN;
  if (desc != nullptr) {
    requested = desc->Format;
    if (desc->ViewDimension == D3D12_RTV_DIMENSION_TEXTURE2D) {
      mip = desc->Texture2D.MipSlice;
    } else if (desc->ViewDimension == D3D12_RTV_DIMENSION_TEXTURE2DARRAY && desc->Texture2DArray.ArraySize == 1) {
      mip = desc->Texture2DArray.MipSlice;
      layer = desc->Texture2DArray.FirstArraySlice;
    } else if (desc->ViewDimension == D3D12_RTV_DIMENSION_TEXTURE2DMS) {
      if (texture->SampleCount() == 1) return Report(kCall, "a TEXTURE2DMS view needs a multisampled texture");
    } else {
      ReportNotImplementedOnce("ID3D12Device::CreateRenderTargetView of more than one 2D slice");
      return;
    }
  }
  if (!SliceInRange(kCall, *texture, mip, layer)) return;
  const FormatInfo* format = ViewFormat(kCall, *texture, requested);
  if (format == nullptr) return;
  *descriptor = AttachmentDescriptor(*texture, DescriptorType::RenderTarget, *format, mip, layer);
}

void Device::CreateDepthStencilView(ID3D12Resource* resource, const D3D12_DEPTH_STENCIL_VIEW_DESC* desc,
                                    D3D12_CPU_DESCRIPTOR_HANDLE destination) {
  constexpr const char* kCall = "ID3D12Device::CreateDepthStencilView";
  Descriptor* descriptor = descriptorHeaps_.Resolve(destination, D3D12_DESCRIPTOR_HEAP_TYPE_DSV, kCall);
  if (descriptor == nullptr) return;
  if (resource == nullptr) {
    *descriptor = Descriptor{};
    return;
  }
  Resource* texture = TextureFor(kCall, resource, D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL, "ALLOW_DEPTH_STENCIL");
  if (texture == nullptr) return;
  UINT mip = 0, layer = 0;
  DXGI_FORMAT requested = DXGI_FORMAT_UNKNOWN;
  if (desc != nullptr) {
    requested = desc->Format;
    if (desc->ViewDimension == D3D12_DSV_DIMENSION_TEXTURE2D) {
      mip = desc->Texture2D.MipSlice;
    } else if (desc->ViewDimension == D3D12_DSV_DIMENSION_TEXTURE2DARRAY && desc->Texture2DArray.ArraySize == 1) {
      mip = desc->Texture2DArray.MipSlice;
      layer = desc->Texture2DArray.FirstArraySlice;
    } else if (desc->ViewDimension == D3D12_DSV_DIMENSION_TEXTURE2DMS) {
      if (texture->SampleCount() == 1) return Report(kCall, "a TEXTURE2DMS view needs a multisampled texture");
    } else {
      ReportNotImplementedOnce("ID3D12Device::CreateDepthStencilView of more than one 2D slice");
      return;
    }
  }
  if (!SliceInRange(kCall, *texture, mip, layer)) return;
  const FormatInfo* format = ViewFormat(kCall, *texture, requested);
  if (format == nullptr) return;
  if (!IsDepthStencil(*format)) {
    Report(kCall, "format %d is not a depth format", format->dxgi);
    return;
  }
  *descriptor = AttachmentDescriptor(*texture, DescriptorType::DepthStencil, *format, mip, layer);
}

void Device::CopyDescriptorsSimple(UINT count, D3D12_CPU_DESCRIPTOR_HANDLE destinationStart,
                                   D3D12_CPU_DESCRIPTOR_HANDLE sourceStart, D3D12_DESCRIPTOR_HEAP_TYPE type) {
  CopyDescriptors(1, &destinationStart, &count, 1, &sourceStart, &count, type);
}

void Device::CopyDescriptors(UINT destinationRangeCount, const D3D12_CPU_DESCRIPTOR_HANDLE* destinationStarts,
                             const UINT* destinationSizes, UINT sourceRangeCount,
                             const D3D12_CPU_DESCRIPTOR_HANDLE* sourceStarts, const UINT* sourceSizes,
                             D3D12_DESCRIPTOR_HEAP_TYPE type) {
  constexpr const char* kCall = "ID3D12Device::CopyDescriptors";
  if ((destinationRangeCount > 0 && destinationStarts == nullptr) ||
      (sourceRangeCount > 0 && sourceStarts == nullptr)) {
    Report(kCall, "a range start array is null");
    return;
  }
  // Walk both range lists in step, one descriptor at a time; a null size array means ranges of one.
  UINT destinationRange = 0, destinationIndex = 0, sourceRange = 0, sourceIndex = 0;
  auto rangeSize = [](const UINT* sizes, UINT range) { return sizes != nullptr ? sizes[range] : 1u; };
  while (destinationRange < destinationRangeCount && sourceRange < sourceRangeCount) {
    if (destinationIndex == rangeSize(destinationSizes, destinationRange)) {
      ++destinationRange;
      destinationIndex = 0;
      continue;
    }
    if (sourceIndex == rangeSize(sourceSizes, sourceRange)) {
      ++sourceRange;
      sourceIndex = 0;
      continue;
    }
    const D3D12_CPU_DESCRIPTOR_HANDLE to{destinationStarts[destinationRange].ptr +
                                         SIZE_T(destinationIndex) * kDescriptorHandleIncrement};
    const D3D12_CPU_DESCRIPTOR_HANDLE from{sourceStarts[sourceRange].ptr +
                                           SIZE_T(sourceIndex) * kDescriptorHandleIncrement};
    Descriptor* target = descriptorHeaps_.Resolve(to, type, kCall);
    const Descriptor* source = descriptorHeaps_.Resolve(from, type, kCall);
    if (target == nullptr || source == nullptr) return;
    *target = *source;
    ++destinationIndex;
    ++sourceIndex;
  }
}

}  // namespace d3d12vk
