// Reference counting, QueryInterface and private data for the layer's COM objects.
#pragma once

#include <windows.h>

#include <d3d12.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace d3d12vk {

// Implements IUnknown for an object whose interface is `Interface`; QueryInterface also answers for the
// interfaces it derives from, listed in `Bases` (IUnknown is implied).
template <typename Interface, typename... Bases>
class ComObject : public Interface {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(Interface) || ((riid == __uuidof(Bases)) || ...)) {
      AddRef();
      *object = static_cast<Interface*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }

  ULONG STDMETHODCALLTYPE AddRef() override { return refCount_.fetch_add(1, std::memory_order_relaxed) + 1; }

  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG remaining = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (remaining == 0) delete this;
    return remaining;
  }

  // References held by anyone; the swap chain uses it to see whether the program still holds its buffers.
  ULONG ReferenceCount() const { return refCount_.load(std::memory_order_relaxed); }

  // Adds a reference unless the last one is already gone (the object is being destroyed).
  bool TryAddRef() {
    ULONG count = refCount_.load(std::memory_order_relaxed);
    while (count != 0) {
      if (refCount_.compare_exchange_weak(count, count + 1, std::memory_order_acq_rel)) return true;
    }
    return false;
  }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;

 private:
  std::atomic<ULONG> refCount_{1};
};

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

namespace d3d12vk {

// Gives a newly created object to the program as `riid`. The creator's reference is dropped either way, so a
// refused interface destroys the object.
template <typename Object>
HRESULT HandOut(Object* object, REFIID riid, void** out) {
  const HRESULT result = object->QueryInterface(riid, out);
  object->Release();
  return result;
}

}  // namespace d3d12vk
