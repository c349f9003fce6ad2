#include "core/Log.h"

#include "core/ConsoleOutput.h"
#include "core/ErrorText.h"

#include <string_view>

void LogResult(std::wstring message, int32_t result) {
  // The system texts are plain ASCII, so taking them wide as they come gives the same characters as
  // widening the narrow text byte by byte.
  const std::wstring text = SystemText(static_cast<HRESULT>(result));
  message += L" result:";
  message += text.empty() ? L"unknown error" : text;
  WriteConsoleLine(std::wstring_view(message));
}

void LogSlotOffset(uint32_t byteOffset) { WriteConsoleLine(std::string_view(std::to_string(byteOffset))); }
