#include "render/Log.h"

#include "render/ConsoleOutput.h"

#include <windows.h>

#include <cwctype>
#include <iterator>
#include <string_view>

namespace {

// The system's text for a result code without its trailing white space and line breaks, or "unknown
// error" when the system has none. The system texts are plain ASCII, so taking them wide as they come
// gives the same characters as widening the narrow text byte by byte.
std::wstring SystemMessageText(int32_t result) {
  // The longest system message is well under this; a longer one would fail and read as unknown.
  wchar_t buffer[1024];
  constexpr DWORD Flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD length = FormatMessageW(Flags, nullptr, static_cast<DWORD>(result), 0, buffer,
                                      static_cast<DWORD>(std::size(buffer)), nullptr);
  std::wstring_view text(buffer, length);
  // System messages end in ".\r\n"; the log wants the sentence only.
  while (!text.empty() && std::iswspace(static_cast<wint_t>(text.back()))) {
    text.remove_suffix(1);
  }
  if (text.empty()) {
    return L"unknown error";
  }
  return std::wstring(text);
}

}  // namespace

void LogResult(std::wstring message, int32_t result) {
  message += L" result:";
  message += SystemMessageText(result);
  WriteConsoleLine(std::wstring_view(message));
}

void LogSlotOffset(uint32_t byteOffset) { WriteConsoleLine(std::string_view(std::to_string(byteOffset))); }
