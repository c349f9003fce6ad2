// How the layer reports misuse: one stderr line naming the call, like the Direct3D 12 debug layer.
#pragma once

#include <windows.h>

namespace d3d12vk {

// Prints "<call>: <message>" to stderr.
void ReportError(const char* call, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Prints "<call>: not supported by this Direct3D 12 layer" the first time a method is called.
void ReportUnsupportedOnce(const char* call);

// For methods the layer does not implement: reports once and returns E_NOTIMPL.
inline HRESULT NotImplemented(const char* call) {
  ReportUnsupportedOnce(call);
  return E_NOTIMPL;
}

// Returns `result` after reporting "<call>: <message>"; keeps error paths to one line.
HRESULT Fail(HRESULT result, const char* call, const char* format, ...) __attribute__((format(printf, 3, 4)));

// Text for a VkResult in messages.
const char* DescribeVkResult(int result);

}  // namespace d3d12vk
