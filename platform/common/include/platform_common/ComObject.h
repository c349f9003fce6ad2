// The one IUnknown of the platform's COM objects: reference counting, and QueryInterface over the chain of
// interfaces an object implements.
#pragma once

#include <windows.h>

#include <atomic>

namespace platform {

// Implements IUnknown for an object whose most derived interface is `Interface`. QueryInterface answers
// IUnknown, `Interface` and the interfaces it derives from, listed in `Chain` (IUnknown is implied), always
// with the same pointer. An object that decides at run time which IIDs it answers (a versioned interface it
// offers only when made through the newer entry point, say) overrides Answers.
template <typename Interface, typename... Chain>
class ComObject : public Interface {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  // Keeps the typed QueryInterface(T**) helper of the DirectX-Headers' IUnknown visible.
  using Interface::QueryInterface;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (!Answers(riid)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *object = static_cast<Interface*>(this);
    return S_OK;
  }

  ULONG STDMETHODCALLTYPE AddRef() override { return references_.fetch_add(1, std::memory_order_relaxed) + 1; }

  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG remaining = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (remaining == 0) delete this;
    return remaining;
  }

  // References held by anyone; the swap chain uses it to see whether the program still holds its buffers.
  ULONG ReferenceCount() const { return references_.load(std::memory_order_relaxed); }

  // Adds a reference unless the last one is already gone (the object is being destroyed), for registries
  // that hand out an existing object.
  bool TryAddRef() {
    ULONG count = references_.load(std::memory_order_relaxed);
    while (count != 0) {
      if (references_.compare_exchange_weak(count, count + 1, std::memory_order_acq_rel)) return true;
    }
    return false;
  }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;

  static bool InChain(REFIID riid) {
    return riid == __uuidof(IUnknown) || riid == __uuidof(Interface) || ((riid == __uuidof(Chain)) || ...);
  }

  // The IIDs QueryInterface answers: the chain, unless the object says otherwise.
  virtual bool Answers(REFIID riid) const { return InChain(riid); }

 private:
  std::atomic<ULONG> references_{1};
};

// Gives a newly created object to the caller as `riid`. The creator's reference is dropped either way, so a
// refused interface destroys the object.
template <typename Object>
HRESULT HandOut(Object* object, REFIID riid, void** out) {
  const HRESULT result = object->QueryInterface(riid, out);
  object->Release();
  return result;
}

}  // namespace platform
