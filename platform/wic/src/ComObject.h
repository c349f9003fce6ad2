// Reference counting and QueryInterface shared by every object of the imaging component. Each object
// implements one chain of interfaces (for example IWICBitmapFrameDecode : IWICBitmapSource : IUnknown) and
// lists the IIDs of that chain.
#pragma once

#include <windows.h>

#include <atomic>

namespace wic {

template <typename Interface>
class ComObject : public Interface {
 public:
  using Interface::QueryInterface;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    if (!Implements(riid)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }

  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }

  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG remaining = --references_;
    if (remaining == 0) {
      delete this;
    }
    return remaining;
  }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;

  // True for the IIDs of the object's interface chain, IUnknown included.
  virtual bool Implements(REFIID riid) const = 0;

 private:
  std::atomic<ULONG> references_{1};
};

// Hands a new object's interface to a caller that asked for `riid`, dropping the creator's reference.
template <typename Object>
HRESULT QueryAndRelease(Object* object, REFIID riid, void** result) {
  const HRESULT hr = object->QueryInterface(riid, result);
  object->Release();
  return hr;
}

}  // namespace wic
