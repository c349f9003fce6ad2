// The MSVC runtime's secure copy, format and case-blind comparison functions. Their invalid-parameter
// behaviour is that of a runtime whose handler returns: one stderr line, an empty destination where there is
// one to empty, and the errno value both returned (or set) as the documented result says.

#include <secure_crt.h>

#include "Diagnostics.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

namespace {

void ReportInvalidParameter(const char* call, const char* what) { win32::ReportCall(call, "invalid parameter: %s", what); }

template <typename Char>
errno_t Reject(errno_t error, const char* call, const char* what, Char* destination, size_t destinationSize) {
  if (destination != nullptr && destinationSize > 0) destination[0] = Char{};
  ReportInvalidParameter(call, what);
  errno = error;
  return error;
}

template <typename Char>
size_t Length(const Char* text) {
  size_t length = 0;
  while (text[length] != Char{}) ++length;
  return length;
}

// Appends `source` at `offset` of `destination`; the whole result must fit with its terminator.
template <typename Char>
errno_t CopyAt(const char* call, Char* destination, size_t destinationSize, size_t offset, const Char* source) {
  const size_t length = Length(source);
  if (offset + length + 1 > destinationSize) {
    return Reject(ERANGE, call, "the destination is too small", destination, destinationSize);
  }
  std::memmove(destination + offset, source, (length + 1) * sizeof(Char));
  return 0;
}

template <typename Char>
errno_t Copy(const char* call, Char* destination, size_t destinationSize, const Char* source, bool append) {
  if (destination == nullptr || destinationSize == 0) {
    return Reject<Char>(EINVAL, call, "null or empty destination", nullptr, 0);
  }
  if (source == nullptr) return Reject(EINVAL, call, "null source", destination, destinationSize);
  size_t offset = 0;
  if (append) {
    while (offset < destinationSize && destination[offset] != Char{}) ++offset;
    if (offset == destinationSize) {
      return Reject(EINVAL, call, "the destination is not terminated within its size", destination,
                    destinationSize);
    }
  }
  return CopyAt(call, destination, destinationSize, offset, source);
}

// MSVC's wide printf reads %s and %c as wide and %S and %C as narrow (and %hs/%ws explicitly); glibc's
// wide printf reads %s and %c as narrow and wants %ls and %lc for wide. This rewrites the MSVC meanings into
// glibc's spellings.
std::wstring GlibcWideFormat(const wchar_t* format) {
  std::wstring result;
  for (const wchar_t* p = format; *p != L'\0'; ++p) {
    result += *p;
    if (*p != L'%') continue;
    ++p;
    if (*p == L'%') {
      result += *p;
      continue;
    }
    // Flags, width, precision (digits, '*', '.')
    while (*p != L'\0' && std::wcschr(L"-+ #0123456789.*", *p) != nullptr) result += *p++;
    std::wstring length;
    while (*p != L'\0' && std::wcschr(L"hlLqjztwI", *p) != nullptr) length += *p++;
    if (*p == L'\0') break;
    const wchar_t conversion = *p;
    const bool text = conversion == L's' || conversion == L'c' || conversion == L'S' || conversion == L'C';
    if (!text) {
      result += length;
      result += conversion;
      continue;
    }
    const bool upper = conversion == L'S' || conversion == L'C';
    const wchar_t lower = upper ? static_cast<wchar_t>(conversion - L'S' + L's') : conversion;
    const bool wide = length == L"l" || length == L"w" || (length.empty() && !upper);
    result += wide ? L"l" : L"";
    result += lower;
  }
  return result;
}

}  // namespace

errno_t strcpy_s(char* destination, size_t destinationSize, const char* source) {
  return Copy("strcpy_s", destination, destinationSize, source, false);
}

errno_t wcscpy_s(wchar_t* destination, size_t destinationSize, const wchar_t* source) {
  return Copy("wcscpy_s", destination, destinationSize, source, false);
}

errno_t strcat_s(char* destination, size_t destinationSize, const char* source) {
  return Copy("strcat_s", destination, destinationSize, source, true);
}

errno_t wcscat_s(wchar_t* destination, size_t destinationSize, const wchar_t* source) {
  return Copy("wcscat_s", destination, destinationSize, source, true);
}

int vsprintf_s(char* buffer, size_t sizeOfBuffer, const char* format, va_list arguments) {
  if (buffer == nullptr || sizeOfBuffer == 0 || format == nullptr) {
    Reject(EINVAL, "sprintf_s", "null buffer or format, or a buffer of no size", buffer, sizeOfBuffer);
    return -1;
  }
  const int needed = std::vsnprintf(buffer, sizeOfBuffer, format, arguments);
  if (needed < 0) {
    Reject(EINVAL, "sprintf_s", "the format could not be applied", buffer, sizeOfBuffer);
    return -1;
  }
  if (static_cast<size_t>(needed) + 1 > sizeOfBuffer) {
    Reject(ERANGE, "sprintf_s", "the buffer is too small for the text", buffer, sizeOfBuffer);
    return -1;
  }
  return needed;
}

int sprintf_s(char* buffer, size_t sizeOfBuffer, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int written = vsprintf_s(buffer, sizeOfBuffer, format, arguments);
  va_end(arguments);
  return written;
}

int vswprintf_s(wchar_t* buffer, size_t sizeOfBuffer, const wchar_t* format, va_list arguments) {
  if (buffer == nullptr || sizeOfBuffer == 0 || format == nullptr) {
    Reject(EINVAL, "swprintf_s", "null buffer or format, or a buffer of no size", buffer, sizeOfBuffer);
    return -1;
  }
  const std::wstring glibcFormat = GlibcWideFormat(format);
  // vswprintf says -1 both for "does not fit" and for a bad format, so the text is formatted into scratch
  // space that grows until it fits; only then is its length compared with the program's buffer.
  std::vector<wchar_t> scratch(std::max<size_t>(sizeOfBuffer, 256));
  for (;;) {
    va_list copy;
    va_copy(copy, arguments);
    const int written = std::vswprintf(scratch.data(), scratch.size(), glibcFormat.c_str(), copy);
    va_end(copy);
    if (written >= 0) {
      if (static_cast<size_t>(written) + 1 > sizeOfBuffer) {
        Reject(ERANGE, "swprintf_s", "the buffer is too small for the text", buffer, sizeOfBuffer);
        return -1;
      }
      std::wmemcpy(buffer, scratch.data(), static_cast<size_t>(written) + 1);
      return written;
    }
    if (scratch.size() >= (size_t{1} << 24)) {
      Reject(EINVAL, "swprintf_s", "the format could not be applied", buffer, sizeOfBuffer);
      return -1;
    }
    scratch.resize(scratch.size() * 4);
  }
}

int swprintf_s(wchar_t* buffer, size_t sizeOfBuffer, const wchar_t* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int written = vswprintf_s(buffer, sizeOfBuffer, format, arguments);
  va_end(arguments);
  return written;
}

namespace {

int FoldAscii(int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// Compares at most `count` characters, folding ASCII capitals to small letters first, as the MSVC runtime
// does in the "C" locale (so '_' sorts after the letters, whichever case they were written in).
template <typename Char>
int CompareFolded(const char* call, const Char* first, const Char* second, size_t count) {
  if (first == nullptr || second == nullptr) {
    ReportInvalidParameter(call, "null string");
    errno = EINVAL;
    return _NLSCMPERROR;
  }
  for (size_t i = 0; i < count; ++i) {
    using Unsigned = std::make_unsigned_t<Char>;
    const int a = FoldAscii(static_cast<Unsigned>(first[i]));
    const int b = FoldAscii(static_cast<Unsigned>(second[i]));
    if (a != b) return a - b;
    if (a == 0) return 0;
  }
  return 0;
}

}  // namespace

int _stricmp(const char* first, const char* second) { return CompareFolded("_stricmp", first, second, SIZE_MAX); }

int _strnicmp(const char* first, const char* second, size_t count) {
  return CompareFolded("_strnicmp", first, second, count);
}

int _wcsicmp(const wchar_t* first, const wchar_t* second) {
  return CompareFolded("_wcsicmp", first, second, SIZE_MAX);
}

int _wcsnicmp(const wchar_t* first, const wchar_t* second, size_t count) {
  return CompareFolded("_wcsnicmp", first, second, count);
}
