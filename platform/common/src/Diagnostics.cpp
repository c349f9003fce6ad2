#include "platform_common/Diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <set>

namespace platform {
namespace {

std::string Formatted(const char* format, va_list arguments) {
  va_list measuring;
  va_copy(measuring, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, measuring);
  va_end(measuring);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, arguments);
  return text;
}

// One fprintf of the whole line, so the lines of different threads never interleave.
void PrintLine(const char* call, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", call, message.c_str());
}

}  // namespace

void Report(const char* call, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  PrintLine(call, Formatted(format, arguments));
  va_end(arguments);
}

void ReportV(const char* call, const char* format, va_list arguments) { PrintLine(call, Formatted(format, arguments)); }

HRESULT Fail(const char* call, HRESULT result, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  PrintLine(call, Formatted(format, arguments));
  va_end(arguments);
  return result;
}

HRESULT Fail(const char* call, HRESULT result, const std::string& message) {
  PrintLine(call, message);
  return result;
}

void ReportNotImplementedOnce(const char* call) {
  static std::mutex mutex;
  static std::set<std::string, std::less<>> reported;
  std::lock_guard lock(mutex);
  if (reported.insert(call).second) PrintLine(call, "not implemented");
}

}  // namespace platform
