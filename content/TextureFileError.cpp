#include "content/TextureFileError.h"

#include "render/ConsoleOutput.h"

#include <cstdio>
#include <cwctype>
#include <iterator>
#include <string_view>

namespace {

// The system's sentence for the code, or nothing when it has none.
std::string SystemText(HRESULT result) {
  wchar_t buffer[512];
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(result), 0,
                     buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
  std::wstring_view text(buffer, length);
  while (!text.empty() && std::iswspace(static_cast<wint_t>(text.back()))) {
    text.remove_suffix(1);
  }
  return ToUtf8(text);
}

std::string DescribeResult(HRESULT result) {
  char code[16];
  std::snprintf(code, sizeof(code), "0x%08X", static_cast<unsigned>(result));
  const std::string text = SystemText(result);
  return text.empty() ? std::string(code) : text + " (" + code + ")";
}

}  // namespace

TextureFileError::TextureFileError(const std::wstring& fileName, const std::string& reason)
    : FatalError(ToUtf8(fileName) + ": " + reason) {}

TextureFileError::TextureFileError(const std::wstring& fileName, const std::string& reason, HRESULT result)
    : TextureFileError(fileName, reason + ": " + DescribeResult(result)) {}
