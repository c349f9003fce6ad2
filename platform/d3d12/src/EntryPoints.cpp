// The exported functions of d3d12.dll and dxgi.dll, and the layer's diagnostics hooks.
#include <windows.h>

#include <d3d12.h>
#include <d3dcompiler.h>
#include <dxgi1_4.h>

#include <d3d12_vk_diagnostics.h>
#include <dxgi1_6.h>

#include "DebugInterface.h"
#include "Device.h"
#include "Diagnostics.h"
#include "DxgiFactory.h"
#include "RootSignatureEncoding.h"
#include "RootSignatureVersion.h"
#include "SwapChain.h"

#include <atomic>
#include <cstring>

using namespace d3d12vk;

namespace {

// Adapter removal support is a promise made once per process, before its first device.
std::atomic<bool> deviceCreated{false};
std::atomic<bool> adapterRemovalDeclared{false};

bool IsSupportedFeatureLevel(D3D_FEATURE_LEVEL level) {
  return level == D3D_FEATURE_LEVEL_11_0 || level == D3D_FEATURE_LEVEL_11_1 || level == D3D_FEATURE_LEVEL_12_0 ||
         level == D3D_FEATURE_LEVEL_12_1;
}

HRESULT CreateFactory(const char* call, UINT flags, REFIID riid, void** factory) {
  if (factory == nullptr) return Fail(call, E_POINTER, "ppFactory is null");
  *factory = nullptr;
  Factory* created = Factory::Create(call, flags);
  if (created == nullptr) return DXGI_ERROR_UNSUPPORTED;
  return HandOut(created, riid, factory);
}

HRESULT MakeTextBlob(const std::string& text, ID3DBlob** blob) {
  if (FAILED(D3DCreateBlob(text.size() + 1, blob))) return E_OUTOFMEMORY;
  std::memcpy((*blob)->GetBufferPointer(), text.c_str(), text.size() + 1);
  return S_OK;
}

}  // namespace

extern "C" HRESULT WINAPI D3D12CreateDevice(IUnknown* adapter, D3D_FEATURE_LEVEL minimumFeatureLevel, REFIID riid,
                                            void** device) {
  constexpr const char* kCall = "D3D12CreateDevice";
  if (device != nullptr) *device = nullptr;
  if (!IsSupportedFeatureLevel(minimumFeatureLevel)) {
    return Fail(kCall, E_INVALIDARG, "feature level 0x%x is not available (11_0 to 12_1 are)", minimumFeatureLevel);
  }
  std::shared_ptr<VulkanInstance> instance;
  size_t index = 0;
  if (adapter != nullptr) {
    IDXGIAdapter1* dxgiAdapter = nullptr;
    if (FAILED(adapter->QueryInterface(__uuidof(IDXGIAdapter1), reinterpret_cast<void**>(&dxgiAdapter)))) {
      return Fail(kCall, E_INVALIDARG, "pAdapter is not a DXGI adapter");
    }
    auto* ours = static_cast<Adapter*>(dxgiAdapter);
    instance = ours->Instance();
    index = ours->Index();
    dxgiAdapter->Release();
  } else {
    instance = VulkanInstance::Acquire(kCall);
    if (instance == nullptr) return DXGI_ERROR_UNSUPPORTED;
    if (instance->Adapters().empty()) return Fail(kCall, DXGI_ERROR_UNSUPPORTED, "no adapter can run Direct3D 12");
  }
  Device* created = nullptr;
  const HRESULT result = Device::GetOrCreate(instance, index, &created);
  if (FAILED(result)) return result;
  deviceCreated = true;
  if (device == nullptr) {
    // A null output only asks whether a device could be made.
    created->Release();
    return S_FALSE;
  }
  return HandOut(created, riid, device);
}

extern "C" HRESULT WINAPI D3D12SerializeRootSignature(const D3D12_ROOT_SIGNATURE_DESC* rootSignature,
                                                      D3D_ROOT_SIGNATURE_VERSION version, ID3DBlob** blob,
                                                      ID3DBlob** errorBlob) {
  constexpr const char* kCall = "D3D12SerializeRootSignature";
  if (errorBlob != nullptr) *errorBlob = nullptr;
  if (blob == nullptr) return Fail(kCall, E_POINTER, "ppBlob is null");
  *blob = nullptr;
  std::string error;
  if (rootSignature == nullptr) {
    error = "pRootSignature is null";
  } else if (version != D3D_ROOT_SIGNATURE_VERSION_1_0) {
    error = "only D3D_ROOT_SIGNATURE_VERSION_1 descriptions are serialized here";
  } else {
    ValidateRootSignature(*rootSignature, &error);
  }
  if (!error.empty()) {
    Report(kCall, "%s", error.c_str());
    if (errorBlob != nullptr) MakeTextBlob(error, errorBlob);
    return E_INVALIDARG;
  }
  const std::vector<uint8_t> encoded = EncodeRootSignature(*rootSignature);
  if (FAILED(D3DCreateBlob(encoded.size(), blob))) return Fail(kCall, E_OUTOFMEMORY, "cannot create the blob");
  std::memcpy((*blob)->GetBufferPointer(), encoded.data(), encoded.size());
  return S_OK;
}

extern "C" HRESULT WINAPI D3D12CreateRootSignatureDeserializer(LPCVOID, SIZE_T, REFIID, void** deserializer) {
  if (deserializer != nullptr) *deserializer = nullptr;
  return NotImplemented("D3D12CreateRootSignatureDeserializer");
}

extern "C" HRESULT WINAPI D3D12SerializeVersionedRootSignature(const D3D12_VERSIONED_ROOT_SIGNATURE_DESC* rootSignature,
                                                               ID3DBlob** blob, ID3DBlob** errorBlob) {
  constexpr const char* kCall = "D3D12SerializeVersionedRootSignature";
  if (blob != nullptr) *blob = nullptr;
  if (errorBlob != nullptr) *errorBlob = nullptr;
  if (rootSignature == nullptr) return Fail(kCall, E_INVALIDARG, "pRootSignature is null");
  // Read as a plain number: a program may pass a value the enumeration does not have.
  UINT version = 0;
  std::memcpy(&version, &rootSignature->Version, sizeof(version));
  switch (version) {
    case D3D_ROOT_SIGNATURE_VERSION_1_0:
      return D3D12SerializeRootSignature(&rootSignature->Desc_1_0, D3D_ROOT_SIGNATURE_VERSION_1_0, blob, errorBlob);
    case D3D_ROOT_SIGNATURE_VERSION_1_1: {
      const RootSignatureAsVersion10 converted(rootSignature->Desc_1_1);
      return D3D12SerializeRootSignature(&converted.Desc(), D3D_ROOT_SIGNATURE_VERSION_1_0, blob, errorBlob);
    }
    default:
      return Fail(kCall, E_INVALIDARG, "root signature version 0x%x is not one of 1.0 and 1.1", version);
  }
}

extern "C" HRESULT WINAPI D3D12CreateVersionedRootSignatureDeserializer(LPCVOID, SIZE_T, REFIID, void** deserializer) {
  if (deserializer != nullptr) *deserializer = nullptr;
  return NotImplemented("D3D12CreateVersionedRootSignatureDeserializer");
}

extern "C" HRESULT WINAPI D3D12GetDebugInterface(REFIID riid, void** debug) {
  if (debug == nullptr) return Fail("D3D12GetDebugInterface", E_POINTER, "ppvDebug is null");
  *debug = nullptr;
  return HandOut(new DebugInterface(), riid, debug);
}

extern "C" HRESULT WINAPI D3D12EnableExperimentalFeatures(UINT, const IID*, void*, UINT*) {
  return NotImplemented("D3D12EnableExperimentalFeatures");
}

extern "C" HRESULT WINAPI D3D12GetInterface(REFCLSID, REFIID, void** object) {
  if (object != nullptr) *object = nullptr;
  return NotImplemented("D3D12GetInterface");
}

extern "C" HRESULT WINAPI CreateDXGIFactory(REFIID riid, void** factory) {
  return CreateFactory("CreateDXGIFactory", 0, riid, factory);
}

extern "C" HRESULT WINAPI CreateDXGIFactory1(REFIID riid, void** factory) {
  return CreateFactory("CreateDXGIFactory1", 0, riid, factory);
}

extern "C" HRESULT WINAPI CreateDXGIFactory2(UINT flags, REFIID riid, void** factory) {
  return CreateFactory("CreateDXGIFactory2", flags, riid, factory);
}

// Adapters are never removed here, so the declaration only has its order checked.
extern "C" HRESULT WINAPI DXGIDeclareAdapterRemovalSupport() {
  constexpr const char* kCall = "DXGIDeclareAdapterRemovalSupport";
  if (adapterRemovalDeclared.exchange(true)) {
    return Fail(kCall, DXGI_ERROR_ALREADY_EXISTS, "adapter removal support was already declared");
  }
  if (deviceCreated) {
    adapterRemovalDeclared = false;
    return Fail(kCall, DXGI_ERROR_INVALID_CALL, "a Direct3D 12 device already exists");
  }
  return S_OK;
}

namespace d3d12_vk {

bool ValidationEnabled() {
  std::shared_ptr<VulkanInstance> instance = VulkanInstance::Acquire("ValidationEnabled");
  return instance != nullptr && instance->ValidationEnabled();
}

bool SynchronizationValidationEnabled() {
  std::shared_ptr<VulkanInstance> instance = VulkanInstance::Acquire("SynchronizationValidationEnabled");
  return instance != nullptr && instance->SynchronizationValidationEnabled();
}

uint32_t DeviceVulkanVersion(ID3D12Device* device) {
  return device == nullptr ? 0 : static_cast<d3d12vk::Device*>(device)->Vulkan().Adapter().apiVersion;
}

uint32_t ValidationMessageCount() { return CountedValidationMessages(); }

HRESULT ReadLastPresentedFrame(IDXGISwapChain* swapChain, std::vector<uint8_t>* rgba, UINT* width, UINT* height) {
  if (swapChain == nullptr || rgba == nullptr || width == nullptr || height == nullptr) {
    return Fail("ReadLastPresentedFrame", E_INVALIDARG, "an argument is null");
  }
  IDXGISwapChain3* ours = nullptr;
  if (FAILED(swapChain->QueryInterface(__uuidof(IDXGISwapChain3), reinterpret_cast<void**>(&ours)))) {
    return Fail("ReadLastPresentedFrame", E_INVALIDARG, "the swap chain does not come from this layer");
  }
  const HRESULT result = static_cast<SwapChain*>(ours)->ReadLastPresentedFrame(rgba, width, height);
  ours->Release();
  return result;
}

}  // namespace d3d12_vk
