// IDXGIObject's private data on top of ComObject, for the factory, the adapters and the swap chain.
#pragma once

#include "ComObject.h"

#include <dxgi1_6.h>

namespace d3d12vk {

template <typename Interface, typename... Bases>
class DxgiObject : public ComObject<Interface, Bases..., IDXGIObject> {
 public:
  HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID guid, UINT dataSize, const void* data) override {
    return privateData_.Set(guid, dataSize, data);
  }
  HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID guid, const IUnknown* object) override {
    return privateData_.SetInterface(guid, object);
  }
  HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID guid, UINT* dataSize, void* data) override {
    return privateData_.Get(guid, dataSize, data);
  }

 private:
  PrivateDataStore privateData_;
};

}  // namespace d3d12vk
