#include "WindowClasses.h"

#include "Diagnostics.h"
#include "platform_common/UnicodeText.h"

#include <cwctype>
#include <mutex>
#include <vector>

namespace win32 {
namespace {

// Atoms of registered classes live in the range Windows gives them.
constexpr ATOM kFirstClassAtom = 0xC000;

class ClassRegistry {
 public:
  static ClassRegistry& Instance() {
    static ClassRegistry registry;
    return registry;
  }

  ATOM Add(std::wstring name, WNDPROC procedure, UINT style) {
    std::lock_guard lock(mutex_);
    if (FindLocked(name.c_str())) return 0;
    const ATOM atom = nextAtom_++;
    classes_.push_back({std::move(name), atom, procedure, style});
    return atom;
  }

  std::optional<WindowClass> Find(LPCWSTR nameOrAtom) {
    std::lock_guard lock(mutex_);
    const WindowClass* found = FindLocked(nameOrAtom);
    return found ? std::optional<WindowClass>(*found) : std::nullopt;
  }

  bool Remove(LPCWSTR nameOrAtom) {
    std::lock_guard lock(mutex_);
    const WindowClass* found = FindLocked(nameOrAtom);
    if (found == nullptr) return false;
    classes_.erase(classes_.begin() + (found - classes_.data()));
    return true;
  }

  void Clear() {
    std::lock_guard lock(mutex_);
    classes_.clear();
  }

 private:
  static bool SameName(const std::wstring& a, LPCWSTR b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != L'\0'; ++i) {
      if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return i == a.size() && b[i] == L'\0';
  }

  const WindowClass* FindLocked(LPCWSTR nameOrAtom) const {
    for (const WindowClass& windowClass : classes_) {
      const bool match = IS_INTRESOURCE(nameOrAtom)
                             ? windowClass.atom == static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(nameOrAtom))
                             : SameName(windowClass.name, nameOrAtom);
      if (match) return &windowClass;
    }
    return nullptr;
  }

  std::mutex mutex_;
  std::vector<WindowClass> classes_;
  ATOM nextAtom_ = kFirstClassAtom;
};

}  // namespace

std::optional<WindowClass> FindWindowClass(LPCWSTR nameOrAtom) {
  if (nameOrAtom == nullptr) return std::nullopt;
  return ClassRegistry::Instance().Find(nameOrAtom);
}

std::string DescribeClassName(LPCWSTR nameOrAtom) {
  if (nameOrAtom == nullptr) return "(null)";
  std::string description;
  if (IS_INTRESOURCE(nameOrAtom)) {
    description.append("atom ").append(std::to_string(reinterpret_cast<ULONG_PTR>(nameOrAtom)));
  } else {
    description.append("\"").append(platform::Utf8FromWide(nameOrAtom)).append("\"");
  }
  return description;
}

void ForgetAllWindowClasses() { ClassRegistry::Instance().Clear(); }

}  // namespace win32

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* windowClass) {
  if (windowClass == nullptr || windowClass->cbSize != sizeof(WNDCLASSEXW)) {
    win32::FailCall("RegisterClassExW", ERROR_INVALID_PARAMETER, "cbSize must be sizeof(WNDCLASSEXW) (%zu)",
                    sizeof(WNDCLASSEXW));
    return 0;
  }
  if (windowClass->lpszClassName == nullptr || IS_INTRESOURCE(windowClass->lpszClassName) ||
      windowClass->lpfnWndProc == nullptr) {
    win32::FailCall("RegisterClassExW", ERROR_INVALID_PARAMETER, "a class needs a name and a window procedure");
    return 0;
  }
  const ATOM atom =
      win32::ClassRegistry::Instance().Add(windowClass->lpszClassName, windowClass->lpfnWndProc, windowClass->style);
  if (atom == 0) {
    win32::FailCall("RegisterClassExW", ERROR_CLASS_ALREADY_EXISTS, "class %s is already registered",
                    win32::DescribeClassName(windowClass->lpszClassName).c_str());
  }
  return atom;
}

BOOL WINAPI UnregisterClassW(LPCWSTR className, HINSTANCE) {
  if (className == nullptr || !win32::ClassRegistry::Instance().Remove(className)) {
    win32::FailCall("UnregisterClassW", ERROR_CLASS_DOES_NOT_EXIST, "class %s is not registered",
                    win32::DescribeClassName(className).c_str());
    return FALSE;
  }
  return TRUE;
}
