// What a program learns about its own process: the executable's path, the command line and its arguments.

#include "Diagnostics.h"
#include "platform_common/UnicodeText.h"

#include <shellapi.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::string ExecutablePath() {
  std::vector<char> buffer(4096);
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  return length > 0 ? std::string(buffer.data(), static_cast<size_t>(length)) : std::string();
}

// An argument as Windows' argument splitting reads it back: quoted when it has blanks or quotes, with the
// backslashes before a quote doubled.
std::wstring QuotedArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

std::wstring ReadCommandLine() {
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::wstring line;
  for (size_t start = 0; start < bytes.size();) {
    const size_t end = std::min(bytes.find('\0', start), bytes.size());
    if (!line.empty()) line += L' ';
    line += QuotedArgument(platform::WideFromUtf8(std::string_view(bytes).substr(start, end - start)));
    start = end + 1;
  }
  return line;
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The program name, the first argument: up to the first blank, or between quotes; its backslashes are
// plain characters (path separators).
std::wstring ReadProgramName(std::wstring_view line, size_t& i) {
  if (i < line.size() && line[i] == L'"') {
    const size_t close = std::min(line.find(L'"', i + 1), line.size());
    const std::wstring name(line.substr(i + 1, close - i - 1));
    i = std::min(close + 1, line.size());
    return name;
  }
  std::wstring name;
  while (i < line.size() && !IsBlank(line[i])) name += line[i++];
  return name;
}

// One later argument, from its first character: blanks end it outside quotes; 2n backslashes before a
// quote are n backslashes and the quote starts or ends quoting, 2n + 1 are n backslashes and a literal
// quote; "" inside quotes is a literal quote.
std::wstring ReadArgument(std::wstring_view line, size_t& i) {
  std::wstring argument;
  bool quoted = false;
  while (i < line.size() && (quoted || !IsBlank(line[i]))) {
    size_t backslashes = 0;
    while (i < line.size() && line[i] == L'\\') ++backslashes, ++i;
    if (i < line.size() && line[i] == L'"') {
      argument.append(backslashes / 2, L'\\');
      if (backslashes % 2 == 1) {
        argument += L'"';
      } else if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
        argument += L'"';
        ++i;
      } else {
        quoted = !quoted;
      }
      ++i;
    } else {
      argument.append(backslashes, L'\\');
      if (i < line.size() && (quoted || !IsBlank(line[i]))) argument += line[i++];
    }
  }
  return argument;
}

// Windows' splitting of a command line into arguments.
std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
  size_t i = 0;
  std::vector<std::wstring> arguments{ReadProgramName(line, i)};
  for (;;) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) return arguments;
    arguments.push_back(ReadArgument(line, i));
  }
}

}  // namespace

DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
  if (module != nullptr && module != GetModuleHandleW(nullptr)) {
    win32::FailCall("GetModuleFileNameW", ERROR_MOD_NOT_FOUND, "only the executable's own module is loaded");
    return 0;
  }
  if (fileName == nullptr && size > 0) {
    win32::FailCall("GetModuleFileNameW", ERROR_INVALID_PARAMETER, "null buffer");
    return 0;
  }
  std::wstring path = platform::WideFromUtf8(ExecutablePath());
  std::replace(path.begin(), path.end(), L'/', L'\\');
  if (size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // Like Windows: a path that does not fit is cut, still terminated, and the full size is returned.
  const size_t copied = std::min<size_t>(path.size(), size - 1);
  std::wmemcpy(fileName, path.data(), copied);
  fileName[copied] = L'\0';
  if (copied < path.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(copied);
}

LPWSTR WINAPI GetCommandLineW(void) {
  static std::once_flag read;
  static std::wstring line;
  std::call_once(read, [] { line = ReadCommandLine(); });
  return line.data();
}

LPWSTR* WINAPI CommandLineToArgvW(LPCWSTR commandLine, int* count) {
  if (count == nullptr) {
    win32::FailCall("CommandLineToArgvW", ERROR_INVALID_PARAMETER, "null count");
    return nullptr;
  }
  // An empty command line stands for the program's own name.
  const std::vector<std::wstring> arguments = commandLine == nullptr || *commandLine == L'\0'
                                                  ? std::vector<std::wstring>{platform::WideFromUtf8(ExecutablePath())}
                                                  : SplitCommandLine(commandLine);
  // One block: the pointer array, then the strings, so that a single LocalFree releases it.
  size_t bytes = (arguments.size() + 1) * sizeof(LPWSTR);
  for (const std::wstring& argument : arguments) bytes += (argument.size() + 1) * sizeof(wchar_t);
  auto* block = static_cast<LPWSTR*>(std::malloc(bytes));
  if (block == nullptr) {
    win32::FailCall("CommandLineToArgvW", ERROR_NOT_ENOUGH_MEMORY, "no memory for %zu bytes", bytes);
    return nullptr;
  }
  auto* text = reinterpret_cast<wchar_t*>(block + arguments.size() + 1);
  for (size_t i = 0; i < arguments.size(); ++i) {
    block[i] = text;
    std::wmemcpy(text, arguments[i].c_str(), arguments[i].size() + 1);
    text += arguments[i].size() + 1;
  }
  block[arguments.size()] = nullptr;
  *count = static_cast<int>(arguments.size());
  return block;
}
