#include "Diagnostics.h"

#include <cstdio>
#include <mutex>
#include <set>

namespace wic {

HRESULT Fail(const char* call, const std::string& problem, HRESULT code) {
  std::fprintf(stderr, "%s: %s (0x%08X)\n", call, problem.c_str(), static_cast<unsigned>(code));
  return code;
}

HRESULT NotImplemented(const char* method) {
  static std::mutex mutex;
  static std::set<std::string> reported;
  std::lock_guard lock(mutex);
  if (reported.insert(method).second) {
    std::fprintf(stderr, "%s is not implemented\n", method);
  }
  return E_NOTIMPL;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string GuidText(REFGUID guid) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

}  // namespace wic
