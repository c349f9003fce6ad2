// The ID3D12Device methods that write buffer views (structured, raw and typed SRVs and UAVs), texture UAVs
// and samplers into descriptor heaps.
#include "BufferViews.h"
#include "D3D12ToVulkan.h"
#include "Device.h"
#include "Diagnostics.h"
#include "FormatTable.h"
#include "Resource.h"

namespace d3d12vk {

bool MakeBufferView(const char* call, Resource& buffer, const BufferViewRange& range, DescriptorType type,
                    Descriptor* view) {
  const FormatInfo* format = nullptr;
  uint64_t elementSize = range.structureStride;
  if (range.raw) {
    if (range.format != DXGI_FORMAT_R32_TYPELESS) {
      Report(call, "a raw buffer view needs DXGI_FORMAT_R32_TYPELESS (got %d)", range.format);
      return false;
    }
    elementSize = 4;
  } else if (range.structureStride == 0) {
    format = FindFormat(range.format);
    if (format == nullptr || format->typeless || format->blockSize != 1 || IsDepthStencil(*format)) {
      Report(call, "format %d cannot be used for a typed buffer view", range.format);
      return false;
    }
    elementSize = format->bytesPerBlock;
  } else if (range.format != DXGI_FORMAT_UNKNOWN) {
    Report(call, "a structured buffer view needs DXGI_FORMAT_UNKNOWN (got %d)", range.format);
    return false;
  }
  const uint64_t offset = range.firstElement * elementSize;
  const uint64_t bytes = uint64_t(range.elementCount) * elementSize;
  if (range.elementCount == 0 || offset + bytes > buffer.Desc().Width) {
    Report(call, "elements %llu..%llu lie outside the buffer of %llu bytes", (unsigned long long)range.firstElement,
           (unsigned long long)(range.firstElement + range.elementCount), (unsigned long long)buffer.Desc().Width);
    return false;
  }
  Descriptor made;
  made.type = type;
  made.resource = &buffer;
  made.buffer = buffer.Buffer();
  made.offset = offset;
  made.range = bytes;
  made.elementBytes = uint32_t(elementSize);
  if (format != nullptr) {
    made.format = format->vulkan;
    made.texelView = buffer.TexelView(format->vulkan, offset, bytes);
    if (made.texelView == VK_NULL_HANDLE) {
      Report(call, "the adapter cannot view a buffer as format %d", range.format);
      return false;
    }
  }
  *view = made;
  return true;
}

namespace {

// The counter of a structured buffer UAV: 4 bytes of a buffer at an offset aligned as Direct3D 12 requires.
bool AttachCounter(const char* call, const D3D12_UNORDERED_ACCESS_VIEW_DESC& desc, Resource& counter,
                   Descriptor* view) {
  const UINT64 offset = desc.Buffer.CounterOffsetInBytes;
  if (desc.Buffer.StructureByteStride == 0) {
    Report(call, "only structured buffer views have a counter resource");
    return false;
  }
  if (!counter.IsBuffer() || offset % D3D12_UAV_COUNTER_PLACEMENT_ALIGNMENT != 0 ||
      offset + sizeof(uint32_t) > counter.Desc().Width) {
    Report(call, "the counter is 4 bytes of a buffer at a multiple of %u bytes (offset %llu)",
           D3D12_UAV_COUNTER_PLACEMENT_ALIGNMENT, (unsigned long long)offset);
    return false;
  }
  view->counterBuffer = counter.Buffer();
  view->counterOffset = offset;
  return true;
}

}  // namespace

void Device::CreateUnorderedAccessView(ID3D12Resource* resource, ID3D12Resource* counter,
                                       const D3D12_UNORDERED_ACCESS_VIEW_DESC* desc,
                                       D3D12_CPU_DESCRIPTOR_HANDLE destination) {
  constexpr const char* kCall = "ID3D12Device::CreateUnorderedAccessView";
  Descriptor* descriptor = descriptorHeaps_.Resolve(destination, D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, kCall);
  if (descriptor == nullptr) return;
  if (resource == nullptr) {
    *descriptor = Descriptor{};
    return;
  }
  Resource* target = AsResource(resource);
  if (!(target->Desc().Flags & D3D12_RESOURCE_FLAG_ALLOW_UNORDERED_ACCESS)) {
    Report(kCall, "the resource was created without ALLOW_UNORDERED_ACCESS");
    return;
  }
  if (target->IsBuffer()) {
    if (desc == nullptr || desc->ViewDimension != D3D12_UAV_DIMENSION_BUFFER) {
      Report(kCall, "a buffer needs a description with ViewDimension BUFFER");
      return;
    }
    const BufferViewRange range{desc->Format, desc->Buffer.FirstElement, desc->Buffer.NumElements,
                                desc->Buffer.StructureByteStride,
                                (desc->Buffer.Flags & D3D12_BUFFER_UAV_FLAG_RAW) != 0};
    Descriptor view;
    if (!MakeBufferView(kCall, *target, range, DescriptorType::UnorderedAccess, &view)) return;
    if (counter != nullptr && !AttachCounter(kCall, *desc, *AsResource(counter), &view)) return;
    *descriptor = view;
    return;
  }
  if (counter != nullptr) {
    Report(kCall, "only structured buffer views have a counter resource");
    return;
  }
  UINT mip = 0;
  DXGI_FORMAT requested = DXGI_FORMAT_UNKNOWN;
  if (desc != nullptr) {
    requested = desc->Format;
    if (desc->ViewDimension != D3D12_UAV_DIMENSION_TEXTURE2D) {
      ReportNotImplementedOnce("ID3D12Device::CreateUnorderedAccessView of textures other than one Texture2D slice");
      return;
    }
    mip = desc->Texture2D.MipSlice;
  }
  if (target->ArrayLayers() != 1 || mip >= target->MipLevels()) {
    Report(kCall, "mip %u of a texture of %u mips and %u slices cannot be viewed as a Texture2D", mip,
           target->MipLevels(), target->ArrayLayers());
    return;
  }
  const FormatInfo* format = requested == DXGI_FORMAT_UNKNOWN ? target->Format() : FindFormat(requested);
  if (format == nullptr || format->typeless || IsDepthStencil(*format) ||
      format->bytesPerBlock != target->Format()->bytesPerBlock) {
    Report(kCall, "format %d cannot view this texture for unordered access", requested);
    return;
  }
  if (!vulkan_->SupportsImageFeatures(format->vulkan, VK_FORMAT_FEATURE_STORAGE_IMAGE_BIT)) {
    Report(kCall, "the adapter cannot write format %d from shaders", format->dxgi);
    return;
  }
  const ImageViewKey key{VK_IMAGE_VIEW_TYPE_2D,
                         format->vulkan,
                         target->Aspects(),
                         mip,
                         1,
                         0,
                         1,
                         VkComponentMapping{VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_IDENTITY,
                                            VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_IDENTITY}};
  Descriptor view;
  view.type = DescriptorType::UnorderedAccess;
  view.resource = target;
  view.view = target->View(key);
  view.format = format->vulkan;
  const VkExtent3D extent = target->MipExtent(mip);
  view.extent = {extent.width, extent.height};
  view.aspects = target->Aspects();
  if (view.view != VK_NULL_HANDLE) *descriptor = view;
}

void Device::CreateSampler(const D3D12_SAMPLER_DESC* desc, D3D12_CPU_DESCRIPTOR_HANDLE destination) {
  constexpr const char* kCall = "ID3D12Device::CreateSampler";
  Descriptor* descriptor = descriptorHeaps_.Resolve(destination, D3D12_DESCRIPTOR_HEAP_TYPE_SAMPLER, kCall);
  if (descriptor == nullptr) return;
  if (desc == nullptr) {
    Report(kCall, "pDesc is null");
    return;
  }
  // Vulkan's core border colours are the three a static sampler can name; others need an extension.
  const FLOAT* border = desc->BorderColor;
  D3D12_STATIC_BORDER_COLOR borderColor = D3D12_STATIC_BORDER_COLOR_TRANSPARENT_BLACK;
  if (border[0] == 0 && border[1] == 0 && border[2] == 0 && border[3] == 1) {
    borderColor = D3D12_STATIC_BORDER_COLOR_OPAQUE_BLACK;
  } else if (border[0] == 1 && border[1] == 1 && border[2] == 1 && border[3] == 1) {
    borderColor = D3D12_STATIC_BORDER_COLOR_OPAQUE_WHITE;
  } else if (border[0] != 0 || border[1] != 0 || border[2] != 0 || border[3] != 0) {
    ReportNotImplementedOnce("ID3D12Device::CreateSampler with border colours other than black, clear black or white");
  }
  const D3D12_STATIC_SAMPLER_DESC asStatic{desc->Filter,
                                           desc->AddressU,
                                           desc->AddressV,
                                           desc->AddressW,
                                           desc->MipLODBias,
                                           desc->MaxAnisotropy,
                                           desc->ComparisonFunc,
                                           borderColor,
                                           desc->MinLOD,
                                           desc->MaxLOD,
                                           0,
                                           0,
                                           D3D12_SHADER_VISIBILITY_ALL};
  VkSamplerCreateInfo info;
  const char* reason = nullptr;
  if (!ToSamplerInfo(asStatic, vulkan_->HasAnisotropy(), &info, &reason)) {
    Report(kCall, "%s", reason);
    return;
  }
  Descriptor sampler;
  sampler.type = DescriptorType::Sampler;
  sampler.sampler = samplers_.Get(info);
  if (sampler.sampler == VK_NULL_HANDLE) {
    Report(kCall, "Vulkan could not create the sampler");
    return;
  }
  *descriptor = sampler;
}

}  // namespace d3d12vk
