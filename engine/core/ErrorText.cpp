#include "core/ErrorText.h"

#include "core/ConsoleOutput.h"

#include <cstdio>
#include <cwctype>
#include <iterator>

std::string HexCode(HRESULT result) {
  char code[16];
  std::snprintf(code, sizeof(code), "0x%08X", static_cast<unsigned>(result));
  return code;
}

std::wstring SystemText(HRESULT result) {
  // The longest system message is well under this; a longer one would fail and read as unknown.
  wchar_t buffer[1024];
  constexpr DWORD Flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD length = FormatMessageW(Flags, nullptr, static_cast<DWORD>(result), 0, buffer,
                                      static_cast<DWORD>(std::size(buffer)), nullptr);
  std::wstring_view text(buffer, length);
  // System messages end in ".\r\n"; a line wants the sentence only.
  while (!text.empty() && std::iswspace(static_cast<wint_t>(text.back()))) {
    text.remove_suffix(1);
  }
  return std::wstring(text);
}

std::string DescribeResult(HRESULT result) {
  const std::string text = ToUtf8(SystemText(result));
  return text.empty() ? HexCode(result) : text + " (" + HexCode(result) + ")";
}

std::string FileNameText(std::wstring_view fileName) { return ToUtf8(fileName); }

std::string CallFailureLine(const char* call, const std::string& problem, HRESULT result) {
  return std::string(call) + ": " + problem + " (" + HexCode(result) + ")";
}

CallFailedError::CallFailedError(const char* call, const char* problem, HRESULT result)
    : FatalError(CallFailureLine(call, problem, result)) {}

void StopIfFailed(HRESULT result, const char* call, const char* problem) {
  if (FAILED(result)) {
    throw CallFailedError(call, problem, result);
  }
}
