// The layer's COM objects: the shared reference counting and QueryInterface, plus the private data and the
// device link of D3D12 objects.
#pragma once

#include <windows.h>

#include <d3d12.h>

#include "platform_common/ComObject.h"

#include <mutex>
#include <string>
#include <vector>

namespace d3d12vk {

// Reference counting and QueryInterface come from the platform's one COM object base.
using platform::ComObject;
using platform::HandOut;

// The private data every D3D12 and DXGI object carries (SetPrivateData, SetName).
class PrivateDataStore {
 public:
  PrivateDataStore() = default;
  PrivateDataStore(const PrivateDataStore&) = delete;
  PrivateDataStore& operator=(const PrivateDataStore&) = delete;
  ~PrivateDataStore();

  HRESULT Get(REFGUID guid, UINT* dataSize, void* data) const;
  HRESULT Set(REFGUID guid, UINT dataSize, const void* data);
  HRESULT SetInterface(REFGUID guid, const IUnknown* object);
  HRESULT SetName(LPCWSTR name);

  // The debug name as UTF-8, for messages; empty when none was set.
  std::string Name() const;

 private:
  struct Entry {
    GUID guid;
    std::vector<unsigned char> bytes;
    IUnknown* object = nullptr;
  };

  Entry* Find(REFGUID guid);
  const Entry* Find(REFGUID guid) const;
  void Erase(REFGUID guid);

  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
};

// ID3D12Object on top of ComObject.
template <typename Interface, typename... Bases>
class D3D12Object : public ComObject<Interface, Bases..., ID3D12Object> {
 public:
  HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID guid, UINT* dataSize, void* data) override {
    return privateData_.Get(guid, dataSize, data);
  }
  HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID guid, UINT dataSize, const void* data) override {
    return privateData_.Set(guid, dataSize, data);
  }
  HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID guid, const IUnknown* data) override {
    return privateData_.SetInterface(guid, data);
  }
  HRESULT STDMETHODCALLTYPE SetName(LPCWSTR name) override { return privateData_.SetName(name); }

  std::string DebugName() const { return privateData_.Name(); }

 private:
  PrivateDataStore privateData_;
};

class Device;

// ID3D12DeviceChild: keeps its device alive and hands it out through GetDevice.
template <typename Interface, typename... Bases>
class DeviceChild : public D3D12Object<Interface, Bases..., ID3D12DeviceChild> {
 public:
  HRESULT STDMETHODCALLTYPE GetDevice(REFIID riid, void** device) override;

  Device& OwningDevice() const { return *device_; }

 protected:
  explicit DeviceChild(Device& device);
  ~DeviceChild() override;

 private:
  Device* device_;
};

}  // namespace d3d12vk
