// Shader resource and unordered access views of buffers: structured (a stride), raw (R32_TYPELESS with the
// RAW flag) and typed (a format, read through a texel buffer view).
#pragma once

#include "DescriptorHeap.h"

namespace d3d12vk {

struct BufferViewRange {
  DXGI_FORMAT format;
  uint64_t firstElement;
  UINT elementCount;
  UINT structureStride;
  bool raw;
};

// Checks the range against the buffer and fills `view`; false after one stderr line naming `call`.
bool MakeBufferView(const char* call, Resource& buffer, const BufferViewRange& range, DescriptorType type,
                    Descriptor* view);

}  // namespace d3d12vk
