#include "ComObject.h"

#include "platform_common/UnicodeText.h"

#include <cstring>
#include <cwchar>

namespace d3d12vk {

PrivateDataStore::~PrivateDataStore() {
  for (Entry& entry : entries_) {
    if (entry.object != nullptr) entry.object->Release();
  }
}

PrivateDataStore::Entry* PrivateDataStore::Find(REFGUID guid) {
  for (Entry& entry : entries_) {
    if (entry.guid == guid) return &entry;
  }
  return nullptr;
}

const PrivateDataStore::Entry* PrivateDataStore::Find(REFGUID guid) const {
  return const_cast<PrivateDataStore*>(this)->Find(guid);
}

void PrivateDataStore::Erase(REFGUID guid) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->guid == guid) {
      if (it->object != nullptr) it->object->Release();
      entries_.erase(it);
      return;
    }
  }
}

HRESULT PrivateDataStore::Get(REFGUID guid, UINT* dataSize, void* data) const {
  if (dataSize == nullptr) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  const Entry* entry = Find(guid);
  if (entry == nullptr) {
    *dataSize = 0;
    return DXGI_ERROR_NOT_FOUND;
  }
  const UINT storedSize = entry->object != nullptr ? UINT(sizeof(IUnknown*)) : UINT(entry->bytes.size());
  if (data == nullptr) {
    *dataSize = storedSize;
    return S_OK;
  }
  if (*dataSize < storedSize) {
    *dataSize = storedSize;
    return DXGI_ERROR_MORE_DATA;
  }
  *dataSize = storedSize;
  if (entry->object != nullptr) {
    entry->object->AddRef();
    std::memcpy(data, &entry->object, sizeof(IUnknown*));
  } else {
    std::memcpy(data, entry->bytes.data(), storedSize);
  }
  return S_OK;
}

HRESULT PrivateDataStore::Set(REFGUID guid, UINT dataSize, const void* data) {
  std::lock_guard lock(mutex_);
  Erase(guid);
  if (data == nullptr || dataSize == 0) return S_OK;
  Entry entry{guid, {}, nullptr};
  entry.bytes.assign(static_cast<const unsigned char*>(data), static_cast<const unsigned char*>(data) + dataSize);
  entries_.push_back(std::move(entry));
  return S_OK;
}

HRESULT PrivateDataStore::SetInterface(REFGUID guid, const IUnknown* object) {
  std::lock_guard lock(mutex_);
  Erase(guid);
  if (object == nullptr) return S_OK;
  IUnknown* held = const_cast<IUnknown*>(object);
  held->AddRef();
  entries_.push_back(Entry{guid, {}, held});
  return S_OK;
}

HRESULT PrivateDataStore::SetName(LPCWSTR name) {
  if (name == nullptr) return E_INVALIDARG;
  const size_t bytes = (std::wcslen(name) + 1) * sizeof(wchar_t);
  return Set(WKPDID_D3DDebugObjectNameW, UINT(bytes), name);
}

std::string PrivateDataStore::Name() const {
  std::lock_guard lock(mutex_);
  const Entry* entry = Find(WKPDID_D3DDebugObjectNameW);
  if (entry == nullptr || entry->bytes.size() < sizeof(wchar_t)) return {};
  const std::wstring_view characters(reinterpret_cast<const wchar_t*>(entry->bytes.data()),
                                     entry->bytes.size() / sizeof(wchar_t));
  return platform::Utf8FromWide(characters.substr(0, characters.find(L'\0')));
}

}  // namespace d3d12vk
