#include "SwapChain.h"

#include "CommandQueue.h"
#include "Device.h"
#include "Diagnostics.h"
#include "DxgiFactory.h"
#include "Resource.h"

#include <win32_platform.h>

#include <algorithm>

namespace d3d12vk {
namespace {

// The formats Direct3D 12's flip-model swap chains accept.
bool IsBackBufferFormat(DXGI_FORMAT format) {
  return format == DXGI_FORMAT_R8G8B8A8_UNORM || format == DXGI_FORMAT_B8G8R8A8_UNORM ||
         format == DXGI_FORMAT_R10G10B10A2_UNORM || format == DXGI_FORMAT_R16G16B16A16_FLOAT;
}

bool IsFlipModel(DXGI_SWAP_EFFECT effect) {
  return effect == DXGI_SWAP_EFFECT_FLIP_DISCARD || effect == DXGI_SWAP_EFFECT_FLIP_SEQUENTIAL;
}

// A zero width or height stands for the window's client size, as in DXGI.
void FillFromWindow(HWND window, UINT* width, UINT* height) {
  RECT client{};
  if ((*width == 0 || *height == 0) && GetClientRect(window, &client)) {
    if (*width == 0) *width = UINT(std::max(0, client.right - client.left));
    if (*height == 0) *height = UINT(std::max(0, client.bottom - client.top));
  }
  // A minimised window has no client area; the buffers keep a size they can have.
  *width = std::max(*width, 1u);
  *height = std::max(*height, 1u);
}

}  // namespace

SwapChain::SwapChain(Factory& factory, CommandQueue& queue) : factory_(factory), queue_(queue) {
  factory_.AddRef();
  queue_.AddRef();
}

SwapChain::~SwapChain() {
  // Windows asks programs to leave full screen first; the window is given back to them either way.
  if (!desc_.Windowed && IsWindow(desc_.OutputWindow)) LeaveFullscreen();
  queue_.DropHeldWork(this);
  presenter_.reset();
  ReleaseBuffers();
  queue_.Release();
  factory_.Release();
}

HRESULT SwapChain::Create(const char* call, Factory& factory, CommandQueue& queue, const DXGI_SWAP_CHAIN_DESC& desc,
                          SwapChain** swapChain) {
  if (!IsFlipModel(desc.SwapEffect)) {
    return Fail(call, DXGI_ERROR_INVALID_CALL, "Direct3D 12 needs a flip-model swap effect (got %d)", desc.SwapEffect);
  }
  if (desc.BufferCount < 2 || desc.BufferCount > DXGI_MAX_SWAP_CHAIN_BUFFERS) {
    return Fail(call, DXGI_ERROR_INVALID_CALL, "BufferCount %u is outside 2..%u", desc.BufferCount,
                DXGI_MAX_SWAP_CHAIN_BUFFERS);
  }
  if (!IsBackBufferFormat(desc.BufferDesc.Format)) {
    return Fail(call, DXGI_ERROR_INVALID_CALL, "format %d cannot be a flip-model back buffer", desc.BufferDesc.Format);
  }
  if (desc.SampleDesc.Count != 1 || desc.SampleDesc.Quality != 0) {
    return Fail(call, DXGI_ERROR_INVALID_CALL, "flip-model back buffers have SampleDesc 1/0");
  }
  SwapChain* created = new SwapChain(factory, queue);
  created->desc_ = desc;
  created->desc_.Windowed = TRUE;  // until SetFullscreenState below
  FillFromWindow(desc.OutputWindow, &created->desc_.BufferDesc.Width, &created->desc_.BufferDesc.Height);
  created->presenter_ =
      std::make_unique<Presenter>(queue.OwningDevice(), win32_platform::SdlWindowFromHandle(desc.OutputWindow));
  HRESULT result = created->CreateBuffers(call);
  if (SUCCEEDED(result) && !desc.Windowed) result = created->SetFullscreenState(TRUE, nullptr);
  if (FAILED(result)) {
    created->Release();
    return result;
  }
  *swapChain = created;
  return S_OK;
}

HRESULT SwapChain::CreateBuffers(const char* call) {
  D3D12_HEAP_PROPERTIES heap{D3D12_HEAP_TYPE_DEFAULT, D3D12_CPU_PAGE_PROPERTY_UNKNOWN, D3D12_MEMORY_POOL_UNKNOWN, 1, 1};
  D3D12_RESOURCE_DESC buffer{D3D12_RESOURCE_DIMENSION_TEXTURE2D,
                             0,
                             desc_.BufferDesc.Width,
                             desc_.BufferDesc.Height,
                             1,
                             1,
                             desc_.BufferDesc.Format,
                             {1, 0},
                             D3D12_TEXTURE_LAYOUT_UNKNOWN,
                             D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET};
  for (UINT i = 0; i < desc_.BufferCount; ++i) {
    Resource* resource = nullptr;
    const HRESULT result = Resource::CreateCommitted(queue_.OwningDevice(), call, heap, D3D12_HEAP_FLAG_NONE, buffer,
                                                     D3D12_RESOURCE_STATE_PRESENT, &resource);
    if (FAILED(result)) {
      ReleaseBuffers();
      return result;
    }
    buffers_.push_back(resource);
  }
  currentBuffer_ = 0;
  return S_OK;
}

void SwapChain::ReleaseBuffers() {
  for (Resource* buffer : buffers_) buffer->Release();
  buffers_.clear();
}

HRESULT SwapChain::GetParent(REFIID riid, void** parent) {
  if (parent == nullptr) return E_POINTER;
  return factory_.QueryInterface(riid, parent);
}

HRESULT SwapChain::GetDevice(REFIID riid, void** device) {
  if (device == nullptr) return E_POINTER;
  return queue_.QueryInterface(riid, device);
}

HRESULT SwapChain::Present(UINT syncInterval, UINT flags) {
  constexpr const char* kCall = "IDXGISwapChain::Present";
  if (syncInterval > 4) return Fail(kCall, DXGI_ERROR_INVALID_CALL, "SyncInterval %u is above 4", syncInterval);
  const bool allowTearing = (flags & DXGI_PRESENT_ALLOW_TEARING) != 0;
  if (allowTearing && syncInterval != 0) {
    return Fail(kCall, DXGI_ERROR_INVALID_CALL, "DXGI_PRESENT_ALLOW_TEARING needs SyncInterval 0 (got %u)",
                syncInterval);
  }
  if (allowTearing && !(desc_.Flags & DXGI_SWAP_CHAIN_FLAG_ALLOW_TEARING)) {
    return Fail(kCall, DXGI_ERROR_INVALID_CALL,
                "DXGI_PRESENT_ALLOW_TEARING needs a swap chain created with DXGI_SWAP_CHAIN_FLAG_ALLOW_TEARING");
  }
  if (flags & DXGI_PRESENT_TEST) return S_OK;
  // After work the queue holds for a fence wait, the frame is shown once that work has been submitted.
  Resource* frame = buffers_[currentBuffer_];
  const bool held = queue_.RunAfterHeldWork(this, [this, frame, syncInterval, allowTearing] {
    presenter_->Present(kCall, *frame, syncInterval, allowTearing);
  });
  const HRESULT result = held ? S_OK : presenter_->Present(kCall, *frame, syncInterval, allowTearing);
  if (FAILED(result)) return result;
  currentBuffer_ = (currentBuffer_ + 1) % UINT(buffers_.size());
  ++presentCount_;
  if (latencyEvent_ != nullptr) SetEvent(latencyEvent_);
  return result;
}

HRESULT SwapChain::Present1(UINT syncInterval, UINT flags, const DXGI_PRESENT_PARAMETERS*) {
  return Present(syncInterval, flags);
}

HRESULT SwapChain::GetBuffer(UINT buffer, REFIID riid, void** surface) {
  constexpr const char* kCall = "IDXGISwapChain::GetBuffer";
  if (surface == nullptr) return Fail(kCall, DXGI_ERROR_INVALID_CALL, "ppSurface is null");
  *surface = nullptr;
  if (buffer >= buffers_.size()) {
    return Fail(kCall, DXGI_ERROR_INVALID_CALL, "buffer %u of %zu does not exist", buffer, buffers_.size());
  }
  return buffers_[buffer]->QueryInterface(riid, surface);
}

HRESULT SwapChain::ResizeBuffers(UINT bufferCount, UINT width, UINT height, DXGI_FORMAT format, UINT flags) {
  constexpr const char* kCall = "IDXGISwapChain::ResizeBuffers";
  if (bufferCount > DXGI_MAX_SWAP_CHAIN_BUFFERS || bufferCount == 1) {
    return Fail(kCall, DXGI_ERROR_INVALID_CALL, "BufferCount %u is outside 2..%u", bufferCount,
                DXGI_MAX_SWAP_CHAIN_BUFFERS);
  }
  if (format != DXGI_FORMAT_UNKNOWN && !IsBackBufferFormat(format)) {
    return Fail(kCall, DXGI_ERROR_INVALID_CALL, "format %d cannot be a flip-model back buffer", format);
  }
  for (size_t i = 0; i < buffers_.size(); ++i) {
    if (buffers_[i]->ReferenceCount() > 1) {
      return Fail(kCall, DXGI_ERROR_INVALID_CALL, "back buffer %zu is still referenced; release every reference first",
                  i);
    }
  }
  // The buffers may still be read by queued work; DXGI waits for it too. Presents still held cannot be waited
  // for here (they wait for the program's own signal), so they are dropped.
  queue_.DropHeldWork(this);
  queue_.OwningDevice().Submissions().WaitIdle();
  DXGI_SWAP_CHAIN_DESC resized = desc_;
  if (bufferCount != 0) resized.BufferCount = bufferCount;
  if (format != DXGI_FORMAT_UNKNOWN) resized.BufferDesc.Format = format;
  resized.BufferDesc.Width = width;
  resized.BufferDesc.Height = height;
  resized.Flags = flags;
  FillFromWindow(desc_.OutputWindow, &resized.BufferDesc.Width, &resized.BufferDesc.Height);

  ReleaseBuffers();
  presenter_->Invalidate();
  desc_ = resized;
  return CreateBuffers(kCall);
}

HRESULT SwapChain::ResizeBuffers1(UINT bufferCount, UINT width, UINT height, DXGI_FORMAT format, UINT flags,
                                  const UINT*, IUnknown* const* presentQueues) {
  if (presentQueues != nullptr) {
    const UINT count = bufferCount != 0 ? bufferCount : desc_.BufferCount;
    for (UINT i = 0; i < count; ++i) {
      if (presentQueues[i] != static_cast<ID3D12CommandQueue*>(&queue_)) {
        ReportNotImplementedOnce("IDXGISwapChain3::ResizeBuffers1 with other present queues");
        return E_NOTIMPL;
      }
    }
  }
  return ResizeBuffers(bufferCount, width, height, format, flags);
}

HRESULT SwapChain::GetDesc(DXGI_SWAP_CHAIN_DESC* desc) {
  if (desc == nullptr) return DXGI_ERROR_INVALID_CALL;
  *desc = desc_;
  return S_OK;
}

HRESULT SwapChain::GetDesc1(DXGI_SWAP_CHAIN_DESC1* desc) {
  if (desc == nullptr) return DXGI_ERROR_INVALID_CALL;
  *desc = {desc_.BufferDesc.Width,
           desc_.BufferDesc.Height,
           desc_.BufferDesc.Format,
           FALSE,
           desc_.SampleDesc,
           desc_.BufferUsage,
           desc_.BufferCount,
           DXGI_SCALING_STRETCH,
           desc_.SwapEffect,
           DXGI_ALPHA_MODE_UNSPECIFIED,
           desc_.Flags};
  return S_OK;
}

HRESULT SwapChain::GetFullscreenDesc(DXGI_SWAP_CHAIN_FULLSCREEN_DESC* desc) {
  if (desc == nullptr) return DXGI_ERROR_INVALID_CALL;
  *desc = {desc_.BufferDesc.RefreshRate, desc_.BufferDesc.ScanlineOrdering, desc_.BufferDesc.Scaling,
           desc_.Windowed};
  return S_OK;
}

HRESULT SwapChain::GetHwnd(HWND* window) {
  if (window == nullptr) return DXGI_ERROR_INVALID_CALL;
  *window = desc_.OutputWindow;
  return S_OK;
}

HRESULT SwapChain::GetLastPresentCount(UINT* count) {
  if (count == nullptr) return DXGI_ERROR_INVALID_CALL;
  *count = presentCount_;
  return S_OK;
}

HRESULT SwapChain::CheckColorSpaceSupport(DXGI_COLOR_SPACE_TYPE colorSpace, UINT* support) {
  if (support == nullptr) return DXGI_ERROR_INVALID_CALL;
  *support =
      colorSpace == DXGI_COLOR_SPACE_RGB_FULL_G22_NONE_P709 ? DXGI_SWAP_CHAIN_COLOR_SPACE_SUPPORT_FLAG_PRESENT : 0;
  return S_OK;
}

HRESULT SwapChain::SetColorSpace1(DXGI_COLOR_SPACE_TYPE colorSpace) {
  if (colorSpace == DXGI_COLOR_SPACE_RGB_FULL_G22_NONE_P709) return S_OK;
  return Fail("IDXGISwapChain3::SetColorSpace1", E_INVALIDARG, "only the sRGB colour space is presented");
}


HRESULT SwapChain::GetFrameStatistics(DXGI_FRAME_STATISTICS*) {
  return NotImplemented("IDXGISwapChain::GetFrameStatistics");
}

HRESULT SwapChain::GetCoreWindow(REFIID, void** window) {
  if (window != nullptr) *window = nullptr;
  return NotImplemented("IDXGISwapChain1::GetCoreWindow");
}

HRESULT SwapChain::GetRestrictToOutput(IDXGIOutput** output) {
  if (output != nullptr) *output = nullptr;
  return NotImplemented("IDXGISwapChain1::GetRestrictToOutput");
}

HRESULT SwapChain::SetBackgroundColor(const DXGI_RGBA*) {
  return NotImplemented("IDXGISwapChain1::SetBackgroundColor");
}

HRESULT SwapChain::GetBackgroundColor(DXGI_RGBA*) { return NotImplemented("IDXGISwapChain1::GetBackgroundColor"); }

HRESULT SwapChain::SetRotation(DXGI_MODE_ROTATION) { return NotImplemented("IDXGISwapChain1::SetRotation"); }

HRESULT SwapChain::GetRotation(DXGI_MODE_ROTATION*) { return NotImplemented("IDXGISwapChain1::GetRotation"); }

HRESULT SwapChain::SetSourceSize(UINT, UINT) { return NotImplemented("IDXGISwapChain2::SetSourceSize"); }

HRESULT SwapChain::GetSourceSize(UINT*, UINT*) { return NotImplemented("IDXGISwapChain2::GetSourceSize"); }

// The frame latency calls belong to swap chains made with DXGI_SWAP_CHAIN_FLAG_FRAME_LATENCY_WAITABLE_OBJECT.
bool SwapChain::CheckLatencyWaitable(const char* call) const {
  if (desc_.Flags & DXGI_SWAP_CHAIN_FLAG_FRAME_LATENCY_WAITABLE_OBJECT) return true;
  Report(call, "the swap chain was not created with DXGI_SWAP_CHAIN_FLAG_FRAME_LATENCY_WAITABLE_OBJECT");
  return false;
}

HRESULT SwapChain::SetMaximumFrameLatency(UINT latency) {
  constexpr const char* kCall = "IDXGISwapChain2::SetMaximumFrameLatency";
  if (!CheckLatencyWaitable(kCall)) return DXGI_ERROR_INVALID_CALL;
  if (latency == 0 || latency > DXGI_MAX_SWAP_CHAIN_BUFFERS) {
    return Fail(kCall, DXGI_ERROR_INVALID_CALL, "latency %u is not 1 to %d", latency, DXGI_MAX_SWAP_CHAIN_BUFFERS);
  }
  maximumFrameLatency_ = latency;
  return S_OK;
}

HRESULT SwapChain::GetMaximumFrameLatency(UINT* latency) {
  constexpr const char* kCall = "IDXGISwapChain2::GetMaximumFrameLatency";
  if (latency == nullptr) return Fail(kCall, E_INVALIDARG, "pMaxLatency is null");
  if (!CheckLatencyWaitable(kCall)) return DXGI_ERROR_INVALID_CALL;
  *latency = maximumFrameLatency_;
  return S_OK;
}

// Present hands each frame on before it returns, so no frame is ever queued behind the latency limit: the
// object is signalled at creation and again by every Present, and a program that waits on it before each
// frame never waits for long. It is an auto-reset event, so one wait takes one signal, as with the semaphore
// DXGI uses at the default latency of 1. The program owns the handle and closes it.
HANDLE SwapChain::GetFrameLatencyWaitableObject() {
  if (!CheckLatencyWaitable("IDXGISwapChain2::GetFrameLatencyWaitableObject")) return nullptr;
  if (latencyEvent_ == nullptr) latencyEvent_ = CreateEventW(nullptr, FALSE, TRUE, nullptr);
  return latencyEvent_;
}

HRESULT SwapChain::SetMatrixTransform(const DXGI_MATRIX_3X2_F*) {
  return NotImplemented("IDXGISwapChain2::SetMatrixTransform");
}

HRESULT SwapChain::GetMatrixTransform(DXGI_MATRIX_3X2_F*) {
  return NotImplemented("IDXGISwapChain2::GetMatrixTransform");
}

HRESULT SwapChain::SetHDRMetaData(DXGI_HDR_METADATA_TYPE type, UINT size, void* metaData) {
  constexpr const char* kCall = "IDXGISwapChain4::SetHDRMetaData";
  if (type == DXGI_HDR_METADATA_TYPE_NONE) return S_OK;  // clearing metadata there is none of
  if (type != DXGI_HDR_METADATA_TYPE_HDR10 && type != DXGI_HDR_METADATA_TYPE_HDR10PLUS) {
    return Fail(kCall, E_INVALIDARG, "%d is not a metadata type", type);
  }
  if (metaData == nullptr || size == 0) return Fail(kCall, E_INVALIDARG, "HDR metadata without data");
  // The back buffers are only ever shown as SDR (CheckColorSpaceSupport offers sRGB alone), so there is no
  // display the metadata could describe.
  return Fail(kCall, DXGI_ERROR_UNSUPPORTED, "HDR output is not available; the metadata is ignored");
}

}  // namespace d3d12vk
