// MultiByteToWideChar and WideCharToMultiByte on the platform's one UTF-8/wide conversion, with Windows'
// argument checks and size negotiation: a zero output size asks for the size, a -1 input size means
// "up to and including the terminating NUL".
#include "Diagnostics.h"
#include "platform_common/UnicodeText.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string_view>

namespace {

bool IsUtf8CodePage(UINT codePage) { return codePage == CP_UTF8 || codePage == CP_ACP || codePage == CP_THREAD_ACP; }

// The checks both directions share; false after reporting the failure.
bool CheckArguments(const char* call, UINT codePage, DWORD flags, DWORD strictFlag, const void* input, int inputCount,
                    const void* output, int outputCount) {
  if (!IsUtf8CodePage(codePage)) {
    win32::FailCall(call, ERROR_INVALID_PARAMETER, "code page %u is not available; CP_ACP is UTF-8 here", codePage);
    return false;
  }
  if ((flags & ~strictFlag) != 0) {
    win32::FailCall(call, ERROR_INVALID_FLAGS, "flags 0x%X are not valid for UTF-8", static_cast<unsigned>(flags));
    return false;
  }
  if (input == nullptr || inputCount == 0 || inputCount < -1) {
    win32::FailCall(call, ERROR_INVALID_PARAMETER, "no input text (pointer %p, count %d)", input, inputCount);
    return false;
  }
  if (outputCount < 0 || (output == nullptr && outputCount != 0)) {
    win32::FailCall(call, ERROR_INVALID_PARAMETER, "output buffer %p of %d units", output, outputCount);
    return false;
  }
  if (output != nullptr && output == input) {
    win32::FailCall(call, ERROR_INVALID_PARAMETER, "input and output are the same buffer");
    return false;
  }
  return true;
}

// Copies the converted text out, or answers its size when `outputCount` is 0.
template <typename Text, typename Unit>
int Deliver(const char* call, const std::optional<Text>& converted, Unit* output, int outputCount) {
  if (!converted) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);  // the caller asked to be told; no misuse to report
    return 0;
  }
  const auto size = static_cast<int>(converted->size());
  if (outputCount == 0) return size;
  if (outputCount < size) {
    win32::FailCall(call, ERROR_INSUFFICIENT_BUFFER, "the text needs %d units, the buffer holds %d", size, outputCount);
    return 0;
  }
  std::copy(converted->begin(), converted->end(), output);
  return size;
}

}  // namespace

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByteText, int multiByteCount, LPWSTR wideText,
                               int wideCount) {
  constexpr const char* call = "MultiByteToWideChar";
  if (!CheckArguments(call, codePage, flags, MB_ERR_INVALID_CHARS, multiByteText, multiByteCount, wideText,
                      wideCount)) {
    return 0;
  }
  const std::string_view text(
      multiByteText, multiByteCount == -1 ? std::strlen(multiByteText) + 1 : static_cast<size_t>(multiByteCount));
  const std::optional<std::wstring> converted =
      (flags & MB_ERR_INVALID_CHARS) != 0 ? platform::StrictWideFromUtf8(text) : platform::WideFromUtf8(text);
  return Deliver(call, converted, wideText, wideCount);
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText, int wideCount, LPSTR multiByteText,
                               int multiByteCount, LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  constexpr const char* call = "WideCharToMultiByte";
  if (!CheckArguments(call, codePage, flags, WC_ERR_INVALID_CHARS, wideText, wideCount, multiByteText,
                      multiByteCount)) {
    return 0;
  }
  if (defaultChar != nullptr || usedDefaultChar != nullptr) {
    // UTF-8 can spell every character, so Windows refuses a default character for it.
    win32::FailCall(call, ERROR_INVALID_PARAMETER, "UTF-8 takes no default character");
    return 0;
  }
  const std::wstring_view text(wideText, wideCount == -1 ? std::wcslen(wideText) + 1 : static_cast<size_t>(wideCount));
  const std::optional<std::string> converted =
      (flags & WC_ERR_INVALID_CHARS) != 0 ? platform::StrictUtf8FromWide(text) : platform::Utf8FromWide(text);
  return Deliver(call, converted, multiByteText, multiByteCount);
}
