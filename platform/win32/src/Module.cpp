// The running executable as a module, its stock icons and cursors, debugger output and message boxes.

#include "Diagnostics.h"
#include "platform_common/UnicodeText.h"

#include <cstdio>

namespace {

// Stand-ins for the module and resource handles: only their identity matters to callers.
char executableModule;
char stockIcon;
char stockCursor;

// The resource ids of the system's own icons and cursors (IDI_APPLICATION, IDC_ARROW, ...).
bool IsStockResource(LPCWSTR name) {
  const auto id = reinterpret_cast<ULONG_PTR>(name);
  return IS_INTRESOURCE(name) && id >= 32512 && id <= 32651;
}

}  // namespace

HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName) {
  if (moduleName == nullptr) return reinterpret_cast<HMODULE>(&executableModule);
  win32::FailCall("GetModuleHandleW", ERROR_MOD_NOT_FOUND, "module \"%s\" is not loaded",
                  platform::Utf8FromWide(moduleName).c_str());
  return nullptr;
}

HICON WINAPI LoadIconW(HINSTANCE instance, LPCWSTR iconName) {
  if (instance == nullptr && IsStockResource(iconName)) return reinterpret_cast<HICON>(&stockIcon);
  win32::FailCall("LoadIconW", ERROR_RESOURCE_NAME_NOT_FOUND, "only the system's stock icons are available");
  return nullptr;
}

HCURSOR WINAPI LoadCursorW(HINSTANCE instance, LPCWSTR cursorName) {
  if (instance == nullptr && IsStockResource(cursorName)) return reinterpret_cast<HCURSOR>(&stockCursor);
  win32::FailCall("LoadCursorW", ERROR_RESOURCE_NAME_NOT_FOUND, "only the system's stock cursors are available");
  return nullptr;
}

// There is no debugger channel on Linux; stderr is where a developer looks.
void WINAPI OutputDebugStringW(LPCWSTR text) {
  if (text != nullptr) std::fputs(platform::Utf8FromWide(text).c_str(), stderr);
}

void WINAPI OutputDebugStringA(LPCSTR text) {
  if (text != nullptr) std::fputs(text, stderr);
}

int WINAPI MessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT) {
  std::fprintf(stderr, "%s: %s\n", caption != nullptr ? platform::Utf8FromWide(caption).c_str() : "Error",
               text != nullptr ? platform::Utf8FromWide(text).c_str() : "");
  return IDOK;
}
