// COM start-up per thread and in-process activation from the class registry that the other platform
// modules fill (win32_platform::RegisterComClass).

#include "Diagnostics.h"

#include <win32_platform.h>

#include <cstring>
#include <map>
#include <mutex>

namespace {

struct ClassIdOrder {
  bool operator()(const CLSID& a, const CLSID& b) const { return std::memcmp(&a, &b, sizeof(CLSID)) < 0; }
};

class ClassRegistry {
 public:
  void Register(const CLSID& clsid, win32_platform::ClassFactory create) {
    std::lock_guard lock(mutex_);
    factories_[clsid] = create;
  }

  win32_platform::ClassFactory Find(const CLSID& clsid) {
    std::lock_guard lock(mutex_);
    auto found = factories_.find(clsid);
    return found != factories_.end() ? found->second : nullptr;
  }

 private:
  std::mutex mutex_;
  std::map<CLSID, win32_platform::ClassFactory, ClassIdOrder> factories_;
};

// Function-local so that modules can register from their own static initialisers.
ClassRegistry& Classes() {
  static ClassRegistry registry;
  return registry;
}

// COM's per-thread state: how often the thread initialised COM, and with which concurrency model.
struct ThreadApartment {
  int initializations = 0;
  DWORD concurrencyModel = COINIT_APARTMENTTHREADED;
};
thread_local ThreadApartment apartment;

constexpr DWORD kConcurrencyMask = COINIT_MULTITHREADED | COINIT_APARTMENTTHREADED;

}  // namespace

HRESULT WINAPI CoInitializeEx(LPVOID, DWORD coInit) {
  const DWORD model = coInit & kConcurrencyMask;
  if (apartment.initializations > 0) {
    if (model != apartment.concurrencyModel) return RPC_E_CHANGED_MODE;
    ++apartment.initializations;
    return S_FALSE;
  }
  apartment.initializations = 1;
  apartment.concurrencyModel = model;
  return S_OK;
}

HRESULT WINAPI CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void WINAPI CoUninitialize(void) {
  if (apartment.initializations > 0) --apartment.initializations;
}

HRESULT WINAPI CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD classContext, REFIID riid, LPVOID* object) {
  if (object == nullptr) {
    win32::Report("CoCreateInstance", "null output pointer");
    return E_POINTER;
  }
  *object = nullptr;
  if (apartment.initializations == 0) {
    win32::Report("CoCreateInstance", "COM is not initialised on this thread (call CoInitialize first)");
    return CO_E_NOTINITIALIZED;
  }
  if (outer != nullptr) {
    win32::Report("CoCreateInstance", "aggregation is not supported");
    return CLASS_E_NOAGGREGATION;
  }
  // Every class of the layer is an in-process server.
  const win32_platform::ClassFactory create = (classContext & CLSCTX_INPROC_SERVER) ? Classes().Find(clsid) : nullptr;
  if (create == nullptr) {
    win32::Report("CoCreateInstance",
                  "class {%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X} is not registered in context 0x%x",
                  clsid.Data1, clsid.Data2, clsid.Data3, clsid.Data4[0], clsid.Data4[1], clsid.Data4[2], clsid.Data4[3],
                  clsid.Data4[4], clsid.Data4[5], clsid.Data4[6], clsid.Data4[7], classContext);
    return REGDB_E_CLASSNOTREG;
  }
  return create(riid, object);
}

namespace win32_platform {

void RegisterComClass(REFCLSID clsid, ClassFactory create) { Classes().Register(clsid, create); }

}  // namespace win32_platform
